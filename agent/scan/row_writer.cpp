// CheckAndAddMeeting: preparation of the values, the split into day rows and,
// per row, the rotation-mode insert or the shared-table lookup, compare and write.
#include "agent/scan/row_writer.h"

#include <chrono>
#include <exception>
#include <new>
#include <optional>
#include <stdexcept>

#include "agent/database/db_report.h"
#include "agent/scan/day_segments.h"
#include "agent/scan/mailbox_time_zone.h"
#include "agent/scan/row_statements.h"
#include "common/agent_log.h"
#include "common/text.h"
#include "platform/tz/tz.h"

namespace korvale {
namespace {

constexpr std::string_view kApptTextMarker = "@ApptText@";

// The values arrive escaped for the statement; the database holds them with
// each doubled apostrophe single again, and that is what a stored row is compared with.
std::string AsStored(std::string_view escaped) {
  std::string out;
  out.reserve(escaped.size());
  for (size_t i = 0; i < escaped.size(); ++i) {
    out.push_back(escaped[i]);
    if (escaped[i] == '\'' && i + 1 < escaped.size() && escaped[i + 1] == '\'') ++i;
  }
  return out;
}

bool SameText(const SqlRow& stored, std::string_view column, std::string_view value) {
  // A NULL column reads as empty text, as the recordset hands it over.
  return stored.Text(column).value_or(std::string()) == AsStored(value);
}

// Compares in the fixed order and stops at the first difference. Reserved3,
// ACLw, custom fields and extra columns take no part.
bool StoredRowMatches(const SqlRow& stored, const MeetingRow& row, bool contact_company) {
  if (!SameText(stored, "Title", row.subject)) return false;
  const std::optional<int64_t> status = stored.Int("Status");
  if (!status || static_cast<int16_t>(*status) != static_cast<int16_t>(row.status)) return false;
  if (!SameText(stored, "Location", row.location)) return false;
  if (!SameText(stored, "Category", row.category)) return false;
  if (!SameText(stored, "DL", row.dl)) return false;
  if (!SameText(stored, "Organizer", row.organizer)) return false;
  if (!SameText(stored, "Attendees", row.attendees)) return false;
  if (!SameText(stored, "Datasource", row.datasource)) return false;
  // The column is read in single precision and compared with the double as it is.
  const std::optional<double> difference = stored.Double("TimeDifference");
  if (!difference || static_cast<double>(static_cast<float>(*difference)) != row.time_difference)
    return false;
  if (!SameText(stored, "Alias", row.alias)) return false;
  if (!SameText(stored, "Department", row.department)) return false;
  if (!SameText(stored, "ACL", row.acl)) return false;
  if (!SameText(stored, "Phone", row.phone)) return false;
  if (!SameText(stored, "KRVBookingNumber", row.booking_number)) return false;
  if (contact_company && !SameText(stored, "ContactCompanyName", row.contact_company)) return false;
  return true;
}

class RowWriter {
 public:
  RowWriter(RowWriterContext& ctx, const MeetingRow& row)
      : ctx_(ctx),
        row_(row),
        statements_{ctx.db.dialect(), ctx.settings, ctx.fill_table, ctx.instance_name, ctx.extra_columns} {}

  // Writes one row; `event_id` tells a one-day row (119) from a day segment (120).
  void Write(const SYSTEMTIME& start, const SYSTEMTIME& end, uint32_t event_id) {
    const RowLiterals at{FormatDateLiteral(ctx_.settings.date_literal_format, start),
                         FormatDateLiteral(ctx_.settings.date_literal_format, end)};
    if (ctx_.settings.table_mode == TableMode::kRotation) {
      Run(InsertStatement(statements_, row_, at, false), event_id);
      return;
    }
    const std::string lookup = LookupStatement(statements_, row_, at);
    SqlResult<std::optional<SqlRow>> found = ctx_.db.QueryFirst(lookup);
    if (!found.ok()) {
      Report(found.error(), lookup, event_id);
      return;
    }
    if (!found->has_value()) {
      Run(InsertStatement(statements_, row_, at, true), event_id);
    } else if (StoredRowMatches(**found, row_, ctx_.settings.get_contact_company != 0)) {
      Run(ConfirmStatement(statements_, row_, at), event_id);
    } else {
      Run(FullUpdateStatement(statements_, row_, at), event_id);
    }
  }

 private:
  void Run(const std::string& sql, uint32_t event_id) {
    const SqlResult<SqlDone> done = ctx_.db.Execute(sql);
    if (!done.ok()) Report(done.error(), sql, event_id);
  }

  void Report(const SqlError& error, const std::string& sql, uint32_t event_id) {
    LogTableEvent(ctx_.db, event_id, ctx_.fill_table, WithStatement(ErrorText(error), sql));
  }

  RowWriterContext& ctx_;
  const MeetingRow& row_;
  RowStatementContext statements_;
};

// The GlobalTimeDiff correction of one date-time: whole hours when it lies in the [DST] period.
SYSTEMTIME CorrectForDst(RowWriterContext& ctx, const SYSTEMTIME& time, const std::string& mailbox) {
  std::optional<bool> inside;
  try {
    inside = InDstPeriod(ctx.settings, time);
  } catch (const std::exception&) {
    inside.reset();
  }
  if (!inside) {
    ctx.db.log().LogEvent(EventType::kWarning, event_id::kGeneral,
                          "General Error determining DST of an appointment in mailbox " + mailbox + ".");
    return time;
  }
  if (!*inside) return time;
  return tz::AddMinutes(time, static_cast<int64_t>(ctx.settings.global_time_diff) * 60).value_or(time);
}

void WriteMeeting(RowWriterContext& ctx, MeetingRow& row) {
  const AgentSettings& settings = ctx.settings;
  const Dialect dialect = ctx.db.dialect();
  EraseAll(row.extra_values, kApptTextMarker);

  if (!tz::SystemTimeToFileTime(row.start) || !tz::SystemTimeToFileTime(row.end) ||
      !tz::SystemTimeToFileTime(ctx.window_start) || !tz::SystemTimeToFileTime(ctx.window_end)) {
    throw std::invalid_argument("not a valid date-time");
  }
  row.end = EndBeforeMidnight(row.end);
  // The correction is applied here once, to start and end, for single-day and
  // multi-day appointments alike; day rows are cut from the corrected times
  // and get no second correction, so both kinds of appointment move by the
  // same hours.
  if (settings.global_time_diff != 0) {
    row.start = CorrectForDst(ctx, row.start, row.name);
    row.end = CorrectForDst(ctx, row.end, row.name);
  }

  if (row.minimum_security != 0) {
    row.location.clear();
    if (settings.no_organizer_for_min_security_users != 0) row.organizer.clear();
    if (settings.no_attendees_for_min_security_users != 0) row.attendees.clear();
  } else {
    row.location = QuoteForSql(Trim(row.location), 50, dialect);
  }
  if (settings.get_contact_company != 0) row.contact_company = QuoteForSql(row.contact_company, 250, dialect);

  const bool skip_empty = settings.skip_meetings_with_duration0 != 0;
  RowWriter writer(ctx, row);
  if (IsSingleDay(row.start, row.end)) {
    if (skip_empty && row.start == row.end) return;
    writer.Write(row.start, row.end, event_id::kFillTableStatement);
    return;
  }
  for (const TimeSpan& day : DaySegments(row.start, row.end, ctx.window_start, ctx.window_end)) {
    if (skip_empty && day.start == day.end) continue;
    writer.Write(day.start, day.end, event_id::kAppendOrConfigRead);
  }
}

}  // namespace

void CheckAndAddMeeting(RowWriterContext& ctx, MeetingRow row) {
  const auto entered = std::chrono::steady_clock::now();
  try {
    WriteMeeting(ctx, row);
  } catch (const std::bad_alloc& e) {
    ctx.db.log().LogEvent(
        EventType::kWarning, event_id::kGeneral,
        "MemoryException checking and adding meeting of mailbox " + row.name + " to database.: " + e.what());
  } catch (...) {
    ctx.db.log().LogEvent(
        EventType::kWarning, event_id::kGeneral,
        "General Error checking and adding meeting of mailbox " + row.name + " to database.");
  }
  if (ctx.settings.time_log != 0 && ctx.db_time != nullptr) {
    *ctx.db_time += std::chrono::steady_clock::now() - entered;
  }
}

std::string EscapeApptText(std::string_view extra_columns, std::string extra_values, Dialect dialect) {
  if (extra_columns.find(", ApptText") == std::string_view::npos) return extra_values;
  const size_t first = extra_values.find(kApptTextMarker);
  if (first == std::string::npos) return extra_values;
  const size_t body_start = first + kApptTextMarker.size();
  const size_t second = extra_values.find(kApptTextMarker, body_start);
  if (second == std::string::npos) return extra_values;
  return extra_values.substr(0, body_start) +
         QuoteForSql(std::string_view(extra_values).substr(body_start, second - body_start), 250, dialect) +
         extra_values.substr(second);
}

}  // namespace korvale
