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

// Reads KorvaleConfig.ActiveTable and returns the fill table. When the table
// cannot be read it is created (then the fill table is KorvaleTable1); when
// that fails too, the table exists without a row and 'KorvaleTable1' is
// inserted. When even that insert fails: error event 110 and the failure.
Expected<std::string> ChooseFillTable(Database& db);

}  // namespace korvale
