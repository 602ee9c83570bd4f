// Copying the append table into the fill table.
#include "agent/database/append_table.h"

#include "agent/database/db_report.h"

namespace korvale {

std::string AppendTableStatement(std::string_view fill_table, std::string_view append_table) {
  return "INSERT INTO " + std::string(fill_table) + " SELECT * FROM " + std::string(append_table);
}

Status AppendTable(Database& db, std::string_view fill_table) {
  const std::string& append_table = db.settings().append_table;
  if (append_table.empty()) return Status::Ok();
  const std::string statement = AppendTableStatement(fill_table, append_table);
  auto done = db.Execute(statement);
  if (done.ok()) return Status::Ok();
  LogTableEvent(
      db, event_id::kAppendOrConfigRead, fill_table,
      "Error appending table. SQL- Statement: " + statement + ", Error returned: " + ErrorText(done.error()));
  return ToStatus(done.error());
}

}  // namespace korvale
