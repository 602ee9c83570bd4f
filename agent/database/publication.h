// Publishing the fill table: KorvaleConfig names it as the active table, and
// from then on the web pages read it.
#pragma once

#include <string>
#include <string_view>

#include "agent/database/database.h"
#include "common/status.h"

namespace korvale {

// "UPDATE KorvaleConfig SET ActiveTable='<table>'": the switch.
std::string SwitchStatement(std::string_view table);
// "insert into KorvaleConfig (ActiveTable) values('<table>')": the first
// publication, when KorvaleConfig has no row.
std::string PublishStatement(std::string_view table);

// Names `fill_table` as the active table. Call it only for a fill table the
// cycle finished. Outside shared-table mode the row is switched with one
// UPDATE (or, without a row, one INSERT), so the web pages see the old table
// or the new one and never none; a failure (also of reading KorvaleConfig) is
// error event 118 ("KorvaleConfig", DB, error text), the previous table stays
// active and the cycle's result is 0. In shared-table mode a row is only
// inserted when KorvaleConfig has none; a failed read of it is error event
// 121 and the insert is attempted. Nothing is published while the database
// has a fault (Database::fault), whose report says why; once published, the
// table is no longer watched.
Status PublishFillTable(Database& db, std::string_view fill_table);

}  // namespace korvale
