// The cycle's calendar database: the ODBC connection together with its
// dialect, the MySQL statement filter and the SQL trace. Every statement the
// agent runs goes through here, so each is filtered and traced before it runs.
//
// Every failure is also looked at here: a lost connection, or a failure of the
// database itself on a statement that writes or reads the fill table, is the
// cycle's fault (see DatabaseFault). A row refused for its own data is not.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "agent/database/dialect.h"
#include "agent/database/sql_failure.h"
#include "common/agent_log.h"
#include "common/agent_settings.h"
#include "platform/odbc/odbc.h"

namespace korvale {

// What keeps the cycle from publishing: the first failure of the database
// itself on the fill table (the table may miss rows), or a lost connection.
struct DatabaseFault {
  SqlFailureKind kind = SqlFailureKind::kDatabase;  // kDatabase or kConnectionLost
  SqlError error;
  std::string statement;  // as it ran; "COMMIT" for a failed commit
};

class Database {
 public:
  Database(const AgentSettings& settings, AgentLog& log, std::unique_ptr<SqlConnection> connection);
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  Dialect dialect() const { return dialect_; }
  const AgentSettings& settings() const { return settings_; }
  AgentLog& log() { return log_; }
  // The connection (untraced), watched like the statements below, its
  // transactions included.
  SqlConnection& connection();

  // MySQL filter (in that dialect), LogSqlStatement, then execution.
  SqlResult<SqlDone> Execute(const std::string& sql);
  SqlResult<std::vector<SqlRow>> Query(const std::string& sql);
  SqlResult<std::optional<SqlRow>> QueryFirst(const std::string& sql);

  // From now on a statement naming `table` that fails because of the database
  // is a fault, and so is a failed commit of a transaction that wrote it. An
  // empty name ends the watch (a published table has nothing to withhold).
  void WatchFillTable(std::string table);
  const std::string& watched_table() const { return watched_table_; }

  // The first fault, if any. After a lost connection nothing more is sent to
  // the database: every statement fails at once with the loss's SQL state.
  const std::optional<DatabaseFault>& fault() const { return fault_; }
  bool connection_lost() const { return loss_.has_value(); }

  // Each fault is reported once when it is found (see LogFault): the first,
  // and a lost connection after a fault of another kind. `handler` learns of
  // them as well; a fault found before it was set is handed over at once.
  void OnFault(std::function<void(const DatabaseFault&)> handler);

  // True when the latest failure was the database's (not a row's) and came
  // after the one that was found to be the fault: reporting it would only
  // repeat the fault's report. (The failure that was the fault is reported by
  // its caller as usual.)
  bool RepeatsFault() const;

 private:
  class WatchedConnection;
  friend class WatchedConnection;

  std::string Prepare(const std::string& sql);
  // Looks at a failure; `names_fill_table`: the statement wrote or read it.
  void Failed(const SqlError& error, const std::string& statement, bool names_fill_table,
              bool always_fault = false);
  void RecordFault(SqlFailureKind kind, const SqlError& error, const std::string& statement);

  const AgentSettings& settings_;
  AgentLog& log_;
  Dialect dialect_;
  std::string watched_table_;
  std::optional<DatabaseFault> fault_;
  std::optional<DatabaseFault> loss_;  // the lost connection, when it was
  std::optional<SqlFailureKind> last_failure_;
  int failures_since_fault_ = 0;  // counted from the failure that was the fault
  std::function<void(const DatabaseFault&)> on_fault_;
  std::unique_ptr<WatchedConnection> connection_;
};

}  // namespace korvale
