// The statements the booking engine runs on table Meetings (and the lookups
// that go with them), built as text in the configured dialect. Values are
// quoted here; the MySQL backslash filter is left to Database, which applies
// it to every finished statement, so backslashes are escaped exactly once.
#pragma once

#include <string>
#include <string_view>

#include "agent/booking/meetings/meetings_row.h"
#include "agent/database/dialect.h"

namespace korvale {

// Where a statement runs: its dialect and, in shared-table mode, the instance
// name whose rows it may touch (empty outside shared-table mode).
struct MeetingsScope {
  Dialect dialect = Dialect::kAccess;
  std::string date_format;  // the date literal format
  bool shared = false;
  std::string instance_name;
};

// LIKE pattern for a stored text, ready to go between apostrophes: the
// wildcards of the dialect escaped with "¬" (UTF-8), then QuoteForSql at 1024.
// Access escapes nothing.
std::string LikePattern(std::string_view text, Dialect dialect);
// " ESCAPE '¬'" for every dialect that escapes, empty for Access.
std::string LikeEscapeClause(Dialect dialect);

// The pending rows, status 1 and 3 to 5, cancellations before re-bookings.
std::string SelectPendingMeetings(const MeetingsScope& scope);
// The personal group of a booking user (table KRVGroups for Oracle).
std::string SelectPersonalGroup(std::string_view group, std::string_view user, Dialect dialect);

// The per-row update. It names the old status and every identifying column,
// so that a row the web pages changed since it was read is left alone.
struct MeetingsRowUpdate {
  int new_status = 0;
  SYSTEMTIME time_booked;
  std::string booking_text;  // history text followed by the old ACL, unescaped
  std::string dl;            // the DL value the row holds
};
std::string UpdateMeetingsRow(const MeetingsScope& scope, const MeetingsRow& row,
                              const MeetingsRowUpdate& update);

// Re-bookings are finished in the database before they reach the mailboxes.
std::string FinishRebookings(const MeetingsScope& scope);
// Cancelled rows and rows past the age limit. by_end_time: the limit counts from
// the meeting's end, otherwise from the time the agent booked it.
std::string DeleteFinishedMeetings(const MeetingsScope& scope, bool by_end_time, const SYSTEMTIME& cut_off);
// Every booking number of Meetings (of this agent's rows in shared-table mode).
std::string SelectBookingNumbers(const MeetingsScope& scope);

// New bookings that arrived while the mailboxes were scanned.
std::string SelectNewBookings(const MeetingsScope& scope);
// The user row (Status 9) of a mailbox in the fill table.
std::string SelectUserRow(std::string_view fill_table, std::string_view mailbox, Dialect dialect);

}  // namespace korvale
