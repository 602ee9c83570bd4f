// Date arithmetic of the recurrence walk: local date-times as whole minutes
// since 1601-01-01 00:00 (the unit of the pattern bytes), days as minutes / 1440,
// and the day-of-month rules of the monthly and yearly forms.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/tz/tz_types.h"

namespace korvale::recurrence {

inline constexpr int64_t kMinutesPerDay = 1440;
// The end date Outlook writes for a series that never ends (4500-12-31 23:59);
// any date of the pattern beyond it is damage.
inline constexpr uint32_t kNeverEndDate = 0x5AE980DF;

// Whole minutes of a valid SYSTEMTIME (seconds dropped); nullopt when invalid.
std::optional<int64_t> ToMinutes(const SYSTEMTIME& time);
// nullopt outside the SYSTEMTIME range (years 1601..30827) and below 0.
std::optional<SYSTEMTIME> FromMinutes(int64_t minutes);

// The last day number a SYSTEMTIME can hold (30827-12-31).
int64_t LastDayNumber();

// Day number (days since 1601-01-01) of a date; nullopt when the date is invalid.
std::optional<int64_t> DayNumber(int year, int month, int day);
// 0 = Sunday; 1601-01-01 was a Monday.
inline int WeekdayOfDay(int64_t day) { return static_cast<int>((day + 1) % 7); }

// The day of month for a plain monthly/yearly series in a given month: the
// series' day, or the month's last day when the month is shorter (the 31st
// falls on April 30, February 29 on February 28 of a common year).
int PlainDayInMonth(int year, int month, uint32_t day_of_month);

// The `week`-th day (1..4, 5 = the last) of the month whose weekday bit is set
// in `day_mask` (one weekday, Monday-Friday, the weekend days, or every day);
// 0 when there is none.
int NthDayInMonth(int year, int month, uint32_t day_mask, uint32_t week);

}  // namespace korvale::recurrence
