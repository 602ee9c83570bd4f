// The recurrence of one series as read from its pattern bytes, and one
// occurrence as the expanders hand it on.
//
// Time frames: every date-time in RecurrenceState is a local time of the
// appointment's own zone. The pattern bytes store their dates and the
// exception start/end times in that frame already (a Tokyo series moved to
// 12:00 stores 12:00, not 03:00), so nothing read from the bytes is converted;
// only the series start/end (universal in the row) and the clip end are. An
// Occurrence is in the mailbox's zone.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/tz/tz_types.h"

namespace korvale::recurrence {

// Values as the row's recurrence type (position 11) and the frequency store them.
enum class RecurrenceType : int { kDaily = 1, kWeekly = 2, kMonthly = 3, kYearly = 4 };

const char* ToString(RecurrenceType type);  // "daily", "weekly", "monthly", "yearly"

// Override flags of an exception record (which fields follow in the bytes).
namespace override_flag {
inline constexpr uint16_t kSubject = 0x0001;
inline constexpr uint16_t kMeetingType = 0x0002;
inline constexpr uint16_t kReminderDelta = 0x0004;
inline constexpr uint16_t kReminderSet = 0x0008;
inline constexpr uint16_t kLocation = 0x0010;
inline constexpr uint16_t kBusyStatus = 0x0020;
inline constexpr uint16_t kAttachment = 0x0040;
inline constexpr uint16_t kSubType = 0x0080;
inline constexpr uint16_t kAppointmentColor = 0x0100;
inline constexpr uint16_t kExceptionalBody = 0x0200;
}  // namespace override_flag

// One deleted or modified occurrence. A deleted one has only original_date;
// a modified one also has start/end and whatever its override flags carried.
// Fields without a value fall back to the series' own when expanded.
struct ExceptionRecord {
  SYSTEMTIME original_date;  // local date (00:00) of the occurrence it replaces
  bool modified = false;     // false: the occurrence is deleted
  SYSTEMTIME start;          // local, appointment zone
  SYSTEMTIME end;
  uint16_t override_flags = 0;
  std::optional<std::string> subject;   // already through QuoteForSql
  std::optional<std::string> location;  // already through QuoteForSql
  std::optional<int32_t> busy_status;   // 0..10
  // Flags 0x0002 or 0x0200: body and attendees live in the exception's
  // embedded item, which only the store side can open; it fills the two
  // fields below (attendees through QuoteForSql, maximum 1024) or leaves
  // them empty, and then the series' values stand.
  bool has_embedded_item = false;
  std::optional<std::string> body;
  std::optional<std::string> attendees;
};

// Recurrence of one series. Cleared and refilled for each series.
struct RecurrenceState {
  RecurrenceType type = RecurrenceType::kDaily;
  // Days (daily), weeks (weekly), months (monthly), years (yearly); 0 marks
  // the daily every-weekday form.
  uint32_t interval = 0;
  uint32_t day_mask = 0;      // bit 0 Sunday ... bit 6 Saturday
  uint32_t day_of_month = 0;  // 1..31, plain monthly and yearly forms
  // 1..4, or 5 for the last: the Nth forms; 0x2021 or more: the plain form.
  uint32_t week_number = 0;
  uint32_t occurrence_limit = 0;  // 0 = none
  bool has_end_date = false;
  SYSTEMTIME end_date;  // local date of the last possible occurrence
  SYSTEMTIME series_start;
  SYSTEMTIME series_end;
  std::vector<SYSTEMTIME> deleted_days;     // pattern order
  std::vector<ExceptionRecord> exceptions;  // one per deleted day, pattern order

  bool IsNthForm() const { return week_number >= 1 && week_number <= 5; }
  bool IsEveryWeekdayForm() const { return type == RecurrenceType::kDaily && interval == 0; }
};

// Item values that every occurrence of a series shares unless an exception
// overrides them. Texts are prepared by the caller (quoted, privacy applied).
struct SeriesValues {
  std::string subject;
  std::string location;
  int32_t busy_status = 2;
  std::string body;
  std::string attendees;
};

// One occurrence, in the mailbox's zone. The views stay valid for the
// duration of the callback only.
struct Occurrence {
  SYSTEMTIME start;
  SYSTEMTIME end;
  std::string_view subject;
  std::string_view location;
  int32_t busy_status = 2;
  std::string_view body;
  std::string_view attendees;
  bool is_exception = false;  // values come from a modified occurrence
};

}  // namespace korvale::recurrence
