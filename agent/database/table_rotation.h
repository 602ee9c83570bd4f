// Which calendar table the cycle fills: the one KorvaleConfig does not name
// as active. The web pages read the active table only, so they never see a
// table while it is being filled.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "agent/database/database.h"
#include "common/status.h"

namespace korvale {

// "KorvaleTable2" when the first 13 characters of `active_table` are
// "KorvaleTable1" in any letter case, otherwise "KorvaleTable1".
std::string FillTableFor(std::string_view active_table);

// Reads KorvaleConfig.ActiveTable and returns the fill table. Without a row
// the fill table is KorvaleTable1 and no row is written: a table is named only
// when it is published, so the one being filled is never the one named. When
// KorvaleConfig cannot be read it is created (the fill table is KorvaleTable1);
// when that fails too, the table is there but unreadable: error event 110
// with the read's error and statement, and the failure.
Expected<std::string> ChooseFillTable(Database& db);

}  // namespace korvale
