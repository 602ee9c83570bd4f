// The bulk baseline: rows inserted through one prepared statement with bound
// parameters inside one transaction, straight on the driver manager.
#pragma once

#include <string>
#include <vector>

#include "platform/odbc/odbc.h"

namespace korvale::bench {

// Inserts `rows` into `table` (its columns in the rows' order) and commits
// once; returns an empty string or the driver's error text.
std::string BulkInsert(const std::string& connect_string, const std::string& table,
                       const std::vector<SqlRow>& rows);

}  // namespace korvale::bench
