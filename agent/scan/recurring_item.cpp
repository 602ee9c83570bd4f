// One recurring series: pattern bytes, pattern reader, exception items and
// expansion.
#include "agent/scan/recurring_item.h"

#include "agent/scan/exception_items.h"
#include "agent/scan/recurrence/expander.h"
#include "agent/scan/recurrence/pattern_reader.h"
#include "agent/scan/recurrence/recurrence_messages.h"
#include "agent/scan/row_writer.h"
#include "platform/tz/tz.h"

namespace korvale {

using namespace mapi;

namespace {

constexpr int kLocationMax = 50;

void Warn(AgentLog& log, const std::string& text) {
  log.LogEvent(EventType::kWarning, event_id::kGeneral, text);
}

// Whether the row's pattern value cannot be taken as it is: long enough to be
// cut, or withheld by the table because of its size.
bool NeedsStream(const ItemRow& row) {
  if (const SBinary* bytes = row.Binary(meeting_column::kRecurrencePattern)) {
    return bytes->size() >= kTablePatternLimit;
  }
  // A table withholds a value too big for it (MAPI_E_NOT_ENOUGH_MEMORY)
  // rather than reporting it missing.
  const HRESULT error = row.ErrorAt(meeting_column::kRecurrencePattern);
  return FAILED(error) && error != MAPI_E_NOT_FOUND;
}

std::optional<std::string_view> Subject(const PreparedItem& item) {
  if (!item.raw_subject) return std::nullopt;
  return std::string_view(*item.raw_subject);
}

}  // namespace

HRESULT ExpandRecurringItem(AppointmentReaderContext& ctx, const MailboxRowValues& mailbox,
                            const ItemRow& row, const PreparedItem& item, OpenedItem& opened) {
  const Dialect dialect = ctx.db.dialect();
  const std::string mailbox_name = Unescaped(mailbox.name);

  std::string bytes;
  if (NeedsStream(row)) {
    PatternStreamRead read = ReadPatternStream(opened, ctx.tags.Calendar(calendar_prop::kRecurrencePattern));
    if (FAILED(read.hr)) {
      Warn(ctx.log, read.failure_text);
      return read.hr;
    }
    bytes = std::move(read.bytes);
  } else if (const SBinary* value = row.Binary(meeting_column::kRecurrencePattern)) {
    bytes.assign(value->begin(), value->end());
  }
  if (bytes.empty()) {
    Warn(ctx.log, recurrence::NoRecurrenceText(Subject(item), mailbox_name));
    return S_OK;
  }

  const std::optional<recurrence::RecurrenceType> type =
      recurrence::ChooseRecurrenceType(row.Long(meeting_column::kRecurrenceType), bytes);
  if (!type) {
    Warn(ctx.log, recurrence::NoRecurrenceText(Subject(item), mailbox_name));
    return S_OK;
  }

  recurrence::PatternInput input;
  input.bytes = bytes;
  input.series_start = item.row.start;
  input.series_end = item.row.end;
  if (const std::optional<FILETIME> clip_end = row.Time(meeting_column::kClipEnd)) {
    input.clip_end = tz::FileTimeToSystemTime(*clip_end);
  }
  input.appointment_zone = item.zone;
  input.minimum_security = mailbox.minimum_security != 0 || item.private_item;
  // Exception subjects are escaped like the series' subject; locations stay
  // as they are, since the row writer trims, escapes and cuts every location.
  input.quote = [dialect](std::string_view text, int max_len) {
    return max_len == kLocationMax ? std::string(text) : QuoteForSql(text, max_len, dialect);
  };
  recurrence::RecurrenceState state;
  if (!recurrence::ReadPattern(*type, input, state)) {
    Warn(ctx.log, recurrence::PatternUnreadableText(*type, Subject(item), mailbox_name));
    return S_OK;
  }

  ReadExceptionItems(opened, ExceptionItemContext{ctx.log, dialect, item.zone, item.private_item},
                     state.exceptions);

  recurrence::SeriesValues series;
  series.subject = item.row.subject;
  series.location = item.row.location;
  series.busy_status = static_cast<int32_t>(item.row.status);
  series.body = item.extra.body;
  series.attendees = item.row.attendees;
  const recurrence::ExpansionFrame frame{
      {ctx.window_start_utc, ctx.window_end_utc}, item.zone, ctx.mailbox_zone};

  try {
    recurrence::Expand(*type, state, series, frame, [&](const recurrence::Occurrence& occurrence) {
      MeetingRow occurrence_row = item.row;
      occurrence_row.start = occurrence.start;
      occurrence_row.end = occurrence.end;
      occurrence_row.subject = std::string(occurrence.subject);
      occurrence_row.location = std::string(occurrence.location);
      occurrence_row.status = static_cast<uint32_t>(occurrence.busy_status);
      occurrence_row.attendees = std::string(occurrence.attendees);
      occurrence_row.extra_values =
          EscapeApptText(ctx.writer.extra_columns, item.extra.ForOccurrence(occurrence.body), dialect);
      CheckAndAddMeeting(ctx.writer, std::move(occurrence_row));
    });
  } catch (...) {
    Warn(ctx.log, recurrence::ExpansionErrorText(*type, mailbox_name));
  }
  return S_OK;
}

}  // namespace korvale
