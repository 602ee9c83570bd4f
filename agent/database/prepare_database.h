// The database preparation at the start of a cycle: connect, create the tables
// that are missing, choose and empty the fill table, create it with the
// configured columns and stamp its marker rows.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "agent/database/database.h"
#include "agent/database/open_database.h"
#include "agent/database/optional_columns.h"
#include "agent/database/schema.h"
#include "common/status.h"

namespace korvale {

struct DatabasePreparation {
  std::unique_ptr<Database> database;  // the cycle's connection, once opened
  bool connection_opened = false;
  // Whether the fill table was there before this preparation (always false
  // for Access outside shared-table mode, where it is dropped and recreated).
  bool fill_table_existed = false;
  std::string fill_table = kKorvaleTable1;
  OptionalColumns optional_columns;  // for the row writer
  // Set after an unexpected failure (not a refused statement): the cycle stops.
  bool stop_requested = false;
};

// Opens the data source (see OpenDatabase) and prepares the tables. Fails when
// the connection or a needed table cannot be had; every failure is reported:
//  - creating Meetings, Profiles, UserPics, KRVUsers or the fill table fails:
//    error event 111 (table, DB, error text);
//  - creating Groups or settling KorvaleConfig fails: error event 110;
//  - any other exception: error event 134 asking to check the database's
//    permissions and the ODBC installation, and stop_requested.
//  - the fill table exists and cannot be emptied: error event 119 (table, DB,
//    error text and statement); nothing is filled or published.
// "BACKUP LOG" may fail without a report. Once the fill table is there, the
// database watches it (Database::WatchFillTable): a failure of the database
// on it, from the marker rows on, is the cycle's fault.
Status PrepareDatabase(const AgentSettings& settings, AgentLog& log, std::string_view instance_name,
                       DatabasePreparation& out, const SqlConnector& connector = OpenSqlConnection);

// The preparation after the connection is open (the part PrepareDatabase runs
// on out.database).
Status PrepareTables(Database& db, std::string_view instance_name, DatabasePreparation& out);

}  // namespace korvale
