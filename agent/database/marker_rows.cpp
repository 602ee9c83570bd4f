// Marker rows of the fill table.
#include "agent/database/marker_rows.h"

#include "agent/database/db_report.h"
#include "agent/database/shared_table.h"

namespace korvale {
namespace {

std::string Literal(const AgentSettings& settings, std::string_view text) {
  return QuoteWholeForSql(text, StatementDialect(settings));
}

std::string Instance(const AgentSettings& settings, std::string_view instance) {
  return QuoteInstanceName(instance, StatementDialect(settings));
}

std::string Str(std::string_view text) { return std::string(text); }

// Reads whether the marker row exists. A failed read is reported and taken as
// "no row", so that the row gets written all the same.
bool MarkerExists(Database& db, const std::string& select, std::string_view table) {
  auto row = db.QueryFirst(select);
  if (!row.ok()) {
    LogTableEvent(db, event_id::kRecords, table, WithStatement("Error reading record in database.", select));
    return false;
  }
  return row->has_value();
}

Status ExecuteMarkerWrite(Database& db, const std::string& statement, std::string_view table) {
  auto done = db.Execute(statement);
  if (done.ok()) return Status::Ok();
  LogTableEvent(db, event_id::kDbMarkerWrite, table, ErrorText(done.error()));
  return ToStatus(done.error());
}

}  // namespace

std::string MarkerSelectStatement(const AgentSettings& settings, std::string_view table,
                                  std::string_view marker, std::string_view instance) {
  std::string sql = "SELECT * FROM " + Str(table) + " WHERE ((Status=8) AND (Name='" + Str(marker) + "')";
  if (SharedTableMode(settings)) sql += " AND (KRVService='" + Instance(settings, instance) + "')";
  return sql + ")";
}

std::string MaintenanceUpdateStatement(const AgentSettings& settings, std::string_view table,
                                       std::string_view instance) {
  const Dialect dialect = StatementDialect(settings);
  const std::string now = TimeFunction(dialect);
  std::string sql =
      "UPDATE " + Str(table) + " SET " + StartColumn(dialect) + " = " + now + ", EndTime = " + now;
  if (SharedTableMode(settings)) {
    return sql + ", KRVUpdate=0 WHERE ((Status = 8) AND (Name = '$maintenance') AND (KRVService = '" +
           Instance(settings, instance) + "'))";
  }
  return sql + " WHERE ((Status = 8) AND (Name = '$maintenance'))";
}

std::string MarkerInsertStatement(const AgentSettings& settings, std::string_view table,
                                  std::string_view marker, std::string_view instance) {
  const Dialect dialect = StatementDialect(settings);
  const std::string now = TimeFunction(dialect);
  std::string sql = "insert into " + Str(table) + " (" + StartColumn(dialect) + ", EndTime, Name, Status";
  if (SharedTableMode(settings)) {
    return sql + ", KRVUpdate, KRVService) values(" + now + ", " + now + ", '" + Str(marker) + "', 8, 0, '" +
           Instance(settings, instance) + "')";
  }
  return sql + ") values(" + now + ", " + now + ", '" + Str(marker) + "', 8)";
}

std::string CanBookMeetingsEndStatement(const AgentSettings& settings, std::string_view table,
                                        std::string_view acl, std::string_view instance) {
  const Dialect dialect = StatementDialect(settings);
  const std::string now = TimeFunction(dialect);
  const std::string start = StartColumn(dialect);
  if (SharedTableMode(settings)) {
    return "UPDATE " + Str(table) + " SET " + start + " = " + now + ", EndTime = " + now +
           ", KRVUpdate=0, ACL='" + Literal(settings, acl) +
           "' WHERE ((Status = 8) AND (Name = '$canbookmeetings') AND (KRVService = '" +
           Instance(settings, instance) + "'))";
  }
  return "INSERT INTO " + Str(table) + " (" + start + ", EndTime, ACL, Status, Name) values (" + now + ", " +
         now + ", '" + Literal(settings, acl) + "', 8, '$canbookmeetings')";
}

Status WriteMaintenanceRow(Database& db, std::string_view table, std::string_view instance) {
  const AgentSettings& settings = db.settings();
  const std::string select = MarkerSelectStatement(settings, table, kMaintenanceMarker, instance);
  const std::string write = MarkerExists(db, select, table)
                                ? MaintenanceUpdateStatement(settings, table, instance)
                                : MarkerInsertStatement(settings, table, kMaintenanceMarker, instance);
  return ExecuteMarkerWrite(db, write, table);
}

Status EnsureCanBookMeetingsRow(Database& db, std::string_view table, std::string_view instance) {
  const AgentSettings& settings = db.settings();
  const std::string select = MarkerSelectStatement(settings, table, kCanBookMeetingsMarker, instance);
  if (MarkerExists(db, select, table)) return Status::Ok();
  return ExecuteMarkerWrite(db, MarkerInsertStatement(settings, table, kCanBookMeetingsMarker, instance),
                            table);
}

Status WriteCanBookMeetingsRow(Database& db, std::string_view table, std::string_view acl,
                               std::string_view instance) {
  if (db.settings().mb_cust_attr_book_meetings <= 0) return Status::Ok();
  return ExecuteMarkerWrite(db, CanBookMeetingsEndStatement(db.settings(), table, acl, instance), table);
}

}  // namespace korvale
