// Publishing the fill table: KorvaleConfig names it as the active table, and
// from then on the web pages read it.
#pragma once

#include <string>
#include <string_view>

#include "agent/database/database.h"
#include "common/status.h"

namespace korvale {

// "DELETE * FROM KorvaleConfig" (Access), "DELETE FROM KorvaleConfig"
// (SQLite), "TRUNCATE TABLE KorvaleConfig" (the others).
std::string ClearKorvaleConfigStatement(Dialect dialect);
// "insert into KorvaleConfig (ActiveTable) values('<table>')".
std::string PublishStatement(std::string_view table);

// Names `fill_table` as the active table. Call it only for a fill table the
// cycle finished. Outside shared-table mode the old row is replaced inside one
// transaction where the driver allows it, so a refused insert leaves the
// previous table active; a failure is error event 118 ("KorvaleConfig", DB,
// error text) and the cycle's result is 0. In shared-table mode a row is only
// inserted when KorvaleConfig has none; a failed read of it is error event 121
// and the insert is attempted.
Status PublishFillTable(Database& db, std::string_view fill_table);

}  // namespace korvale
