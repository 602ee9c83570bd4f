// Column descriptions and values of a result set. Long texts and binaries are
// read in pieces, so no value is cut at a buffer size.
#include "platform/odbc/odbc_columns.h"

#include <cctype>
#include <cstring>

#include "platform/odbc/odbc_diagnostics.h"

namespace korvale::odbc {
namespace {

bool IsBinaryTypeName(const std::string& type_name) {
  std::string upper;
  for (char c : type_name) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  for (const char* prefix : {"BINARY", "VARBINARY", "LONGVARBINARY", "BLOB", "RAW", "IMAGE"}) {
    if (upper.rfind(prefix, 0) == 0) return true;
  }
  return false;
}

enum class ValueKind { kText, kInteger, kDouble, kTimestamp, kBinary };

ValueKind KindOf(const ColumnInfo& column) {
  switch (column.sql_type) {
    case SQL_BIT:
    case SQL_TINYINT:
    case SQL_SMALLINT:
    case SQL_INTEGER:
    case SQL_BIGINT: return ValueKind::kInteger;
    case SQL_DECIMAL:
    case SQL_NUMERIC:
      // Whole numbers that fit 64 bits stay exact; everything else is a double.
      return column.decimal_digits == 0 && column.size > 0 && column.size <= 18 ? ValueKind::kInteger
                                                                                : ValueKind::kDouble;
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE: return ValueKind::kDouble;
    case SQL_TYPE_DATE:
    case SQL_TYPE_TIME:
    case SQL_TYPE_TIMESTAMP:
    case SQL_DATE:
    case SQL_TIME:
    case SQL_TIMESTAMP: return ValueKind::kTimestamp;
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY: return ValueKind::kBinary;
    default:
      // Some drivers describe a binary column they do not know by its
      // declared type only; reading it as text would hand back an escaped form.
      return IsBinaryTypeName(column.type_name) ? ValueKind::kBinary : ValueKind::kText;
  }
}

SqlError FetchError(SQLHSTMT stmt, SQLRETURN rc) {
  return Diagnose(SQL_HANDLE_STMT, stmt, rc, "Reading a column value failed.");
}

// Reads a character or binary value piece by piece. Drivers report the total
// length, SQL_NO_TOTAL or (for the last piece) what is left; the terminating
// zero of character data is not part of the value.
SqlResult<SqlValue> ReadLong(SQLHSTMT stmt, SQLUSMALLINT index, bool text) {
  std::string data;
  char buffer[4096];
  const SQLSMALLINT c_type = text ? SQL_C_CHAR : SQL_C_BINARY;
  const SQLLEN room = text ? static_cast<SQLLEN>(sizeof buffer) - 1 : static_cast<SQLLEN>(sizeof buffer);
  for (;;) {
    SQLLEN indicator = 0;
    SQLRETURN rc = SQLGetData(stmt, index, c_type, buffer, sizeof buffer, &indicator);
    if (rc == SQL_NO_DATA) break;
    if (!Succeeded(rc)) return FetchError(stmt, rc);
    if (indicator == SQL_NULL_DATA) return SqlValue{};
    SQLLEN got = (indicator == SQL_NO_TOTAL || indicator > room) ? room : indicator;
    if (got < 0) got = 0;
    if (text) {
      // Trust the terminator over the indicator: some drivers count bytes
      // they have not converted yet.
      got = static_cast<SQLLEN>(strnlen(buffer, static_cast<size_t>(got)));
    }
    data.append(buffer, static_cast<size_t>(got));
    if (rc == SQL_SUCCESS) break;  // the last piece
  }
  if (text) return SqlValue{std::move(data)};
  return SqlValue{std::vector<uint8_t>(data.begin(), data.end())};
}

SqlResult<SqlValue> ReadValue(SQLHSTMT stmt, SQLUSMALLINT index, const ColumnInfo& column) {
  SQLLEN indicator = 0;
  switch (KindOf(column)) {
    case ValueKind::kInteger: {
      SQLBIGINT value = 0;
      SQLRETURN rc = SQLGetData(stmt, index, SQL_C_SBIGINT, &value, sizeof value, &indicator);
      if (!Succeeded(rc)) return FetchError(stmt, rc);
      if (indicator == SQL_NULL_DATA) return SqlValue{};
      return SqlValue{static_cast<int64_t>(value)};
    }
    case ValueKind::kDouble: {
      double value = 0;
      SQLRETURN rc = SQLGetData(stmt, index, SQL_C_DOUBLE, &value, sizeof value, &indicator);
      if (!Succeeded(rc)) return FetchError(stmt, rc);
      if (indicator == SQL_NULL_DATA) return SqlValue{};
      return SqlValue{value};
    }
    case ValueKind::kTimestamp: {
      SQL_TIMESTAMP_STRUCT ts{};
      SQLRETURN rc = SQLGetData(stmt, index, SQL_C_TYPE_TIMESTAMP, &ts, sizeof ts, &indicator);
      if (!Succeeded(rc)) return FetchError(stmt, rc);
      if (indicator == SQL_NULL_DATA) return SqlValue{};
      return SqlValue{SqlTimestamp{ts.year, ts.month, ts.day, ts.hour, ts.minute, ts.second}};
    }
    case ValueKind::kBinary: return ReadLong(stmt, index, false);
    case ValueKind::kText: return ReadLong(stmt, index, true);
  }
  return SqlValue{};
}

}  // namespace

SqlResult<std::vector<ColumnInfo>> DescribeColumns(SQLHSTMT stmt) {
  SQLSMALLINT count = 0;
  SQLRETURN rc = SQLNumResultCols(stmt, &count);
  if (!Succeeded(rc)) return Diagnose(SQL_HANDLE_STMT, stmt, rc, "Counting result columns failed.");
  std::vector<ColumnInfo> columns;
  for (SQLSMALLINT i = 1; i <= count; ++i) {
    SQLCHAR name[512] = {};
    SQLSMALLINT name_length = 0;
    ColumnInfo column;
    SQLSMALLINT nullable = 0;
    rc = SQLDescribeCol(stmt, static_cast<SQLUSMALLINT>(i), name, sizeof name, &name_length, &column.sql_type,
                        &column.size, &column.decimal_digits, &nullable);
    if (!Succeeded(rc)) return Diagnose(SQL_HANDLE_STMT, stmt, rc, "Describing a column failed.");
    column.name = reinterpret_cast<const char*>(name);
    SQLCHAR type_name[256] = {};
    SQLSMALLINT type_length = 0;
    if (Succeeded(SQLColAttribute(stmt, static_cast<SQLUSMALLINT>(i), SQL_DESC_TYPE_NAME, type_name,
                                  sizeof type_name, &type_length, nullptr))) {
      column.type_name = reinterpret_cast<const char*>(type_name);
    }
    columns.push_back(std::move(column));
  }
  return columns;
}

SqlResult<std::vector<SqlRow>> FetchRows(SQLHSTMT stmt, const std::vector<ColumnInfo>& columns,
                                         size_t limit) {
  std::vector<SqlRow> rows;
  if (columns.empty()) return rows;
  auto names = std::make_shared<std::vector<std::string>>();
  for (const auto& column : columns) names->push_back(column.name);
  while (limit == 0 || rows.size() < limit) {
    SQLRETURN rc = SQLFetch(stmt);
    if (rc == SQL_NO_DATA) break;
    if (!Succeeded(rc)) return Diagnose(SQL_HANDLE_STMT, stmt, rc, "Fetching a row failed.");
    std::vector<SqlValue> values;
    values.reserve(columns.size());
    for (size_t i = 0; i < columns.size(); ++i) {
      auto value = ReadValue(stmt, static_cast<SQLUSMALLINT>(i + 1), columns[i]);
      if (!value.ok()) return value.error();
      values.push_back(std::move(*value));
    }
    rows.emplace_back(names, std::move(values));
  }
  return rows;
}

}  // namespace korvale::odbc
