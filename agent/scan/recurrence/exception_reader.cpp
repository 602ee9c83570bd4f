// End of a pattern: end type, end date, deleted and modified lists and the
// exception records.
//
// Deleted dates are the original dates of every changed occurrence; modified
// dates are the new dates (a moved occurrence can land before its original).
// An exception record is therefore matched to its deleted entry through the
// original start date it carries, not through the modified date.
#include "agent/scan/recurrence/exception_reader.h"

#include <string>

#include "agent/scan/recurrence/pattern_text.h"
#include "agent/scan/recurrence/recurrence_dates.h"
#include "common/utf8.h"
#include "platform/tz/tz.h"

namespace korvale::recurrence {
namespace {

constexpr uint32_t kEndByDate = 0x21;
constexpr uint32_t kEndAfterCount = 0x22;
// Start date, end date, two version fields, two time offsets, exception count.
constexpr uint64_t kBlockBeforeRecords = 26;
constexpr size_t kMaxTextChars = 511;
constexpr int kMaxSubjectLength = 250;
constexpr int kMaxLocationLength = 50;
constexpr int32_t kMaxBusyStatus = 10;
constexpr int64_t kRecordRangeMinutes = 36500 * kMinutesPerDay;

std::string Quote(const PatternInput& in, std::string_view text, int max_len) {
  if (in.quote) return in.quote(text, max_len);
  return std::string(Utf8Prefix(text, static_cast<size_t>(max_len)));
}

// A pattern date (minutes since 1601) as local midnight of its day.
std::optional<SYSTEMTIME> DateOf(uint32_t minutes) {
  if (minutes > kNeverEndDate) return std::nullopt;
  return FromMinutes(minutes - minutes % kMinutesPerDay);
}

// The clip end is local midnight of the last day as the organiser's machine
// saw it, stored in universal time. Converted with the series' zone it can be
// off by the daylight bias (or more, when the machine was elsewhere), so it is
// rounded to the nearest midnight rather than cut to its date.
std::optional<SYSTEMTIME> EndDateFromClipEnd(const PatternInput& in) {
  if (!in.clip_end || !tz::SystemTimeToFileTime(*in.clip_end)) return std::nullopt;
  const SYSTEMTIME local = tz::SystemTimeToTzSpecificLocalTime(in.appointment_zone, *in.clip_end);
  const std::optional<int64_t> minutes = ToMinutes(local);
  if (!minutes) return std::nullopt;
  const int64_t day = (*minutes + kMinutesPerDay / 2) / kMinutesPerDay;
  return FromMinutes(day * kMinutesPerDay);
}

// Two 16-bit lengths (the second is the byte count) and the 8-bit text.
std::string ReadRecordText(PatternCursor& cursor) {
  cursor.U16();  // length + 1, not used
  const uint16_t byte_count = cursor.U16();
  return PatternTextToUtf8(cursor.Text(byte_count), kMaxTextChars);
}

bool SameDay(const SYSTEMTIME& a, const SYSTEMTIME& b) {
  return a.wYear == b.wYear && a.wMonth == b.wMonth && a.wDay == b.wDay;
}

// One exception record; false when it is invalid (a field outside the bytes,
// a busy status above 10, a date out of range, or no deleted entry to replace).
bool ReadRecord(const PatternInput& in, PatternCursor& cursor, int64_t series_start, int64_t series_end,
                RecurrenceState& state) {
  const uint32_t start = cursor.U32();
  const uint32_t end = cursor.U32();
  const uint32_t original = cursor.U32();
  const uint16_t flags = cursor.U16();

  std::optional<std::string> subject;
  std::optional<std::string> location;
  std::optional<int32_t> busy_status;
  bool embedded = false;
  if (flags & override_flag::kSubject) {
    std::string text = ReadRecordText(cursor);
    if (!in.minimum_security) subject = Quote(in, text, kMaxSubjectLength);
  }
  if (flags & override_flag::kMeetingType) {
    cursor.U32();
    embedded = true;
  }
  if (flags & override_flag::kReminderDelta) cursor.U32();
  if (flags & override_flag::kReminderSet) cursor.U32();
  if (flags & override_flag::kLocation) location = Quote(in, ReadRecordText(cursor), kMaxLocationLength);
  if (flags & override_flag::kBusyStatus) {
    const uint32_t value = cursor.U32();
    if (value > static_cast<uint32_t>(kMaxBusyStatus)) return false;
    busy_status = static_cast<int32_t>(value);
  }
  if (flags & override_flag::kAttachment) cursor.U32();
  if (flags & override_flag::kSubType) cursor.U32();
  if (flags & override_flag::kAppointmentColor) cursor.U32();
  if (flags & override_flag::kExceptionalBody) embedded = true;
  if (flags & 0x0400) cursor.U32();
  if (flags & 0x0800) cursor.U32();
  if (!cursor.ok()) return false;

  if (start > kNeverEndDate || end > kNeverEndDate || end < start) return false;
  if (static_cast<int64_t>(start) < series_start - kRecordRangeMinutes ||
      static_cast<int64_t>(end) > series_end + kRecordRangeMinutes) {
    return false;
  }
  const std::optional<SYSTEMTIME> start_time = FromMinutes(start);
  const std::optional<SYSTEMTIME> end_time = FromMinutes(end);
  const std::optional<SYSTEMTIME> original_date = DateOf(original);
  if (!start_time || !end_time || !original_date) return false;

  for (ExceptionRecord& record : state.exceptions) {
    if (record.modified || !SameDay(record.original_date, *original_date)) continue;
    record.modified = true;
    record.start = *start_time;
    record.end = *end_time;
    record.override_flags = flags;
    record.subject = std::move(subject);
    record.location = std::move(location);
    record.busy_status = busy_status;
    record.has_embedded_item = embedded;
    return true;
  }
  return false;  // a change of an occurrence the pattern never deleted
}

// The lists at `offset` (the first deleted date) and the records after them.
bool ReadExceptions(const PatternInput& in, const PatternBytes& bytes, uint64_t offset,
                    uint32_t deleted_count, RecurrenceState& state) {
  PatternCursor cursor(bytes, offset);
  // The count decides the allocation, so it is checked against the bytes first.
  if (!bytes.Holds(offset, uint64_t{deleted_count} * 4)) return false;
  state.deleted_days.reserve(deleted_count);
  state.exceptions.reserve(deleted_count);
  for (uint32_t i = 0; i < deleted_count; ++i) {
    const std::optional<SYSTEMTIME> date = DateOf(cursor.U32());
    if (!date) return false;
    state.deleted_days.push_back(*date);
    ExceptionRecord record;
    record.original_date = *date;
    state.exceptions.push_back(record);
  }
  const uint32_t modified_count = cursor.U32();
  // Every modified occurrence is also a deleted one.
  if (!cursor.ok() || modified_count > deleted_count) return false;
  for (uint32_t i = 0; i < modified_count; ++i) {
    if (cursor.U32() > kNeverEndDate) return false;
  }
  if (!cursor.ok()) return false;
  if (modified_count == 0) return true;

  cursor.Skip(kBlockBeforeRecords);
  const int64_t series_start = ToMinutes(state.series_start).value_or(0);
  const int64_t series_end = ToMinutes(state.series_end).value_or(0);
  for (uint32_t i = 0; i < modified_count; ++i) {
    if (!ReadRecord(in, cursor, series_start, series_end, state)) return false;
  }
  return true;
}

}  // namespace

bool ReadPatternEnd(const PatternInput& in, const PatternBytes& bytes, uint64_t end_type_offset,
                    RecurrenceState& state) {
  const std::optional<uint32_t> end_type = bytes.U32(end_type_offset);
  const std::optional<uint32_t> count = bytes.U32(end_type_offset + 4);
  if (!end_type || !count) return false;
  const uint32_t kind = *end_type & 0xFF;
  if (kind == kEndAfterCount) {
    if (*count == 0) return false;  // would read as "no limit"
    state.occurrence_limit = *count;
  }

  const uint64_t deleted_offset = end_type_offset + 12;
  const std::optional<uint32_t> deleted_count = bytes.U32(deleted_offset);
  // Where the end date lies, when the lists and both dates fit.
  std::optional<uint32_t> pattern_end_date;
  if (deleted_count) {
    const uint64_t modified_offset = deleted_offset + 4 + uint64_t{*deleted_count} * 4;
    if (const std::optional<uint32_t> modified_count = bytes.U32(modified_offset)) {
      pattern_end_date = bytes.U32(modified_offset + 4 + uint64_t{*modified_count} * 4 + 4);
    }
  }

  if (kind == kEndByDate) {
    const std::optional<SYSTEMTIME> end_date =
        pattern_end_date ? DateOf(*pattern_end_date) : EndDateFromClipEnd(in);
    if (!end_date) return false;
    state.has_end_date = true;
    state.end_date = *end_date;
  }

  if (!deleted_count || *deleted_count == 0) return true;
  return ReadExceptions(in, bytes, deleted_offset + 4, *deleted_count, state);
}

}  // namespace korvale::recurrence
