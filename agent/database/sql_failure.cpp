// Telling a refused row from a failing database.
#include "agent/database/sql_failure.h"

#include <strings.h>

namespace korvale {
namespace {

bool StateClass(const SqlError& error, std::string_view klass) {
  return std::string_view(error.sql_state).substr(0, 2) == klass;
}

// SQLite's primary result codes (the low byte of an extended code).
bool SqliteRowRefusal(int32_t native) {
  switch (native & 0xff) {
    case 18:  // SQLITE_TOOBIG
    case 19:  // SQLITE_CONSTRAINT
    case 20:  // SQLITE_MISMATCH
    case 25:  // SQLITE_RANGE
      return true;
  }
  return false;
}

// CR_SERVER_GONE_ERROR, CR_SERVER_LOST of the MySQL client library.
bool MySqlConnectionLost(int32_t native) { return native == 2006 || native == 2013; }

bool IsNameChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '$' ||
         static_cast<unsigned char>(c) >= 0x80;
}

// The end of the quoted text that starts at `open` (one past the closing
// quote): a doubled quote stands for itself, and in MySQL a backslash escapes
// the next character inside values.
size_t SkipQuoted(std::string_view sql, size_t open, bool backslash_escapes) {
  const char quote = sql[open];
  size_t i = open + 1;
  while (i < sql.size()) {
    if (backslash_escapes && quote == '\'' && sql[i] == '\\') {
      i += 2;
    } else if (sql[i] == quote) {
      if (i + 1 < sql.size() && sql[i + 1] == quote) {
        i += 2;
      } else {
        return i + 1;
      }
    } else {
      ++i;
    }
  }
  return sql.size();
}

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

}  // namespace

SqlFailureKind ClassifySqlFailure(const SqlError& error, Dialect dialect) {
  if (StateClass(error, "08")) return SqlFailureKind::kConnectionLost;
  if (dialect == Dialect::kMySql && MySqlConnectionLost(error.native_code)) {
    return SqlFailureKind::kConnectionLost;
  }
  if (StateClass(error, "22") || StateClass(error, "23")) return SqlFailureKind::kRowData;
  if (dialect == Dialect::kSQLite && StateClass(error, "HY") && SqliteRowRefusal(error.native_code)) {
    return SqlFailureKind::kRowData;
  }
  return SqlFailureKind::kDatabase;
}

bool StatementNamesTable(std::string_view sql, std::string_view table, Dialect dialect) {
  if (table.empty()) return false;
  const bool backslash_escapes = dialect == Dialect::kMySql;
  size_t i = 0;
  while (i < sql.size()) {
    const char c = sql[i];
    if (c == '\'') {
      i = SkipQuoted(sql, i, backslash_escapes);
    } else if (c == '"' || c == '`') {
      const size_t end = SkipQuoted(sql, i, false);
      const size_t inner = end > i + 1 ? end - i - 2 : 0;
      if (SameName(sql.substr(i + 1, inner), table)) return true;
      i = end;
    } else if (IsNameChar(c)) {
      size_t end = i;
      while (end < sql.size() && IsNameChar(sql[end])) ++end;
      if (SameName(sql.substr(i, end - i), table)) return true;
      i = end;
    } else {
      ++i;
    }
  }
  return false;
}

}  // namespace korvale
