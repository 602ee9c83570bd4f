// Which time zone a mailbox's calendar is published in, the fixed
// daylight-saving period of the GlobalTimeDiff correction, and the server
// time difference written beside every row.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include "common/agent_settings.h"
#include "platform/tz/tz.h"

namespace korvale {

// Reads the table of named zones; nullopt when it cannot be read.
using TimeZoneTableReader = std::function<std::optional<std::vector<tz::NamedZone>>()>;

// The zone a group's SetTZ value names: the first table entry whose key equals
// it exactly (case-sensitive; "W. Europe Standard Time", not the display text).
// An empty value, no match or an unreadable table give the default zone,
// without a report. The table is read anew on each call that needs it.
TIME_ZONE_INFORMATION ChooseMailboxTimeZone(std::string_view group_time_zone,
                                            const TIME_ZONE_INFORMATION& default_zone,
                                            const TimeZoneTableReader& read_table = tz::ReadTimeZoneTable);

// The same for scan group `group_index` (0-based) of the settings; the
// settings reader has already emptied every group's value when SetTZAll >= 1.
TIME_ZONE_INFORMATION MailboxTimeZone(const AgentSettings& settings, size_t group_index,
                                      const TIME_ZONE_INFORMATION& default_zone,
                                      const TimeZoneTableReader& read_table = tz::ReadTimeZoneTable);

// Whether a date-time lies in the [DST] period: strictly after its start and
// strictly before its end. nullopt when the period or the date-time is not a
// valid date (the caller reports it and counts the date as outside).
std::optional<bool> InDstPeriod(const AgentSettings& settings, const SYSTEMTIME& time);

// The TimeDifference column: the integer TimeDiff of the owner's server entry,
// 0 without one. Nothing is shifted by it; the web pages apply it.
double TimeDifferenceColumn(const ServerEntry* matched_server);

}  // namespace korvale
