// The SQL dialects of the calendar database and the value helpers every
// statement builder uses.
#pragma once

#include <string>
#include <string_view>

#include "common/agent_settings.h"
#include "platform/tz/tz_types.h"

namespace korvale {

// Which statement variant to build. Precedence when several keys are set:
// Oracle, MySQL, SQL Server, SQLite, Access.
enum class Dialect { kAccess, kSqlServer, kMySql, kOracle, kSQLite };

Dialect StatementDialect(const AgentSettings& settings);

// Which column types CREATE TABLE writes. Tested in this order: the SQL Server
// family (SQL Server, MySQL and the embedded SQLite database share its types),
// then Oracle; Access otherwise.
enum class TypeFamily { kAccess, kSqlServer, kOracle };
TypeFamily ColumnTypeFamily(const AgentSettings& settings);

// Current-time function: "Now", "GETDATE()", "NOW()", "SYSDATE", "datetime('now','localtime')".
const char* TimeFunction(Dialect dialect);
// "Start", or "StartTime" for Oracle.
const char* StartColumn(Dialect dialect);

// Text column type for a maximum length (the SQL Server family first, then Oracle).
std::string SqlTypeName(const AgentSettings& settings, int size);
// "" for Access, otherwise " DEFAULT n".
std::string DefaultClause(const AgentSettings& settings, int n);

// Text that is not valid UTF-8 repaired first (each ill-formed sequence
// becomes U+FFFD, see utf8_text.h), then apostrophes doubled; cut to max_len
// characters when max_len < 1024 (Oracle: 4000 when max_len >= 1024); a
// dangling half of a doubled apostrophe removed. Counts UTF-8 characters and
// never cuts inside one. The limit counts the
// escaped text, so a value with apostrophes keeps fewer of its characters:
//   QuoteForSql("O'Neil", 50, kAccess) == "O''Neil"
std::string QuoteForSql(std::string_view value, int max_len, Dialect dialect);

// A value a statement names exactly as stored (a WHERE condition, the
// instance name): repaired and quoted as above, never cut, so the comparison
// still finds its row.
std::string QuoteWholeForSql(std::string_view value, Dialect dialect);

// Every line feed replaced by a blank (database error texts before they are logged).
std::string StripLineFeeds(std::string text);

// The MySQL statement filter: every backslash doubled.
std::string MySqlFilter(std::string_view statement);

// A date-time written with the date literal format (strftime-style conversions
// %Y %y %m %d %e %H %I %M %S %p %j %a %A %b %B %c %x %X %%, with "#" removing
// leading zeros as in "%#d"). Names and %c/%x/%X are those of the C locale;
// neither the process locale nor the machine's time zone plays a part.
// Unknown conversions are copied as they are.
std::string FormatDateLiteral(const std::string& format, const SYSTEMTIME& time);

}  // namespace korvale
