// Dialect selection and the value helpers every statement builder uses.
#include "agent/database/dialect.h"

#include "agent/database/utf8_text.h"

namespace korvale {

Dialect StatementDialect(const AgentSettings& settings) {
  if (settings.oracle_flag || settings.oracle != 0) return Dialect::kOracle;
  if (settings.mysql_flag || settings.my_sql != 0) return Dialect::kMySql;
  if (settings.sql_server_family_flag || settings.sql_server == 1) return Dialect::kSqlServer;
  if (settings.sqlite_flag || settings.sqlite == 1) return Dialect::kSQLite;
  return Dialect::kAccess;
}

const char* TimeFunction(Dialect dialect) {
  switch (dialect) {
    case Dialect::kSqlServer: return "GETDATE()";
    case Dialect::kMySql: return "NOW()";
    case Dialect::kOracle: return "SYSDATE";
    case Dialect::kSQLite: return "datetime('now','localtime')";
    case Dialect::kAccess: break;
  }
  return "Now";
}

const char* StartColumn(Dialect dialect) { return dialect == Dialect::kOracle ? "StartTime" : "Start"; }

TypeFamily ColumnTypeFamily(const AgentSettings& settings) {
  // Column types look at the SQL Server family first; the embedded database
  // uses the same types.
  if (settings.sql_server_family_flag || settings.sql_server == 1 || settings.mysql_flag ||
      settings.my_sql != 0 || settings.sqlite_flag || settings.sqlite == 1) {
    return TypeFamily::kSqlServer;
  }
  if (settings.oracle_flag || settings.oracle != 0) return TypeFamily::kOracle;
  return TypeFamily::kAccess;
}

std::string SqlTypeName(const AgentSettings& settings, int size) {
  switch (ColumnTypeFamily(settings)) {
    case TypeFamily::kSqlServer: return size <= 254 ? "varchar(" + std::to_string(size) + ")" : "text";
    case TypeFamily::kOracle:
      return size <= 254 ? "varchar2(" + std::to_string(size) + ")" : "varchar2(2000)";
    case TypeFamily::kAccess: break;
  }
  return size <= 254 ? "TEXT(" + std::to_string(size) + ")" : "LONGTEXT";
}

std::string DefaultClause(const AgentSettings& settings, int n) {
  if (StatementDialect(settings) == Dialect::kAccess) return "";
  return " DEFAULT " + std::to_string(n);
}

std::string QuoteForSql(std::string_view value, int max_len, Dialect dialect) {
  // Every text value of a statement passes here: repairing it here gives every
  // dialect the same text and lets the cut count the characters that are stored.
  std::string repaired;
  if (!IsValidUtf8(value)) {
    repaired = RepairUtf8(value);
    value = repaired;
  }
  std::string quoted;
  quoted.reserve(value.size() + 8);
  for (char c : value) {
    quoted += c;
    if (c == '\'') quoted += '\'';
  }
  if (max_len < 1024) {
    quoted.resize(Utf8Prefix(quoted, max_len < 0 ? 0 : static_cast<size_t>(max_len)).size());
  } else if (dialect == Dialect::kOracle) {
    quoted.resize(Utf8Prefix(quoted, 4000).size());
  }
  // Escaped text ends in whole pairs of apostrophes; an odd run at the end
  // means the cut went through a pair, and its lone half would end the literal.
  size_t run = 0;
  while (run < quoted.size() && quoted[quoted.size() - 1 - run] == '\'') ++run;
  if (run % 2 == 1) quoted.pop_back();
  return quoted;
}

std::string QuoteWholeForSql(std::string_view value, Dialect dialect) {
  // QuoteForSql leaves values of 1024 and more whole (Oracle: 4000 characters).
  constexpr int kWhole = 1024;
  return QuoteForSql(value, kWhole, dialect);
}

std::string StripLineFeeds(std::string text) {
  for (char& c : text) {
    if (c == '\n') c = ' ';
  }
  return text;
}

std::string MySqlFilter(std::string_view statement) {
  std::string out;
  out.reserve(statement.size());
  for (char c : statement) {
    out += c;
    if (c == '\\') out += '\\';
  }
  return out;
}

}  // namespace korvale
