// The common frame of the four expanders and the zone conversion of each
// occurrence.
#include "agent/scan/recurrence/expander.h"

#include <algorithm>
#include <limits>
#include <utility>
#include <vector>

#include "agent/scan/recurrence/occurrence_dates.h"
#include "agent/scan/recurrence/recurrence_dates.h"
#include "platform/tz/tz.h"

namespace korvale::recurrence {
namespace {

// Universal file time to local minutes of the zone; nullopt outside the calendar.
std::optional<int64_t> LocalMinutes(FILETIME utc, const TIME_ZONE_INFORMATION& zone) {
  if (utc / kFileTimePerDay > static_cast<FILETIME>(LastDayNumber())) return std::nullopt;
  return ToMinutes(tz::SystemTimeToTzSpecificLocalTime(zone, tz::FileTimeToSystemTime(utc)));
}

// Appointment-zone local time to mailbox-zone local time, through universal time.
SYSTEMTIME ToMailboxZone(const ExpansionFrame& frame, const SYSTEMTIME& local) {
  return tz::SystemTimeToTzSpecificLocalTime(frame.mailbox_zone,
                                             tz::LocalToUniversal(frame.appointment_zone, local));
}

// Exception records ordered by the day of the occurrence they replace.
class ExceptionIndex {
 public:
  explicit ExceptionIndex(const std::vector<ExceptionRecord>& records) : records_(records) {
    by_day_.reserve(records.size());
    for (size_t i = 0; i < records.size(); ++i) {
      if (const std::optional<int64_t> minutes = ToMinutes(records[i].original_date)) {
        by_day_.emplace_back(*minutes / kMinutesPerDay, i);
      }
    }
    // Stable, so that of two records for one day the first in pattern order wins.
    std::stable_sort(by_day_.begin(), by_day_.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
  }

  const ExceptionRecord* Find(int64_t day) const {
    const auto it = std::lower_bound(by_day_.begin(), by_day_.end(), day,
                                     [](const auto& entry, int64_t d) { return entry.first < d; });
    if (it == by_day_.end() || it->first != day) return nullptr;
    return &records_[it->second];
  }

 private:
  const std::vector<ExceptionRecord>& records_;
  std::vector<std::pair<int64_t, size_t>> by_day_;
};

void EmitSeriesOccurrence(const ExpansionFrame& frame, const SeriesValues& series, int64_t start,
                          int64_t duration, const OccurrenceSink& sink) {
  const std::optional<SYSTEMTIME> local_start = FromMinutes(start);
  const std::optional<SYSTEMTIME> local_end = FromMinutes(start + duration);
  if (!local_start || !local_end) return;
  Occurrence occurrence;
  occurrence.start = ToMailboxZone(frame, *local_start);
  occurrence.end = ToMailboxZone(frame, *local_end);
  occurrence.subject = series.subject;
  occurrence.location = series.location;
  occurrence.busy_status = series.busy_status;
  occurrence.body = series.body;
  occurrence.attendees = series.attendees;
  sink(occurrence);
}

void EmitException(const ExpansionFrame& frame, const SeriesValues& series, const ExceptionRecord& record,
                   const OccurrenceSink& sink) {
  Occurrence occurrence;
  occurrence.start = ToMailboxZone(frame, record.start);
  occurrence.end = ToMailboxZone(frame, record.end);
  occurrence.subject = record.subject ? std::string_view(*record.subject) : series.subject;
  occurrence.location = record.location ? std::string_view(*record.location) : series.location;
  occurrence.busy_status = record.busy_status.value_or(series.busy_status);
  occurrence.body = record.body ? std::string_view(*record.body) : series.body;
  occurrence.attendees = record.attendees ? std::string_view(*record.attendees) : series.attendees;
  occurrence.is_exception = true;
  sink(occurrence);
}

// Where a walk starts and what bounds it, in appointment-zone local minutes.
struct WalkLimits {
  int64_t series_start;
  int64_t duration;
  int64_t window_start;
  int64_t window_end;
  int64_t end_day;  // last day an occurrence may fall on
};

std::optional<WalkLimits> LimitsOf(const RecurrenceState& state, const ExpansionFrame& frame) {
  const std::optional<int64_t> start = ToMinutes(state.series_start);
  const std::optional<int64_t> end = ToMinutes(state.series_end);
  const std::optional<int64_t> window_start = LocalMinutes(frame.window.start, frame.appointment_zone);
  const std::optional<int64_t> window_end = LocalMinutes(frame.window.end, frame.appointment_zone);
  if (!start || !end || !window_start || !window_end) return std::nullopt;
  WalkLimits limits{*start, std::max<int64_t>(0, *end - *start), *window_start, *window_end,
                    std::numeric_limits<int64_t>::max()};
  if (state.has_end_date) {
    const std::optional<int64_t> end_date = ToMinutes(state.end_date);
    if (!end_date) return std::nullopt;
    limits.end_day = *end_date / kMinutesPerDay;
  }
  return limits;
}

template <typename Dates>
void Walk(Dates dates, const WalkLimits& limits, const RecurrenceState& state, const SeriesValues& series,
          const ExpansionFrame& frame, const OccurrenceSink& sink) {
  const ExceptionIndex exceptions(state.exceptions);
  const int64_t time_of_day = limits.series_start % kMinutesPerDay;
  uint64_t count = 0;
  while (const std::optional<int64_t> day = dates.Next()) {
    const int64_t start = *day * kMinutesPerDay + time_of_day;
    if (start >= limits.window_end) break;
    ++count;
    if (state.occurrence_limit != 0 && count > state.occurrence_limit) break;
    if (*day > limits.end_day) break;
    if (start < limits.window_start) continue;
    if (const ExceptionRecord* record = exceptions.Find(*day)) {
      if (record->modified) EmitException(frame, series, *record, sink);
      continue;
    }
    EmitSeriesOccurrence(frame, series, start, limits.duration, sink);
  }
}

}  // namespace

void ExpandDaily(const RecurrenceState& state, const SeriesValues& series, const ExpansionFrame& frame,
                 const OccurrenceSink& sink) {
  const std::optional<WalkLimits> limits = LimitsOf(state, frame);
  if (!limits) return;
  const int64_t first_day = limits->series_start / kMinutesPerDay;
  if (state.IsEveryWeekdayForm()) {
    Walk(WeekdayDates(first_day, state.day_mask), *limits, state, series, frame, sink);
  } else {
    Walk(DailyDates(first_day, state.interval), *limits, state, series, frame, sink);
  }
}

void ExpandWeekly(const RecurrenceState& state, const SeriesValues& series, const ExpansionFrame& frame,
                  const OccurrenceSink& sink) {
  const std::optional<WalkLimits> limits = LimitsOf(state, frame);
  if (!limits) return;
  Walk(WeeklyDates(limits->series_start / kMinutesPerDay, state.interval, state.day_mask), *limits, state,
       series, frame, sink);
}

void ExpandMonthly(const RecurrenceState& state, const SeriesValues& series, const ExpansionFrame& frame,
                   const OccurrenceSink& sink) {
  const std::optional<WalkLimits> limits = LimitsOf(state, frame);
  if (!limits) return;
  Walk(MonthlyDates(limits->series_start / kMinutesPerDay, state.interval, state), *limits, state, series,
       frame, sink);
}

void ExpandYearly(const RecurrenceState& state, const SeriesValues& series, const ExpansionFrame& frame,
                  const OccurrenceSink& sink) {
  const std::optional<WalkLimits> limits = LimitsOf(state, frame);
  if (!limits) return;
  Walk(MonthlyDates(limits->series_start / kMinutesPerDay, int64_t{state.interval} * 12, state), *limits,
       state, series, frame, sink);
}

void Expand(RecurrenceType type, const RecurrenceState& state, const SeriesValues& series,
            const ExpansionFrame& frame, const OccurrenceSink& sink) {
  switch (type) {
    case RecurrenceType::kDaily: return ExpandDaily(state, series, frame, sink);
    case RecurrenceType::kWeekly: return ExpandWeekly(state, series, frame, sink);
    case RecurrenceType::kMonthly: return ExpandMonthly(state, series, frame, sink);
    case RecurrenceType::kYearly: return ExpandYearly(state, series, frame, sink);
  }
}

}  // namespace korvale::recurrence
