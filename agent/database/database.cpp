// Every statement of the agent passes here: MySQL filter, SQL trace, execution.
#include "agent/database/database.h"

namespace korvale {

Database::Database(const AgentSettings& settings, AgentLog& log,
                   std::unique_ptr<SqlConnection> connection)
    : settings_(settings), log_(log), connection_(std::move(connection)),
      dialect_(StatementDialect(settings)) {}

std::string Database::Prepare(const std::string& sql) {
  std::string text = dialect_ == Dialect::kMySql ? MySqlFilter(sql) : sql;
  log_.LogSqlStatement(text);
  return text;
}

SqlResult<SqlDone> Database::Execute(const std::string& sql) {
  return connection_->Execute(Prepare(sql));
}

SqlResult<std::vector<SqlRow>> Database::Query(const std::string& sql) {
  return connection_->Query(Prepare(sql));
}

SqlResult<std::optional<SqlRow>> Database::QueryFirst(const std::string& sql) {
  return connection_->QueryFirst(Prepare(sql));
}

}  // namespace korvale
