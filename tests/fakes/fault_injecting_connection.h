// A real connection with the failures of a dying database put in between:
// a statement refused with a chosen SQL state, every call from some point on
// failing as on a dead connection, a commit that does not happen, or an
// exception out of the binding. The plan is shared with the test, which also
// sees every statement that reached the wrapper.
//
//   auto plan = std::make_shared<FaultPlan>();
//   plan->FailFrom("insert into KorvaleTable2", 5, ConnectionLostError());
//   AgentEnvironment env = MachineEnvironment();
//   env.connector = FaultInjectingConnector(plan);
//   UpdateAgent agent(paths, &eventlog::RegisterEventSource, std::move(env));
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/odbc/odbc.h"

namespace korvale::testing {

// The errors as the drivers report them.
inline SqlError ConnectionLostError() {
  return SqlError{"[ma-3.1.15]Lost connection to server during query", -1, "08S01", 2013};
}
inline SqlError DiskFullError() { return SqlError{"[SQLite]database or disk is full (13)", -1, "HY000", 13}; }
inline SqlError LockedError() { return SqlError{"[SQLite]database is locked (5)", -1, "HY000", 5}; }
inline SqlError RowRefusedError() {
  return SqlError{"[SQLite]NOT NULL constraint failed: KorvaleTable2.Name (19)", -1, "HY000", 19};
}

class FaultPlan {
 public:
  // The `occurrence`-th statement (from 1) containing `fragment` fails with `error`.
  void FailNth(std::string fragment, int occurrence, SqlError error) {
    rules_.push_back({std::move(fragment), occurrence, false, false, std::move(error)});
  }
  // From the `occurrence`-th statement containing `fragment` on, every call
  // fails with `error`, commits included: the connection is dead.
  void FailFrom(std::string fragment, int occurrence, SqlError error) {
    rules_.push_back({std::move(fragment), occurrence, true, false, std::move(error)});
  }
  // Every statement containing `fragment` throws out of the binding.
  void ThrowOn(std::string fragment) { rules_.push_back({std::move(fragment), 1, true, true, {}}); }
  // The `occurrence`-th commit (from 1) fails with `error` and its statements are rolled back.
  void FailCommit(int occurrence, SqlError error) {
    commit_rule_ = occurrence;
    commit_error_ = std::move(error);
  }

  // Every statement the wrapper was given, in order (refused ones included).
  const std::vector<std::string>& statements() const { return statements_; }
  size_t CountWith(std::string_view fragment) const {
    size_t n = 0;
    for (const auto& s : statements_) n += s.find(fragment) != std::string::npos;
    return n;
  }
  int commits() const { return commits_; }

  // The failure for the next statement, if any (throws for ThrowOn).
  std::optional<SqlError> Next(std::string_view sql) {
    statements_.emplace_back(sql);
    if (dead_) return dead_;
    for (Rule& rule : rules_) {
      if (sql.find(rule.fragment) == std::string_view::npos) continue;
      if (++rule.seen < rule.occurrence || (!rule.from_then_on && rule.seen > rule.occurrence)) continue;
      if (rule.throws) throw std::runtime_error("fault injected into the binding");
      if (rule.from_then_on) dead_ = rule.error;
      return rule.error;
    }
    return std::nullopt;
  }
  std::optional<SqlError> NextCommit() {
    ++commits_;
    if (dead_) return dead_;
    if (commit_rule_ == commits_) return commit_error_;
    return std::nullopt;
  }
  bool dead() const { return dead_.has_value(); }
  const SqlError& dead_error() const { return *dead_; }

 private:
  struct Rule {
    std::string fragment;
    int occurrence;
    bool from_then_on;
    bool throws;
    SqlError error;
    int seen = 0;
  };
  std::vector<Rule> rules_;
  std::vector<std::string> statements_;
  std::optional<SqlError> dead_;
  int commit_rule_ = 0;
  SqlError commit_error_;
  int commits_ = 0;
};

class FaultInjectingConnection : public SqlConnection {
 public:
  FaultInjectingConnection(std::unique_ptr<SqlConnection> inner, std::shared_ptr<FaultPlan> plan)
      : inner_(std::move(inner)), plan_(std::move(plan)) {}

  SqlResult<SqlDone> Execute(std::string_view sql) override {
    if (auto error = plan_->Next(sql)) return *error;
    return inner_->Execute(sql);
  }
  SqlResult<std::vector<SqlRow>> Query(std::string_view sql) override {
    if (auto error = plan_->Next(sql)) return *error;
    return inner_->Query(sql);
  }
  SqlResult<std::optional<SqlRow>> QueryFirst(std::string_view sql) override {
    if (auto error = plan_->Next(sql)) return *error;
    return inner_->QueryFirst(sql);
  }
  std::string DatabaseName() override { return inner_->DatabaseName(); }
  SqlResult<SqlDone> BeginTransaction() override {
    if (plan_->dead()) return plan_->dead_error();
    return inner_->BeginTransaction();
  }
  SqlResult<SqlDone> CommitTransaction() override {
    if (auto error = plan_->NextCommit()) {
      (void)inner_->RollbackTransaction();
      return *error;
    }
    return inner_->CommitTransaction();
  }
  SqlResult<SqlDone> RollbackTransaction() override { return inner_->RollbackTransaction(); }

 private:
  std::unique_ptr<SqlConnection> inner_;
  std::shared_ptr<FaultPlan> plan_;
};

// Opens the real connection (with `extra` appended to the connect string,
// e.g. ";Timeout=200") and puts the plan's faults in front of it.
inline std::function<SqlResult<std::unique_ptr<SqlConnection>>(const std::string&)> FaultInjectingConnector(
    std::shared_ptr<FaultPlan> plan, std::string extra = "") {
  return [plan, extra](const std::string& connect_string) -> SqlResult<std::unique_ptr<SqlConnection>> {
    auto connection = OpenSqlConnection(connect_string + extra);
    if (!connection.ok()) return connection.error();
    return std::unique_ptr<SqlConnection>(
        std::make_unique<FaultInjectingConnection>(std::move(*connection), plan));
  };
}

}  // namespace korvale::testing
