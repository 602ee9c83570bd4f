// Date-time arithmetic and time-zone conversions with the Windows rules.
//
// Universal to local follows SystemTimeToTzSpecificLocalTime; local to
// universal and the daylight test are the agent's own rules (a relative
// transition names the wDay-th wDayOfWeek of wMonth, 5 = the last one).
// The machine's zone and the table of named Windows zones come from ICU.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/tz/tz_types.h"

namespace korvale::tz {

// FILETIME <-> SYSTEMTIME (no zone involved). SystemTimeToFileTime fails
// (nullopt) on an invalid date; wDayOfWeek is ignored on input and set on output.
std::optional<FILETIME> SystemTimeToFileTime(const SYSTEMTIME& st);
SYSTEMTIME FileTimeToSystemTime(FILETIME ft);

// Adds minutes (may be negative) to a date-time; nullopt outside 1601..30827.
std::optional<SYSTEMTIME> AddMinutes(const SYSTEMTIME& st, int64_t minutes);

// Days in a month of a (Gregorian) year; leap years by the 4/100/400 rule.
int DaysInMonth(int year, int month);
// 0 = Sunday.
int DayOfWeek(int year, int month, int day);

// Universal to local for the zone, with the Windows rules: the transitions of
// the year of the universal time; the standard date read in daylight wall time,
// the daylight date in standard wall time; northern when the daylight month
// comes first. A zone whose rules cannot be evaluated (a damaged blob) is taken
// as having no daylight saving: local = universal - bias.
SYSTEMTIME SystemTimeToTzSpecificLocalTime(const TIME_ZONE_INFORMATION& zone, const SYSTEMTIME& utc);

// Local to universal: local + bias + daylight bias when in daylight time, else
// local + bias + standard bias; unchanged when all three biases are 0.
SYSTEMTIME LocalToUniversal(const TIME_ZONE_INFORMATION& zone, const SYSTEMTIME& local);

// Whether a local date-time lies in the zone's daylight time.
bool IsDaylightTime(const TIME_ZONE_INFORMATION& zone, const SYSTEMTIME& local);

// The concrete transition of a rule in a year: an absolute rule (wYear != 0) as
// given, a relative one as the wDay-th wDayOfWeek of wMonth (5 = the last).
SYSTEMTIME TransitionInYear(const SYSTEMTIME& rule, int year);

// The machine's zone (TZ / /etc/localtime through ICU), as Windows would report it:
// bias = minus the raw offset, daylight bias = minus the saving, the year's two
// changes as relative rules (week 5 = last) at the wall time before each change.
// Rules of the current year; a zone without a change that year has one fixed bias.
TIME_ZONE_INFORMATION MachineTimeZone();

// The same derivation for a named IANA zone ("Europe/Berlin") and a given year;
// nullopt when ICU does not know the zone.
std::optional<TIME_ZONE_INFORMATION> TimeZoneForYear(std::string_view iana_id, int year);

// One entry of the table of named Windows zones.
struct NamedZone {
  std::string display;        // e.g. "(UTC+01:00) Amsterdam, Berlin, Bern, Rome, Stockholm, Vienna"
  std::string key;            // e.g. "W. Europe Standard Time"
  TIME_ZONE_INFORMATION tzi;  // from the zone's current rules
  std::string iana_id;        // the zone standing for the key ("Europe/Berlin")
};

// The table of named Windows zones, one entry per Windows zone ICU maps to,
// ordered by key name; nullopt when it cannot be built.
std::optional<std::vector<NamedZone>> ReadTimeZoneTable();

// The 44-byte "TZI" layout and the 48-byte appointment time-zone structure.
std::string TziToBytes(const TIME_ZONE_INFORMATION& zone);                               // 44 bytes
std::optional<TIME_ZONE_INFORMATION> TziFromBytes(const std::string& bytes);             // needs >= 44
std::string TimeZoneStructToBytes(const TIME_ZONE_INFORMATION& zone);                    // 48 bytes
std::optional<TIME_ZONE_INFORMATION> TimeZoneStructFromBytes(const std::string& bytes);  // >= 48

}  // namespace korvale::tz
