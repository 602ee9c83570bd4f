// The four pattern readers: minimum length, interval and the pattern's form,
// then the common end (exception_reader.cpp).
#include "agent/scan/recurrence/pattern_reader.h"

#include <string>

#include "agent/scan/recurrence/exception_reader.h"
#include "agent/scan/recurrence/pattern_bytes.h"
#include "agent/scan/recurrence/recurrence_dates.h"
#include "platform/tz/tz.h"

namespace korvale::recurrence {
namespace {

constexpr uint64_t kPeriodOffset = 14;
constexpr uint64_t kSpecificOffset = 22;
constexpr uint64_t kSecondSpecificOffset = 26;
constexpr uint32_t kEveryWeekdayPeriod = 1;
constexpr uint32_t kMinutesPerDayU = 1440;
// A value at 26 below the first end type marks the Nth monthly/yearly form.
constexpr uint32_t kFirstEndType = 0x2021;
// Intervals beyond a century are damage, not calendars (and the exceptions of
// a series are only accepted within 36500 days of it either).
constexpr uint32_t kMaxDailyInterval = 36500;
constexpr uint32_t kMaxWeeklyInterval = 36500 / 7;
constexpr uint32_t kMaxMonthlyInterval = 1200;
constexpr uint32_t kMaxYearlyInterval = 100;
constexpr uint32_t kWeekdayBits = 0x7F;

bool Begin(const PatternInput& in, size_t min_size, RecurrenceType type, RecurrenceState& state) {
  state = RecurrenceState{};
  state.type = type;
  state.series_start = in.series_start;
  state.series_end = in.series_end;
  // Without a valid series start there is nothing to place occurrences on.
  return in.bytes.size() >= min_size && ToMinutes(in.series_start) && ToMinutes(in.series_end);
}

bool ValidInterval(uint32_t interval, uint32_t max) { return interval >= 1 && interval <= max; }

// Monthly and yearly share the form test and the field layout.
bool ReadMonthlyForm(const PatternInput& in, const PatternBytes& bytes, RecurrenceState& state) {
  const uint32_t first = bytes.U32(kSpecificOffset).value_or(0);
  const uint32_t second = bytes.U32(kSecondSpecificOffset).value_or(0);
  if (second < kFirstEndType) {
    state.day_mask = first;
    state.week_number = second;
    if (!state.IsNthForm() || (state.day_mask & kWeekdayBits) == 0) return false;
    return ReadPatternEnd(in, bytes, kSecondSpecificOffset + 4, state);
  }
  state.day_of_month = first;
  state.week_number = second;  // the end type itself: the plain form
  if (first < 1 || first > 31) return false;
  return ReadPatternEnd(in, bytes, kSecondSpecificOffset, state);
}

}  // namespace

bool ReadDailyPattern(const PatternInput& in, RecurrenceState& state) {
  if (!Begin(in, kMinDailyPatternSize, RecurrenceType::kDaily, state)) return false;
  const PatternBytes bytes(in.bytes);
  const uint32_t period = bytes.U32(kPeriodOffset).value_or(0);
  if (period == kEveryWeekdayPeriod) {
    state.interval = 0;
    state.day_mask = bytes.U32(kSpecificOffset).value_or(0);
    if ((state.day_mask & kWeekdayBits) == 0) return false;
    return ReadPatternEnd(in, bytes, kSpecificOffset + 4, state);
  }
  state.interval = period / kMinutesPerDayU;
  if (!ValidInterval(state.interval, kMaxDailyInterval)) return false;
  return ReadPatternEnd(in, bytes, kSpecificOffset, state);
}

bool ReadWeeklyPattern(const PatternInput& in, RecurrenceState& state) {
  if (!Begin(in, kMinWeeklyPatternSize, RecurrenceType::kWeekly, state)) return false;
  const PatternBytes bytes(in.bytes);
  state.interval = bytes.U32(kPeriodOffset).value_or(0);
  state.day_mask = bytes.U32(kSpecificOffset).value_or(0);
  if (!ValidInterval(state.interval, kMaxWeeklyInterval) || (state.day_mask & kWeekdayBits) == 0)
    return false;
  return ReadPatternEnd(in, bytes, kSecondSpecificOffset, state);
}

bool ReadMonthlyPattern(const PatternInput& in, RecurrenceState& state) {
  if (!Begin(in, kMinMonthlyPatternSize, RecurrenceType::kMonthly, state)) return false;
  const PatternBytes bytes(in.bytes);
  state.interval = bytes.U32(kPeriodOffset).value_or(0);
  if (!ValidInterval(state.interval, kMaxMonthlyInterval)) return false;
  return ReadMonthlyForm(in, bytes, state);
}

bool ReadYearlyPattern(const PatternInput& in, RecurrenceState& state) {
  if (!Begin(in, kMinYearlyPatternSize, RecurrenceType::kYearly, state)) return false;
  const PatternBytes bytes(in.bytes);
  state.interval = bytes.U32(kPeriodOffset).value_or(0) / 12;
  if (!ValidInterval(state.interval, kMaxYearlyInterval)) return false;
  return ReadMonthlyForm(in, bytes, state);
}

bool ReadPattern(RecurrenceType type, const PatternInput& in, RecurrenceState& state) {
  switch (type) {
    case RecurrenceType::kDaily: return ReadDailyPattern(in, state);
    case RecurrenceType::kWeekly: return ReadWeeklyPattern(in, state);
    case RecurrenceType::kMonthly: return ReadMonthlyPattern(in, state);
    case RecurrenceType::kYearly: return ReadYearlyPattern(in, state);
  }
  return false;
}

std::optional<RecurrenceType> ChooseRecurrenceType(std::optional<int32_t> row_type, std::string_view bytes) {
  if (row_type && *row_type >= 1 && *row_type <= 4) return static_cast<RecurrenceType>(*row_type);
  const std::optional<uint16_t> frequency = PatternBytes(bytes).U16(4);
  if (!frequency) return std::nullopt;
  const int type = (*frequency & 0xFF) - 9;
  if (type < 1 || type > 4) return std::nullopt;
  return static_cast<RecurrenceType>(type);
}

TIME_ZONE_INFORMATION AppointmentZone(std::optional<std::string_view> zone_struct,
                                      const TIME_ZONE_INFORMATION& mailbox_zone) {
  if (zone_struct && zone_struct->size() >= 48) {
    if (std::optional<TIME_ZONE_INFORMATION> zone = tz::TimeZoneStructFromBytes(std::string(*zone_struct))) {
      return *zone;
    }
  }
  return mailbox_zone;
}

}  // namespace korvale::recurrence
