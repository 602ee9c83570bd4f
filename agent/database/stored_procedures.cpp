// Running StoredProcStart and StoredProcEnd.
#include "agent/database/stored_procedures.h"

#include "agent/database/db_report.h"

namespace korvale {

Status RunStoredProcedure(Database& db, const std::string& statement) {
  if (statement.empty()) return Status::Ok();
  auto done = db.Execute(statement);
  if (done.ok()) return Status::Ok();
  db.log().LogEvent(EventType::kError, event_id::kLogonObjects, StatementErrorText(done.error(), statement));
  return ToStatus(done.error());
}

Status RunStoredProcStart(Database& db) { return RunStoredProcedure(db, db.settings().stored_proc_start); }

Status RunStoredProcEnd(Database& db) { return RunStoredProcedure(db, db.settings().stored_proc_end); }

}  // namespace korvale
