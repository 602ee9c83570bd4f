// Column type texts per dialect.
#include "agent/database/column_types.h"

namespace korvale {
namespace {

bool IsOracleTypes(const AgentSettings& settings) {
  return ColumnTypeFamily(settings) == TypeFamily::kOracle;
}

}  // namespace

const char* DateTypeName(const AgentSettings& settings) {
  return IsOracleTypes(settings) ? "DATE" : "datetime";
}

const char* SmallIntTypeName(const AgentSettings& settings) {
  return IsOracleTypes(settings) ? "NUMBER" : "smallint";
}

const char* IntTypeName(const AgentSettings& settings) { return IsOracleTypes(settings) ? "NUMBER" : "int"; }

const char* BitTypeName(const AgentSettings& settings) { return IsOracleTypes(settings) ? "NUMBER" : "bit"; }

std::string BoolColumnType(const AgentSettings& settings) {
  return BitTypeName(settings) + DefaultClause(settings, 0);
}

const char* TimeDifferenceTypeName(const AgentSettings& settings) {
  switch (ColumnTypeFamily(settings)) {
    case TypeFamily::kSqlServer: return "NUMERIC(2,1)";
    case TypeFamily::kOracle: return "NUMBER(2,1)";
    case TypeFamily::kAccess: break;
  }
  return "REAL";
}

const char* IdentifierBinaryTypeName(const AgentSettings& settings) {
  return IsOracleTypes(settings) ? "RAW(160)" : "BINARY(160)";
}

std::string QuoteIdentifier(Dialect dialect, std::string_view name) {
  const char quote = dialect == Dialect::kMySql ? '`' : '"';
  return quote + std::string(name) + quote;
}

std::string EmptyTableStatement(Dialect dialect, std::string_view table) {
  switch (dialect) {
    case Dialect::kAccess: return "DROP TABLE " + std::string(table);
    case Dialect::kSQLite: return "DELETE FROM " + std::string(table);
    default: break;
  }
  return "TRUNCATE TABLE " + std::string(table);
}

}  // namespace korvale
