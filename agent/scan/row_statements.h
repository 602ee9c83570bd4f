// The statements that write one appointment row, in the dialect of the
// database: the insert of rotation mode, and the lookup, confirmation, full
// update and insert of shared-table mode.
//
// `row` holds the values as they go into the statement: every text already
// escaped (the location and contact company included), start and end given
// as date literals.
#pragma once

#include <string>
#include <string_view>

#include "agent/database/dialect.h"
#include "agent/scan/meeting_row.h"
#include "common/agent_settings.h"

namespace korvale {

struct RowStatementContext {
  Dialect dialect;
  const AgentSettings& settings;
  std::string_view table;
  std::string_view instance_name;
  std::string_view extra_columns;  // ", AllDayEvent, ApptText"
};

struct RowLiterals {
  std::string start;  // "{ts '2021-03-01 10:00:00'}"
  std::string end;
};

// "insert into T (Start, EndTime, ..." (Oracle "insert <hint> into T (StartTime, ...").
// Shared-table mode adds ApptID (converted to BINARY(160) by SQL Server and
// MySQL), KRVUpdate 0 and KRVService. Attendees only when not empty,
// ContactCompanyName only with GetContactCompany.
std::string InsertStatement(const RowStatementContext& ctx, const MeetingRow& row, const RowLiterals& at,
                            bool shared_table);

// "SELECT * FROM T WHERE ((ApptID='..') AND (Name='..') AND (Start=..) AND (EndTime=..) AND
// (KRVService='..'))".
std::string LookupStatement(const RowStatementContext& ctx, const MeetingRow& row, const RowLiterals& at);

// "UPDATE T SET KRVUpdate = 0 WHERE <the lookup's condition>": the row is current.
std::string ConfirmStatement(const RowStatementContext& ctx, const MeetingRow& row, const RowLiterals& at);

// Rewrites every compared column (Attendees included), Reserved3, ACLw and
// clears KRVUpdate; custom fields and extra columns are left as they are.
std::string FullUpdateStatement(const RowStatementContext& ctx, const MeetingRow& row, const RowLiterals& at);

// A double as "%f" writes it ("1.000000"), whatever the process locale.
std::string FixedSix(double value);

}  // namespace korvale
