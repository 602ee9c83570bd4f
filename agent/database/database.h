// The cycle's calendar database: the ODBC connection together with its
// dialect, the MySQL statement filter and the SQL trace. Every statement the
// agent runs goes through here, so each is filtered and traced before it runs.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "agent/database/dialect.h"
#include "common/agent_log.h"
#include "common/agent_settings.h"
#include "platform/odbc/odbc.h"

namespace korvale {

class Database {
 public:
  Database(const AgentSettings& settings, AgentLog& log, std::unique_ptr<SqlConnection> connection);

  Dialect dialect() const { return dialect_; }
  const AgentSettings& settings() const { return settings_; }
  AgentLog& log() { return log_; }
  SqlConnection& connection() { return *connection_; }

  // MySQL filter (in that dialect), LogSqlStatement, then execution.
  SqlResult<SqlDone> Execute(const std::string& sql);
  SqlResult<std::vector<SqlRow>> Query(const std::string& sql);
  SqlResult<std::optional<SqlRow>> QueryFirst(const std::string& sql);

 private:
  std::string Prepare(const std::string& sql);

  const AgentSettings& settings_;
  AgentLog& log_;
  std::unique_ptr<SqlConnection> connection_;
  Dialect dialect_;
};

}  // namespace korvale
