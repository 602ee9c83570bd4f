// A SqlConnection for statement-text tests: records every statement it is
// given and answers from canned rules, so a test can check the exact SQL a
// dialect gets without that dialect's server.
//
//   auto conn = std::make_unique<CannedSqlConnection>();
//   conn->AnswerRows("FROM Meetings", {CannedRow({{"Name", "Ann"}, {"BookingStatus", 1}})});
//   conn->Fail("UPDATE Meetings", "[vendor] refused");
//   conn->Throw("DELETE FROM");  // an unexpected failure inside the binding
//   ... code under test ...
//   EXPECT_EQ(conn->statements().at(1), "UPDATE ...");
#pragma once

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/odbc/odbc.h"

namespace korvale::testing {

// One row from (column, value) pairs, in the given column order.
inline SqlRow CannedRow(const std::vector<std::pair<std::string, SqlValue>>& columns) {
  auto names = std::make_shared<std::vector<std::string>>();
  std::vector<SqlValue> values;
  for (const auto& [name, value] : columns) {
    names->push_back(name);
    values.push_back(value);
  }
  return SqlRow(std::move(names), std::move(values));
}

class CannedSqlConnection : public SqlConnection {
 public:
  // The first rule whose fragment the statement contains decides the answer;
  // statements no rule matches succeed with no rows.
  void AnswerRows(std::string fragment, std::vector<SqlRow> rows) {
    rules_.push_back({std::move(fragment), std::move(rows), std::nullopt, false});
  }
  void Fail(std::string fragment, std::string driver_text) {
    SqlError error;
    error.text = std::move(driver_text);
    error.return_code = -1;
    error.sql_state = "HY000";
    rules_.push_back({std::move(fragment), {}, std::move(error), false});
  }

  void Throw(std::string fragment) { rules_.push_back({std::move(fragment), {}, std::nullopt, true}); }

  const std::vector<std::string>& statements() const { return statements_; }
  // The statements that contain a fragment, in order.
  std::vector<std::string> StatementsWith(std::string_view fragment) const {
    std::vector<std::string> found;
    for (const auto& s : statements_) {
      if (s.find(fragment) != std::string::npos) found.push_back(s);
    }
    return found;
  }

  SqlResult<SqlDone> Execute(std::string_view sql) override {
    const Rule* rule = Match(sql);
    if (rule != nullptr && rule->error) return *rule->error;
    return SqlDone{};
  }
  SqlResult<std::vector<SqlRow>> Query(std::string_view sql) override {
    const Rule* rule = Match(sql);
    if (rule == nullptr) return std::vector<SqlRow>{};
    if (rule->error) return *rule->error;
    return rule->rows;
  }
  SqlResult<std::optional<SqlRow>> QueryFirst(std::string_view sql) override {
    auto rows = Query(sql);
    if (!rows.ok()) return rows.error();
    if (rows->empty()) return std::optional<SqlRow>();
    return std::optional<SqlRow>(rows->front());
  }
  std::string DatabaseName() override { return "canned"; }
  SqlResult<SqlDone> BeginTransaction() override { return SqlDone{}; }
  SqlResult<SqlDone> CommitTransaction() override { return SqlDone{}; }
  SqlResult<SqlDone> RollbackTransaction() override { return SqlDone{}; }

 private:
  struct Rule {
    std::string fragment;
    std::vector<SqlRow> rows;
    std::optional<SqlError> error;
    bool throws = false;
  };

  const Rule* Match(std::string_view sql) {
    statements_.emplace_back(sql);
    for (const Rule& rule : rules_) {
      if (sql.find(rule.fragment) == std::string_view::npos) continue;
      if (rule.throws) throw std::runtime_error("canned failure");
      return &rule;
    }
    return nullptr;
  }

  std::vector<Rule> rules_;
  std::vector<std::string> statements_;
};

}  // namespace korvale::testing
