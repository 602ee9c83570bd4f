// The append table: rows of a table the administrator keeps (AppendTable
// setting) copied into the fill table after the scan.
#pragma once

#include <string>
#include <string_view>

#include "agent/database/database.h"
#include "common/status.h"

namespace korvale {

// "INSERT INTO <fill table> SELECT * FROM <append table>".
std::string AppendTableStatement(std::string_view fill_table, std::string_view append_table);

// Copies the rows when AppendTable is set (nothing to do otherwise). A failure
// is error event 120 (fill table, DB, "Error appending table. SQL- Statement:
// %s, Error returned: %s"), after which the cycle ends with result 0.
Status AppendTable(Database& db, std::string_view fill_table);

}  // namespace korvale
