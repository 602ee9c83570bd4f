// The four pattern readers: the recurrence property of a series (the
// AppointmentRecurrencePattern of [MS-OXOCAL]) read into a RecurrenceState.
//
// Each reader returns true (1) when the pattern and its exceptions were read
// and false (0) when the bytes are too short, inconsistent or nonsensical;
// the caller then reports PatternUnreadableText and skips the series. No
// reader looks past the bytes it was given, and every accepted state can be
// expanded in bounded time (intervals of 0 and empty day masks are refused).
// Trailing bytes after a valid pattern are ignored, as real stores carry them.
//
//   PatternInput in{bytes, start_local, end_local, clip_end_utc, zone, min_sec, quote};
//   RecurrenceState state;
//   if (!ReadPattern(RecurrenceType::kWeekly, in, state)) { report; skip; }
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "agent/scan/recurrence/recurrence_state.h"
#include "platform/tz/tz_types.h"

namespace korvale::recurrence {

// QuoteForSql of the database's dialect: (text, maximum characters) -> text.
// An empty function only cuts to the maximum.
using QuoteFunction = std::function<std::string(std::string_view text, int max_len)>;

struct PatternInput {
  std::string_view bytes;  // the whole property value
  // The item's start and end (positions 1 and 2) converted to local time with
  // the appointment zone; they become the series start and end.
  SYSTEMTIME series_start;
  SYSTEMTIME series_end;
  // The clip end (position 13) in universal time, when the row holds one. A
  // series ending by date whose bytes stop before their end date takes its
  // end date from here.
  std::optional<SYSTEMTIME> clip_end;
  TIME_ZONE_INFORMATION appointment_zone;
  // Set for a minimum-security mailbox and for a private item: exception
  // subjects are then not taken over (the series' subject stands).
  bool minimum_security = false;
  QuoteFunction quote;
};

// Shortest pattern each reader accepts.
inline constexpr size_t kMinDailyPatternSize = 38;
inline constexpr size_t kMinWeeklyPatternSize = 42;
inline constexpr size_t kMinMonthlyPatternSize = 42;
inline constexpr size_t kMinYearlyPatternSize = 42;

// Each clears `state` first; on false its contents are unspecified.
[[nodiscard]] bool ReadDailyPattern(const PatternInput& in, RecurrenceState& state);
[[nodiscard]] bool ReadWeeklyPattern(const PatternInput& in, RecurrenceState& state);
[[nodiscard]] bool ReadMonthlyPattern(const PatternInput& in, RecurrenceState& state);
[[nodiscard]] bool ReadYearlyPattern(const PatternInput& in, RecurrenceState& state);
[[nodiscard]] bool ReadPattern(RecurrenceType type, const PatternInput& in, RecurrenceState& state);

// The reader to use: the row's recurrence type (position 11) when it is 1..4,
// else the low byte of the pattern's frequency minus 9; nullopt when neither
// names a type.
std::optional<RecurrenceType> ChooseRecurrenceType(std::optional<int32_t> row_type, std::string_view bytes);

// The series' zone: the 48-byte structure of position 14 when it holds at
// least 48 bytes, else the mailbox's zone.
TIME_ZONE_INFORMATION AppointmentZone(std::optional<std::string_view> zone_struct,
                                      const TIME_ZONE_INFORMATION& mailbox_zone);

}  // namespace korvale::recurrence
