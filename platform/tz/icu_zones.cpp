// The machine's time zone and the table of named Windows zones, both taken
// from ICU and expressed as Windows would report them: the TIME_ZONE_INFORMATION
// of the zone's rules in one year, with transitions as relative rules at the
// local wall time in force before each change.
#include <unicode/basictz.h>
#include <unicode/locid.h>
#include <unicode/strenum.h>
#include <unicode/timezone.h>
#include <unicode/tznames.h>
#include <unicode/tzrule.h>
#include <unicode/tztrans.h>
#include <unicode/unistr.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "common/utf8.h"
#include "platform/tz/tz.h"

namespace korvale::tz {
namespace {

constexpr FILETIME kUnixEpochAsFileTime = 116444736000000000ULL;
constexpr size_t kDisplayFieldBytes = 128;

std::string ToUtf8(const icu::UnicodeString& s) {
  std::string out;
  s.toUTF8String(out);
  return out;
}

int CurrentYear() {
  const std::time_t now = std::time(nullptr);
  std::tm parts{};
  gmtime_r(&now, &parts);
  return parts.tm_year + 1900;
}

UDate UDateOfYearStart(int year) {
  const std::optional<FILETIME> ft =
      SystemTimeToFileTime(SYSTEMTIME{static_cast<uint16_t>(year), 1, 0, 1, 0, 0, 0, 0});
  return (static_cast<double>(*ft) - static_cast<double>(kUnixEpochAsFileTime)) / 10000.0;
}

SYSTEMTIME SystemTimeFromUDate(UDate ms) {
  const double ticks = ms * 10000.0 + static_cast<double>(kUnixEpochAsFileTime);
  return FileTimeToSystemTime(static_cast<FILETIME>(ticks < 0 ? 0 : ticks));
}

// The relative Windows rule of one transition: the local wall time just before
// it, with a day among the month's last seven counted as week 5 ("last").
SYSTEMTIME RuleFromTransition(UDate when, int32_t offset_before_ms) {
  const SYSTEMTIME local = SystemTimeFromUDate(when + offset_before_ms);
  SYSTEMTIME rule;
  rule.wMonth = local.wMonth;
  rule.wDayOfWeek = local.wDayOfWeek;
  rule.wDay = local.wDay > DaysInMonth(local.wYear, local.wMonth) - 7
                  ? 5
                  : static_cast<uint16_t>((local.wDay - 1) / 7 + 1);
  rule.wHour = local.wHour;
  rule.wMinute = local.wMinute;
  rule.wSecond = local.wSecond;
  return rule;
}

bool IsUsable(const icu::TimeZone& zone) { return zone != icu::TimeZone::getUnknown(); }

void FillNames(const icu::TimeZone& zone, TIME_ZONE_INFORMATION& tzi) {
  icu::UnicodeString name;
  tzi.StandardName = ToUtf8(zone.getDisplayName(false, icu::TimeZone::LONG, icu::Locale::getEnglish(), name));
  tzi.DaylightName = ToUtf8(zone.getDisplayName(true, icu::TimeZone::LONG, icu::Locale::getEnglish(), name));
}

TIME_ZONE_INFORMATION RulesForYear(const icu::TimeZone& zone, int year) {
  TIME_ZONE_INFORMATION tzi;
  FillNames(zone, tzi);
  const UDate year_start = UDateOfYearStart(year);
  const UDate year_end = UDateOfYearStart(year + 1);

  std::optional<SYSTEMTIME> daylight_date, standard_date;
  int32_t standard_raw = 0, savings = 0;
  if (const auto* basic = dynamic_cast<const icu::BasicTimeZone*>(&zone)) {
    icu::TimeZoneTransition tr;
    UDate from = year_start;
    bool inclusive = true;
    while (basic->getNextTransition(from, inclusive, tr) && tr.getTime() < year_end) {
      const icu::TimeZoneRule* before = tr.getFrom();
      const icu::TimeZoneRule* after = tr.getTo();
      if (before != nullptr && after != nullptr) {
        const int32_t offset_before = before->getRawOffset() + before->getDSTSavings();
        if (before->getDSTSavings() == 0 && after->getDSTSavings() != 0 && !daylight_date) {
          daylight_date = RuleFromTransition(tr.getTime(), offset_before);
          savings = after->getDSTSavings();
        } else if (before->getDSTSavings() != 0 && after->getDSTSavings() == 0 && !standard_date) {
          standard_date = RuleFromTransition(tr.getTime(), offset_before);
          standard_raw = after->getRawOffset();
        }
      }
      from = tr.getTime();
      inclusive = false;
    }
  }
  if (daylight_date && standard_date) {
    tzi.Bias = -standard_raw / 60000;
    tzi.DaylightBias = -savings / 60000;
    tzi.StandardDate = *standard_date;
    tzi.DaylightDate = *daylight_date;
    return tzi;
  }
  // No complete pair of changes this year: one fixed offset, the one in force mid-year.
  UErrorCode status = U_ZERO_ERROR;
  int32_t raw = 0, dst = 0;
  zone.getOffset((year_start + year_end) / 2, false, raw, dst, status);
  if (U_SUCCESS(status)) tzi.Bias = -(raw + dst) / 60000;
  return tzi;
}

std::unique_ptr<icu::TimeZone> ZoneFromId(std::string_view id) {
  std::unique_ptr<icu::TimeZone> zone(icu::TimeZone::createTimeZone(
      icu::UnicodeString::fromUTF8(icu::StringPiece(id.data(), static_cast<int32_t>(id.size())))));
  if (!zone || !IsUsable(*zone)) return nullptr;
  return zone;
}

// TZ may name a zone ("Europe/Berlin", ":Europe/Berlin") or a zoneinfo file.
std::unique_ptr<icu::TimeZone> ZoneFromTzVariable() {
  const char* value = std::getenv("TZ");
  if (value == nullptr || *value == '\0') return nullptr;
  std::string id = value;
  if (id.front() == ':') id.erase(0, 1);
  const size_t zoneinfo = id.find("zoneinfo/");
  if (zoneinfo != std::string::npos) id.erase(0, zoneinfo + 9);
  return ZoneFromId(id);
}

std::string OffsetText(int32_t bias) {
  const int minutes = -bias;
  char text[32];
  std::snprintf(text, sizeof text, "(UTC%c%02d:%02d)", minutes < 0 ? '-' : '+', std::abs(minutes) / 60,
                std::abs(minutes) % 60);
  return text;
}

// Cut to what the registry's display field holds, never inside a UTF-8 sequence.
std::string FitDisplayField(std::string text) {
  text.resize(Utf8PrefixBytes(text, kDisplayFieldBytes - 1).size());
  return text;
}

std::string DisplayText(const icu::TimeZone& zone, const icu::UnicodeString& id, int32_t bias) {
  icu::UnicodeString generic;
  zone.getDisplayName(false, icu::TimeZone::LONG_GENERIC, icu::Locale::getEnglish(), generic);
  std::string text = OffsetText(bias) + " " + ToUtf8(generic);
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::TimeZoneNames> names(
      icu::TimeZoneNames::createInstance(icu::Locale::getEnglish(), status));
  if (U_SUCCESS(status) && names) {
    icu::UnicodeString city;
    names->getExemplarLocationName(id, city);
    if (!city.isEmpty() && city != generic) text += " (" + ToUtf8(city) + ")";
  }
  return FitDisplayField(text);
}

}  // namespace

std::optional<TIME_ZONE_INFORMATION> TimeZoneForYear(std::string_view iana_id, int year) {
  try {
    const std::unique_ptr<icu::TimeZone> zone = ZoneFromId(iana_id);
    if (!zone) return std::nullopt;
    return RulesForYear(*zone, year);
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

TIME_ZONE_INFORMATION MachineTimeZone() {
  try {
    std::unique_ptr<icu::TimeZone> zone = ZoneFromTzVariable();
    if (!zone) zone.reset(icu::TimeZone::createDefault());
    if (!zone) return {};
    return RulesForYear(*zone, CurrentYear());
  } catch (const std::exception&) {
    return {};
  }
}

namespace {

// Walks every zone ICU knows: tens of milliseconds, far more than any single
// conversion that needs one entry.
std::optional<std::vector<NamedZone>> BuildTimeZoneTable(int year) {
  try {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::StringEnumeration> ids(
        icu::TimeZone::createTimeZoneIDEnumeration(UCAL_ZONE_TYPE_CANONICAL, nullptr, nullptr, status));
    if (U_FAILURE(status) || !ids) return std::nullopt;
    // std::set keeps the keys in the registry's (alphabetical) order.
    std::set<std::string> windows_ids;
    while (const icu::UnicodeString* id = ids->snext(status)) {
      if (U_FAILURE(status)) break;
      icu::UnicodeString windows_id;
      UErrorCode map_status = U_ZERO_ERROR;
      icu::TimeZone::getWindowsID(*id, windows_id, map_status);
      if (U_SUCCESS(map_status) && !windows_id.isEmpty()) windows_ids.insert(ToUtf8(windows_id));
    }
    if (windows_ids.empty()) return std::nullopt;

    std::vector<NamedZone> table;
    for (const std::string& key : windows_ids) {
      icu::UnicodeString golden;
      UErrorCode map_status = U_ZERO_ERROR;
      // No region: the zone that stands for the whole Windows zone ("001").
      icu::TimeZone::getIDForWindowsID(icu::UnicodeString::fromUTF8(key), nullptr, golden, map_status);
      if (U_FAILURE(map_status) || golden.isEmpty()) continue;
      const std::unique_ptr<icu::TimeZone> zone(icu::TimeZone::createTimeZone(golden));
      if (!zone || !IsUsable(*zone)) continue;
      NamedZone entry;
      entry.key = key;
      entry.iana_id = ToUtf8(golden);
      entry.tzi = RulesForYear(*zone, year);
      entry.display = DisplayText(*zone, golden, entry.tzi.Bias);
      table.push_back(std::move(entry));
    }
    return table;
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

}  // namespace

std::optional<std::vector<NamedZone>> ReadTimeZoneTable() {
  // Built once per process and year: the zone data do not change while a
  // program runs, and callers look up one zone per appointment or mailbox.
  static std::mutex mutex;
  static int built_for = 0;
  static std::optional<std::vector<NamedZone>> table;
  const int year = CurrentYear();
  std::lock_guard<std::mutex> lock(mutex);
  if (built_for != year || !table) {
    table = BuildTimeZoneTable(year);
    built_for = year;
  }
  return table;
}

}  // namespace korvale::tz
