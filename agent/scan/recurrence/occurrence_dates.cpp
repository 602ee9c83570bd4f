// Candidate dates of the four patterns.
#include "agent/scan/recurrence/occurrence_dates.h"

#include "agent/scan/recurrence/recurrence_dates.h"
#include "platform/tz/tz.h"

namespace korvale::recurrence {

std::optional<int64_t> DailyDates::Next() {
  if (interval_ == 0 || day_ < 0 || day_ > LastDayNumber()) return std::nullopt;
  const int64_t day = day_;
  day_ += interval_;
  return day;
}

std::optional<int64_t> WeekdayDates::Next() {
  if (day_mask_ == 0) return std::nullopt;
  while (day_ >= 0 && day_ <= LastDayNumber()) {
    const int64_t day = day_++;
    if ((day_mask_ >> WeekdayOfDay(day)) & 1U) return day;
  }
  return std::nullopt;
}

WeeklyDates::WeeklyDates(int64_t first_day, uint32_t interval, uint32_t day_mask)
    : first_day_(first_day),
      week_start_(first_day - WeekdayOfDay(first_day)),
      interval_(interval),
      day_mask_(day_mask & 0x7F) {}

std::optional<int64_t> WeeklyDates::Next() {
  if (interval_ == 0 || day_mask_ == 0) return std::nullopt;
  for (;;) {
    if (offset_ == 7) {
      week_start_ += int64_t{interval_} * 7;
      offset_ = 0;
    }
    if (week_start_ > LastDayNumber()) return std::nullopt;
    const int weekday = offset_++;
    const int64_t day = week_start_ + weekday;
    if (day >= first_day_ && ((day_mask_ >> weekday) & 1U) && day <= LastDayNumber()) return day;
  }
}

MonthlyDates::MonthlyDates(int64_t first_day, int64_t step_months, const RecurrenceState& state)
    : first_day_(first_day),
      step_months_(step_months),
      nth_(state.IsNthForm()),
      day_of_month_(state.day_of_month),
      day_mask_(state.day_mask & 0x7F),
      week_number_(state.week_number) {
  const std::optional<SYSTEMTIME> first = FromMinutes(first_day * kMinutesPerDay);
  month_index_ = first ? int64_t{first->wYear} * 12 + first->wMonth - 1 : 0;
  if (!first) step_months_ = 0;  // no calendar date to start from: no dates
}

std::optional<int64_t> MonthlyDates::Next() {
  if (step_months_ <= 0 || (nth_ ? day_mask_ == 0 : day_of_month_ == 0)) return std::nullopt;
  for (;;) {
    const int year = static_cast<int>(month_index_ / 12);
    const int month = static_cast<int>(month_index_ % 12) + 1;
    if (year > 30827) return std::nullopt;
    month_index_ += step_months_;
    const int day = nth_ ? NthDayInMonth(year, month, day_mask_, week_number_)
                         : PlainDayInMonth(year, month, day_of_month_);
    const std::optional<int64_t> number = day == 0 ? std::nullopt : DayNumber(year, month, day);
    // Only the first month can hold a date before the series start.
    if (number && *number >= first_day_) return number;
  }
}

}  // namespace korvale::recurrence
