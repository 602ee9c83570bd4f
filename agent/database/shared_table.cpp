// Marking and deleting an agent's stale rows in shared-table mode.
#include "agent/database/shared_table.h"

#include "agent/database/db_report.h"

namespace korvale {
namespace {

Status RunOnFillTable(Database& db, const std::string& statement, std::string_view table) {
  auto done = db.Execute(statement);
  if (done.ok()) return Status::Ok();
  LogTableEvent(db, event_id::kFillTableStatement, table, ErrorText(done.error()));
  return ToStatus(done.error());
}

// The same, with the statement in the event text.
Status RunReportingStatement(Database& db, const std::string& statement, std::string_view table) {
  auto done = db.Execute(statement);
  if (done.ok()) return Status::Ok();
  LogTableEvent(db, event_id::kFillTableStatement, table, WithStatement(ErrorText(done.error()), statement));
  return ToStatus(done.error());
}

std::string Owner(const AgentSettings& settings, std::string_view instance) {
  return QuoteInstanceName(instance, StatementDialect(settings));
}

}  // namespace

std::string QuoteInstanceName(std::string_view instance, Dialect dialect) {
  return QuoteWholeForSql(instance, dialect);
}

std::string MarkStaleRowsStatement(const AgentSettings& settings, std::string_view table,
                                   std::string_view instance) {
  return "UPDATE " + std::string(table) + " SET KRVUpdate = 1 WHERE (((KRVService='" +
         Owner(settings, instance) + "') AND (Status<>8)) OR (KRVService IS NULL))";
}

std::string DeleteStaleRowsStatement(const AgentSettings& settings, std::string_view table,
                                     std::string_view instance) {
  return "DELETE FROM " + std::string(table) + " WHERE ((KRVUpdate = 1) AND ((KRVService='" +
         Owner(settings, instance) + "') OR (KRVService IS NULL)))";
}

Status MarkStaleRows(Database& db, std::string_view table, std::string_view instance) {
  if (db.settings().table_mode != TableMode::kShared) return Status::Ok();
  return RunOnFillTable(db, MarkStaleRowsStatement(db.settings(), table, instance), table);
}

Status DeleteStaleRows(Database& db, std::string_view table, std::string_view instance) {
  if (db.settings().table_mode != TableMode::kShared) return Status::Ok();
  return RunOnFillTable(db, DeleteStaleRowsStatement(db.settings(), table, instance), table);
}

std::string KeepMailboxRowsStatement(const AgentSettings& settings, std::string_view table,
                                     std::string_view mailbox, std::string_view instance) {
  return "UPDATE " + std::string(table) + " SET KRVUpdate = 0 WHERE ((Name='" +
         QuoteForSql(mailbox, 50, StatementDialect(settings)) + "') AND ((KRVService='" +
         Owner(settings, instance) + "') OR (KRVService IS NULL)))";
}

Status KeepMailboxRows(Database& db, std::string_view table, std::string_view mailbox,
                       std::string_view instance) {
  if (db.settings().table_mode != TableMode::kShared) return Status::Ok();
  return RunOnFillTable(db, KeepMailboxRowsStatement(db.settings(), table, mailbox, instance), table);
}

std::string MarkMailboxRowsStatement(Dialect dialect, std::string_view table, std::string_view quoted_mailbox,
                                     std::string_view instance) {
  return "UPDATE " + std::string(table) + " SET KRVUpdate = 1 WHERE ((Name='" + std::string(quoted_mailbox) +
         "') AND (Status <> 9) AND ((KRVService='" + QuoteInstanceName(instance, dialect) +
         "') OR (KRVService IS NULL)))";
}

std::string DeleteUnconfirmedMailboxRowsStatement(Dialect dialect, std::string_view table,
                                                  std::string_view quoted_mailbox,
                                                  std::string_view instance) {
  return "DELETE FROM " + std::string(table) + " WHERE ((Name='" + std::string(quoted_mailbox) +
         "') AND (Status <> 9) AND (KRVUpdate = 1) AND (KRVService = '" +
         QuoteInstanceName(instance, dialect) + "'))";
}

Status MarkMailboxRows(Database& db, std::string_view table, std::string_view quoted_mailbox,
                       std::string_view instance) {
  return RunReportingStatement(db, MarkMailboxRowsStatement(db.dialect(), table, quoted_mailbox, instance),
                               table);
}

Status DeleteUnconfirmedMailboxRows(Database& db, std::string_view table, std::string_view quoted_mailbox,
                                    std::string_view instance) {
  return RunReportingStatement(
      db, DeleteUnconfirmedMailboxRowsStatement(db.dialect(), table, quoted_mailbox, instance), table);
}

}  // namespace korvale
