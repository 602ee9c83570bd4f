// Publishing the fill table through KorvaleConfig.
#include "agent/database/publication.h"

#include "agent/database/db_report.h"
#include "agent/database/schema.h"

namespace korvale {
namespace {

Status ConfigFailure(Database& db, const SqlError& error) {
  LogTableEvent(db, event_id::kKorvaleConfig, kKorvaleConfig, ErrorText(error));
  return ToStatus(error);
}

Status PublishShared(Database& db, std::string_view fill_table) {
  const std::string select = "SELECT * FROM KorvaleConfig";
  auto row = db.QueryFirst(select);
  if (!row.ok()) {
    LogTableEvent(db, event_id::kRecords, kKorvaleConfig,
                  WithStatement("Error reading record in database.", select));
  } else if (row->has_value()) {
    return Status::Ok();  // another agent sharing the table published it already
  }
  auto inserted = db.Execute(PublishStatement(fill_table));
  if (!inserted.ok()) return ConfigFailure(db, inserted.error());
  return Status::Ok();
}

}  // namespace

std::string ClearKorvaleConfigStatement(Dialect dialect) {
  switch (dialect) {
    case Dialect::kAccess: return "DELETE * FROM KorvaleConfig";
    case Dialect::kSQLite: return "DELETE FROM KorvaleConfig";
    default: break;
  }
  return "TRUNCATE TABLE KorvaleConfig";
}

std::string PublishStatement(std::string_view table) {
  return "insert into KorvaleConfig (ActiveTable) values('" + std::string(table) + "')";
}

Status PublishFillTable(Database& db, std::string_view fill_table) {
  if (db.settings().new_db == 1) return PublishShared(db, fill_table);
  // Replacing the row as one unit keeps the web pages from finding no active
  // table. A driver without transactions still gets both statements.
  const bool in_transaction = db.connection().BeginTransaction().ok();
  auto done = db.Execute(ClearKorvaleConfigStatement(db.dialect()));
  if (done.ok()) done = db.Execute(PublishStatement(fill_table));
  if (done.ok() && in_transaction) done = db.connection().CommitTransaction();
  if (done.ok()) return Status::Ok();
  if (in_transaction) (void)db.connection().RollbackTransaction();
  return ConfigFailure(db, done.error());
}

}  // namespace korvale
