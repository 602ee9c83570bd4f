#include "web/sql_text.h"

#include "agent/database/dialect.h"
#include "web/calendar_date.h"

namespace korvale::web {

std::string SqlText(std::string_view text, const Installation& installation) {
  return "'" + QuoteWholeForSql(text, installation.dialect) + "'";
}

std::string SqlDate(const SqlTimestamp& t, const Installation& installation) {
  return FormatDateLiteral(installation.settings.date_literal_format, ToSystemTime(t));
}

std::string SqlStatement(const std::string& sql, const Installation& installation) {
  return installation.dialect == Dialect::kMySql ? MySqlFilter(sql) : sql;
}

std::string SqlStartColumn(const Installation& installation) { return StartColumn(installation.dialect); }

}  // namespace korvale::web
