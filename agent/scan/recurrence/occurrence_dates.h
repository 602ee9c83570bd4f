// Candidate dates of each pattern, in ascending order: the date steps of the
// expanders. Each Next() gives the next day (days since 1601-01-01) on which
// the pattern occurs, never before the series' first day, and nullopt once
// the calendar ends or the state cannot produce another date (an interval of
// 0 or an empty day mask), so a walk over them always ends.
#pragma once

#include <cstdint>
#include <optional>

#include "agent/scan/recurrence/recurrence_state.h"

namespace korvale::recurrence {

// Every interval days.
class DailyDates {
 public:
  DailyDates(int64_t first_day, uint32_t interval) : day_(first_day), interval_(interval) {}
  std::optional<int64_t> Next();

 private:
  int64_t day_;
  uint32_t interval_;
};

// Every day whose weekday is in the mask (the every-weekday daily form).
class WeekdayDates {
 public:
  WeekdayDates(int64_t first_day, uint32_t day_mask) : day_(first_day), day_mask_(day_mask & 0x7F) {}
  std::optional<int64_t> Next();

 private:
  int64_t day_;
  uint32_t day_mask_;
};

// Weeks from Sunday to Saturday, every interval weeks, the mask's days in each.
class WeeklyDates {
 public:
  WeeklyDates(int64_t first_day, uint32_t interval, uint32_t day_mask);
  std::optional<int64_t> Next();

 private:
  int64_t first_day_;
  int64_t week_start_;
  int offset_ = 0;
  uint32_t interval_;
  uint32_t day_mask_;
};

// One date in every step-th month from the first day's month: the day of
// month (plain form) or the Nth matching day (Nth form).
class MonthlyDates {
 public:
  MonthlyDates(int64_t first_day, int64_t step_months, const RecurrenceState& state);
  std::optional<int64_t> Next();

 private:
  int64_t first_day_;
  int64_t month_index_;  // year * 12 + month - 1
  int64_t step_months_;
  bool nth_;
  uint32_t day_of_month_;
  uint32_t day_mask_;
  uint32_t week_number_;
};

}  // namespace korvale::recurrence
