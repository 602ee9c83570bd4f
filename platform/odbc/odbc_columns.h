// Reading the rows of an executed statement: column descriptions and values.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/odbc/odbc.h"
#include "platform/odbc/odbc_handles.h"

namespace korvale::odbc {

// The result columns of an executed statement.
struct ColumnInfo {
  std::string name;
  SQLSMALLINT sql_type = 0;
  SQLULEN size = 0;
  SQLSMALLINT decimal_digits = 0;
  std::string type_name;  // the data source's own name of the type, e.g. "BINARY(160)"
};

// Describes the result columns of `stmt` (none for a statement without rows).
SqlResult<std::vector<ColumnInfo>> DescribeColumns(SQLHSTMT stmt);

// Fetches rows from `stmt` until the end, or only the first when `limit` is 1.
SqlResult<std::vector<SqlRow>> FetchRows(SQLHSTMT stmt, const std::vector<ColumnInfo>& columns, size_t limit);

}  // namespace korvale::odbc
