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
  db.log().LogEvent(EventType::kError, id, table, db.settings().db, message);
}

Status ToStatus(const SqlError& error) { return Status::Error(ErrorText(error), error.return_code); }

}  // namespace korvale
