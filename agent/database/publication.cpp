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

// One statement switches, so the switch is atomic in every dialect (MySQL's
// TRUNCATE would commit by itself): the row is updated in place, and only a
// KorvaleConfig without a row gets one.
Status PublishRotated(Database& db, std::string_view fill_table) {
  auto row = db.QueryFirst("SELECT * FROM KorvaleConfig");
  if (!row.ok()) return ConfigFailure(db, row.error());
  auto done = db.Execute(row->has_value() ? SwitchStatement(fill_table) : PublishStatement(fill_table));
  if (!done.ok()) return ConfigFailure(db, done.error());
  return Status::Ok();
}

}  // namespace

std::string SwitchStatement(std::string_view table) {
  return "UPDATE KorvaleConfig SET ActiveTable='" + std::string(table) + "'";
}

std::string PublishStatement(std::string_view table) {
  return "insert into KorvaleConfig (ActiveTable) values('" + std::string(table) + "')";
}

Status PublishFillTable(Database& db, std::string_view fill_table) {
  // The fault's own report said why.
  if (db.fault()) return Status::Error(std::string(fill_table) + " is not published.");
  Status published = db.settings().table_mode == TableMode::kShared ? PublishShared(db, fill_table)
                                                                    : PublishRotated(db, fill_table);
  // Published: a later failure on the table has nothing left to withhold.
  if (published.ok()) db.WatchFillTable("");
  return published;
}

}  // namespace korvale
