// Reporting of database failures.
#include "agent/database/db_report.h"

namespace korvale {

std::string ErrorText(const SqlError& error) { return StripLineFeeds(error.text); }

std::string WithStatement(std::string_view text, std::string_view statement) {
  return std::string(text) + "\r\nSQL- statement:\r\n" + std::string(statement);
}

std::string StatementErrorText(const SqlError& error, std::string_view statement) {
  return "Error: " + ErrorText(error) +
         " while executing the following statement on the database: " + std::string(statement);
}

void LogTableEvent(Database& db, uint32_t id, std::string_view table, std::string_view message) {
  if (db.RepeatsFault()) return;
  db.log().LogEvent(EventType::kError, id, table, db.settings().db, message);
}

namespace {

std::string Consequence(const Database& db) {
  const std::string& table = db.watched_table();
  if (table.empty()) return "";
  if (db.settings().table_mode == TableMode::kShared) {
    return " No rows are deleted from " + table +
           " in this cycle: the rows of the mailboxes not scanned stay as they were.";
  }
  return " " + table + " is not published: the web pages keep reading the table published before.";
}

}  // namespace

void LogFault(Database& db, const DatabaseFault& fault) {
  const std::string failure = WithStatement(ErrorText(fault.error), fault.statement);
  if (fault.kind == SqlFailureKind::kConnectionLost) {
    db.log().LogEvent(EventType::kError, event_id::kLogonObjects,
                      "Database Error: the connection to the database was lost: " + failure +
                          "\r\nThe cycle ends here: the steps that need the database do not run." +
                          Consequence(db));
    return;
  }
  db.log().LogEvent(EventType::kError, event_id::kFillTableStatement, db.watched_table(), db.settings().db,
                    "The database failed on a statement on " + db.watched_table() +
                        ", so the table may miss rows and the cycle ends." + Consequence(db) +
                        "\r\nDatabase returned: " + failure);
}

Status ToStatus(const SqlError& error) { return Status::Error(ErrorText(error), error.return_code); }

}  // namespace korvale
