// The database preparation of a cycle.
#include "agent/database/prepare_database.h"

#include <exception>

#include "agent/database/column_types.h"
#include "agent/database/db_report.h"
#include "agent/database/marker_rows.h"
#include "agent/database/table_rotation.h"

namespace korvale {
namespace {

constexpr char kUnexpectedFailure[] =
    "General Error preparing the database. Please check the permissions on the database and "
    "that the ODBC driver manager and the database's ODBC driver are installed.";

// A table is there when a query on it can be opened.
bool TableExists(Database& db, const std::string& table) {
  return db.QueryFirst("SELECT * FROM " + table).ok();
}

// Creates `table` with `create`; a refusal is event `event` (table, DB, error text).
Status CreateTable(Database& db, const std::string& table, const std::string& create, uint32_t event) {
  auto done = db.Execute(create);
  if (done.ok()) return Status::Ok();
  LogTableEvent(db, event, table, ErrorText(done.error()));
  return ToStatus(done.error());
}

Status EnsureGroupsTable(Database& db) {
  const std::string table = GroupsTableName(db.settings());
  auto check = db.QueryFirst("SELECT * FROM " + table);
  if (check.ok()) return Status::Ok();
  if (db.dialect() == Dialect::kOracle) {
    const SqlError& e = check.error();
    LogTableEvent(db, event_id::kRecords, table,
                  "RetCode: " + std::to_string(e.return_code) + ", Error: " + ErrorText(e) +
                      ", StateNativeOrigin: " + e.StateNativeOrigin());
  }
  return CreateTable(db, table, CreateGroupsTable(db.settings()), event_id::kDbGeneral);
}

Status EnsureTable(Database& db, const std::string& table, const std::string& create) {
  if (TableExists(db, table)) return Status::Ok();
  return CreateTable(db, table, create, event_id::kDbCreateTable);
}

// A fill table that keeps last cycle's rows would publish them twice, so one
// that exists and cannot be emptied (locked by another writer, a full disk)
// ends the preparation: error event 119 (table, DB, error and statement).
// True when the table was there and is empty now, false when it was missing.
Expected<bool> EmptyFillTable(Database& db, const std::string& table) {
  if (!TableExists(db, table)) return false;  // created below
  const std::string statement = EmptyTableStatement(db.dialect(), table);
  auto done = db.Execute(statement);
  if (done.ok()) return true;
  LogTableEvent(db, event_id::kFillTableStatement, table,
                table +
                    " could not be emptied, so nothing is filled and nothing is published in this "
                    "cycle.\r\nDatabase returned: " +
                    WithStatement(ErrorText(done.error()), statement));
  return ToStatus(done.error());
}

Status PrepareSteps(Database& db, std::string_view instance_name, DatabasePreparation& out) {
  const AgentSettings& settings = db.settings();
  const bool shared = settings.table_mode == TableMode::kShared;

  if (Status s = EnsureGroupsTable(db); !s.ok()) return s;
  if (Status s = EnsureTable(db, kMeetingsTable, CreateMeetingsTable(settings)); !s.ok()) return s;
  if (Status s = EnsureTable(db, "Profiles", CreateProfilesTable(settings)); !s.ok()) return s;
  if (Status s = EnsureTable(db, "UserPics", CreateUserPicsTable(settings)); !s.ok()) return s;
  if (Status s = EnsureTable(db, "KRVUsers", CreateKrvUsersTable(settings)); !s.ok()) return s;

  auto fill_table = ChooseFillTable(db);
  if (!fill_table.ok()) return fill_table.status();
  out.fill_table = shared ? std::string(kKorvaleTable1) : *fill_table;

  bool emptied = false;
  if (!shared) {
    auto empty = EmptyFillTable(db, out.fill_table);
    if (!empty.ok()) return empty.status();
    emptied = *empty;
    // Only SQL Server knows BACKUP LOG; a refusal does not matter.
    if (settings.backup_log != 0) {
      (void)db.Execute("BACKUP LOG " + db.connection().DatabaseName() + " WITH TRUNCATE_ONLY");
    }
  }

  out.optional_columns = SelectOptionalColumns(settings.fields);

  const bool recreated = db.dialect() == Dialect::kAccess && !shared;
  out.fill_table_existed = !recreated && TableExists(db, out.fill_table);
  if (out.fill_table_existed && !shared && !emptied) {
    // It could not be seen a moment ago: it must not keep old rows all the same.
    auto empty = EmptyFillTable(db, out.fill_table);
    if (!empty.ok()) return empty.status();
  }
  if (!out.fill_table_existed) {
    Status created =
        CreateTable(db, out.fill_table, CreateCalendarTable(settings, out.fill_table, out.optional_columns),
                    event_id::kDbCreateTable);
    if (!created.ok()) return created;
    // Only speed depends on the index: a refusal is a warning.
    const std::string index = CreateCalendarTableIndex(out.fill_table);
    if (auto done = db.Execute(index); !done.ok()) {
      db.log().LogEvent(EventType::kWarning, event_id::kDbGeneral, out.fill_table, settings.db,
                        WithStatement(ErrorText(done.error()), index));
    }
  }

  // From here on the fill table is being filled: a failure of the database on
  // it keeps the cycle from publishing it.
  db.WatchFillTable(out.fill_table);
  // Marker rows: failures are reported and the preparation still succeeds.
  (void)WriteMaintenanceRow(db, out.fill_table, instance_name);
  if (settings.mb_cust_attr_book_meetings > 0) {
    (void)EnsureCanBookMeetingsRow(db, out.fill_table, instance_name);
  }
  return Status::Ok();
}

}  // namespace

Status PrepareTables(Database& db, std::string_view instance_name, DatabasePreparation& out) {
  try {
    return PrepareSteps(db, instance_name, out);
  } catch (const std::exception&) {
  } catch (...) {
  }
  db.log().LogEvent(EventType::kError, event_id::kLogonObjects, kUnexpectedFailure);
  out.stop_requested = true;
  return Status::Error(kUnexpectedFailure);
}

Status PrepareDatabase(const AgentSettings& settings, AgentLog& log, std::string_view instance_name,
                       DatabasePreparation& out, const SqlConnector& connector) {
  try {
    auto db = OpenDatabase(settings, log, connector);
    if (!db.ok()) return db.status();
    out.database = std::move(*db);
    out.connection_opened = true;
  } catch (...) {
    log.LogEvent(EventType::kError, event_id::kLogonObjects, kUnexpectedFailure);
    out.stop_requested = true;
    return Status::Error(kUnexpectedFailure);
  }
  return PrepareTables(*out.database, instance_name, out);
}

}  // namespace korvale
