// Mailbox time zone, [DST] period test and server time difference.
#include "agent/scan/mailbox_time_zone.h"

namespace korvale {

TIME_ZONE_INFORMATION ChooseMailboxTimeZone(std::string_view group_time_zone,
                                            const TIME_ZONE_INFORMATION& default_zone,
                                            const TimeZoneTableReader& read_table) {
  if (group_time_zone.empty() || !read_table) return default_zone;
  const std::optional<std::vector<tz::NamedZone>> table = read_table();
  if (!table) return default_zone;
  for (const tz::NamedZone& entry : *table) {
    if (entry.key == group_time_zone) {
      // Only the TZI value travels with a table entry; the names stay empty.
      TIME_ZONE_INFORMATION zone;
      zone.Bias = entry.tzi.Bias;
      zone.StandardBias = entry.tzi.StandardBias;
      zone.DaylightBias = entry.tzi.DaylightBias;
      zone.StandardDate = entry.tzi.StandardDate;
      zone.DaylightDate = entry.tzi.DaylightDate;
      return zone;
    }
  }
  return default_zone;
}

TIME_ZONE_INFORMATION MailboxTimeZone(const AgentSettings& settings, size_t group_index,
                                      const TIME_ZONE_INFORMATION& default_zone,
                                      const TimeZoneTableReader& read_table) {
  if (group_index >= settings.group_time_zones.size()) return default_zone;
  return ChooseMailboxTimeZone(settings.group_time_zones[group_index], default_zone, read_table);
}

std::optional<bool> InDstPeriod(const AgentSettings& settings, const SYSTEMTIME& time) {
  const std::optional<FILETIME> start = tz::SystemTimeToFileTime(settings.dst_start);
  const std::optional<FILETIME> end = tz::SystemTimeToFileTime(settings.dst_end);
  const std::optional<FILETIME> t = tz::SystemTimeToFileTime(time);
  if (!start || !end || !t) return std::nullopt;
  return *t > *start && *t < *end;
}

double TimeDifferenceColumn(const ServerEntry* matched_server) {
  return matched_server == nullptr ? 0.0 : static_cast<double>(matched_server->time_diff);
}

}  // namespace korvale
