// Date arithmetic of the recurrence walk, on top of the platform's calendar.
#include "agent/scan/recurrence/recurrence_dates.h"

#include <algorithm>

#include "platform/tz/tz.h"

namespace korvale::recurrence {

std::optional<int64_t> ToMinutes(const SYSTEMTIME& time) {
  const std::optional<FILETIME> ft = tz::SystemTimeToFileTime(time);
  if (!ft) return std::nullopt;
  return static_cast<int64_t>(*ft / kFileTimePerMinute);
}

std::optional<SYSTEMTIME> FromMinutes(int64_t minutes) {
  if (minutes < 0 || minutes / kMinutesPerDay > LastDayNumber()) return std::nullopt;
  return tz::FileTimeToSystemTime(static_cast<FILETIME>(minutes) * kFileTimePerMinute);
}

int64_t LastDayNumber() {
  static const int64_t kLast = *DayNumber(30827, 12, 31);
  return kLast;
}

std::optional<int64_t> DayNumber(int year, int month, int day) {
  if (year < 1601 || year > 30827) return std::nullopt;
  SYSTEMTIME date;
  date.wYear = static_cast<uint16_t>(year);
  date.wMonth = static_cast<uint16_t>(month);
  date.wDay = static_cast<uint16_t>(day);
  const std::optional<FILETIME> ft = tz::SystemTimeToFileTime(date);
  if (!ft) return std::nullopt;
  return static_cast<int64_t>(*ft / kFileTimePerDay);
}

int PlainDayInMonth(int year, int month, uint32_t day_of_month) {
  const int last = tz::DaysInMonth(year, month);
  return static_cast<int>(std::min<uint32_t>(day_of_month, static_cast<uint32_t>(last)));
}

int NthDayInMonth(int year, int month, uint32_t day_mask, uint32_t week) {
  const int days = tz::DaysInMonth(year, month);
  if (days == 0 || week < 1 || week > 5) return 0;
  const int first_weekday = tz::DayOfWeek(year, month, 1);
  auto matches = [&](int day) { return (day_mask >> ((first_weekday + day - 1) % 7)) & 1U; };
  if (week == 5) {
    for (int day = days; day >= 1; --day) {
      if (matches(day)) return day;
    }
    return 0;
  }
  uint32_t seen = 0;
  for (int day = 1; day <= days; ++day) {
    if (matches(day) && ++seen == week) return day;
  }
  return 0;
}

}  // namespace korvale::recurrence
