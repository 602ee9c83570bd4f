// Daylight-saving rules of a TIME_ZONE_INFORMATION: transitions made concrete
// for a year, the Windows universal-to-local conversion, and the agent's own
// local-to-universal conversion and daylight test.
//
// A transition whose wYear is 0 is relative: the wDay-th (1..5, 5 = last)
// wDayOfWeek of wMonth. The standard date is given in local daylight time and
// the daylight date in local standard time, as the clock reads just before
// the change.
#include <tuple>

#include "platform/tz/tz.h"

namespace korvale::tz {
namespace {

auto Key(const SYSTEMTIME& t) {
  return std::make_tuple(t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds);
}

bool IsValidRule(const SYSTEMTIME& rule) {
  if (rule.wMonth < 1 || rule.wMonth > 12) return false;
  if (rule.wYear == 0) return rule.wDay >= 1 && rule.wDay <= 5 && rule.wDayOfWeek <= 6;
  return rule.wDay >= 1 && rule.wDay <= DaysInMonth(rule.wYear, rule.wMonth);
}

// Windows refuses a zone whose rules it cannot evaluate; such a zone (a
// damaged blob, typically) is treated here as one without daylight saving.
bool HasUsableDaylightRule(const TIME_ZONE_INFORMATION& zone) {
  return zone.DaylightDate.wMonth != 0 && IsValidRule(zone.DaylightDate) && IsValidRule(zone.StandardDate);
}

SYSTEMTIME ShiftOrKeep(const SYSTEMTIME& time, int64_t minutes) {
  const std::optional<SYSTEMTIME> shifted = AddMinutes(time, minutes);
  return shifted ? *shifted : time;
}

}  // namespace

SYSTEMTIME TransitionInYear(const SYSTEMTIME& rule, int year) {
  if (rule.wYear != 0) return rule;
  SYSTEMTIME t = rule;
  t.wYear = static_cast<uint16_t>(year);
  if (rule.wMonth < 1 || rule.wMonth > 12) return t;
  const int weekday = rule.wDayOfWeek % 7;
  const int week = rule.wDay < 1 ? 1 : (rule.wDay > 5 ? 5 : rule.wDay);
  const int first = 1 + (weekday - DayOfWeek(year, rule.wMonth, 1) + 7) % 7;
  int day = first + (week - 1) * 7;
  // "Fifth" means the last one: a month with only four falls back to the fourth.
  while (day > DaysInMonth(year, rule.wMonth)) day -= 7;
  t.wDay = static_cast<uint16_t>(day);
  t.wDayOfWeek = static_cast<uint16_t>(weekday);
  return t;
}

SYSTEMTIME SystemTimeToTzSpecificLocalTime(const TIME_ZONE_INFORMATION& zone, const SYSTEMTIME& utc) {
  const SYSTEMTIME bias_only = ShiftOrKeep(utc, -static_cast<int64_t>(zone.Bias));
  if (!HasUsableDaylightRule(zone)) return bias_only;
  // Both changes of the universal time's year as universal instants: each rule
  // is stated in the wall time in force before it (standard time before the
  // daylight start, daylight time before the standard start).
  const int year = utc.wYear;
  const std::optional<SYSTEMTIME> daylight_start = AddMinutes(
      TransitionInYear(zone.DaylightDate, year), static_cast<int64_t>(zone.Bias) + zone.StandardBias);
  const std::optional<SYSTEMTIME> standard_start = AddMinutes(
      TransitionInYear(zone.StandardDate, year), static_cast<int64_t>(zone.Bias) + zone.DaylightBias);
  const std::optional<FILETIME> now = SystemTimeToFileTime(utc);
  if (!daylight_start || !standard_start || !now) return bias_only;
  const bool after_daylight = *now >= *SystemTimeToFileTime(*daylight_start);
  const bool before_standard = *now < *SystemTimeToFileTime(*standard_start);
  const bool northern = zone.DaylightDate.wMonth < zone.StandardDate.wMonth;
  const bool daylight = northern ? (before_standard && after_daylight) : (before_standard || after_daylight);
  return ShiftOrKeep(utc,
                     -(static_cast<int64_t>(zone.Bias) + (daylight ? zone.DaylightBias : zone.StandardBias)));
}

bool IsDaylightTime(const TIME_ZONE_INFORMATION& zone, const SYSTEMTIME& local) {
  if (zone.DaylightDate.wMonth == 0) return false;
  const SYSTEMTIME daylight_start = TransitionInYear(zone.DaylightDate, local.wYear);
  const SYSTEMTIME standard_start = TransitionInYear(zone.StandardDate, local.wYear);
  const auto t = Key(local);
  if (zone.DaylightDate.wMonth < zone.StandardDate.wMonth) {
    return Key(daylight_start) <= t && t < Key(standard_start);
  }
  return t >= Key(daylight_start) || t < Key(standard_start);
}

SYSTEMTIME LocalToUniversal(const TIME_ZONE_INFORMATION& zone, const SYSTEMTIME& local) {
  if (zone.Bias == 0 && zone.StandardBias == 0 && zone.DaylightBias == 0) return local;
  const bool daylight = zone.DaylightDate.wMonth != 0 && IsDaylightTime(zone, local);
  const int64_t bias = static_cast<int64_t>(zone.Bias) + (daylight ? zone.DaylightBias : zone.StandardBias);
  return ShiftOrKeep(local, bias);
}

}  // namespace korvale::tz
