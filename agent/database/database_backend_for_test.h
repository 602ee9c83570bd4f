// The real databases the database tests run against: a temporary SQLite file
// (SQLite dialect) and the MariaDB test server (MySQL dialect), each reached
// through unixODBC. Also a connection wrapper that refuses chosen statements,
// for the failure paths no real database produces on demand.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "agent/database/database.h"
#include "agent/database/dialect_settings_for_test.h"
#include "agent/database/open_database.h"
#include "agent/database/prepare_database.h"
#include "tests/fakes/recording_log.h"
#include "tests/support/mariadb_dsn.h"
#include "tests/support/sqlite_dsn.h"

namespace korvale::testing {

// Refuses every statement containing `fragment` as a driver would: SQL_ERROR
// with a state (by default 42000, a refusal of the database, not of a row's
// data) and a message that has a line feed in it.
class RefusingConnection : public SqlConnection {
 public:
  RefusingConnection(std::unique_ptr<SqlConnection> inner, std::string fragment, std::string state = "42000")
      : inner_(std::move(inner)), fragment_(std::move(fragment)), state_(std::move(state)) {}
  SqlResult<SqlDone> Execute(std::string_view sql) override {
    if (Refused(sql)) return Refusal();
    return inner_->Execute(sql);
  }
  SqlResult<std::vector<SqlRow>> Query(std::string_view sql) override {
    if (Refused(sql)) return Refusal();
    return inner_->Query(sql);
  }
  SqlResult<std::optional<SqlRow>> QueryFirst(std::string_view sql) override {
    if (Refused(sql)) return Refusal();
    return inner_->QueryFirst(sql);
  }
  std::string DatabaseName() override { return inner_->DatabaseName(); }
  SqlResult<SqlDone> BeginTransaction() override { return inner_->BeginTransaction(); }
  SqlResult<SqlDone> CommitTransaction() override { return inner_->CommitTransaction(); }
  SqlResult<SqlDone> RollbackTransaction() override { return inner_->RollbackTransaction(); }

  static constexpr char kText[] = "[test][driver]permission denied\nfor this statement";

 private:
  bool Refused(std::string_view sql) const { return sql.find(fragment_) != std::string_view::npos; }
  SqlError Refusal() const { return SqlError{kText, -1, state_, 229}; }

  std::unique_ptr<SqlConnection> inner_;
  std::string fragment_;
  std::string state_;
};

// A connector whose connections refuse statements containing `fragment`.
inline SqlConnector RefusingConnector(std::string fragment, std::string state = "42000") {
  return [fragment, state](const std::string& connect_string) -> SqlResult<std::unique_ptr<SqlConnection>> {
    auto connection = OpenSqlConnection(connect_string);
    if (!connection.ok()) return connection.error();
    return std::unique_ptr<SqlConnection>(
        std::make_unique<RefusingConnection>(std::move(*connection), fragment, state));
  };
}

enum class Backend { kSqlite, kMariaDb };

inline std::string BackendName(const ::testing::TestParamInfo<Backend>& info) {
  return info.param == Backend::kSqlite ? "SQLite" : "MariaDB";
}

class DatabaseBackendTest : public ::testing::TestWithParam<Backend> {
 protected:
  void SetUp() override {
    if (GetParam() == Backend::kSqlite) {
      sqlite_ = std::make_unique<SqliteDsn>();
      settings_ = SettingsFor(Dialect::kSQLite);
      settings_.db = sqlite_->name();
      dsn_name_ = sqlite_->name();
    } else {
      mariadb_ = std::make_unique<MariaDbDsn>();
      KORVALE_REQUIRE_MARIADB(*mariadb_);
      settings_ = SettingsFor(Dialect::kMySql);
      settings_.db = mariadb_->name();
      dsn_name_ = mariadb_->name();
      DropTestTables();
    }
  }

  void TearDown() override {
    checker_.reset();
    if (mariadb_ && mariadb_->available()) DropTestTables();
  }

  bool IsMariaDb() const { return GetParam() == Backend::kMariaDb; }

  // Prepares the database as a cycle of agent `instance` would.
  DatabasePreparation Prepare(const std::string& instance = "Korvale Update Service",
                              const SqlConnector& connector = OpenSqlConnection) {
    DatabasePreparation out;
    Status status = PrepareDatabase(settings_, log_, instance, out, connector);
    EXPECT_TRUE(status.ok()) << status.message() << "\n" << log_.Describe();
    return out;
  }

  // An untraced connection of the test's own for looking at the tables.
  SqlConnection& Checker() {
    if (!checker_) {
      // The test's own data source, whatever a test does to settings_.db.
      auto c = OpenSqlConnection("DSN=" + dsn_name_);
      EXPECT_TRUE(c.ok()) << (c.ok() ? "" : c.error().text);
      if (!c.ok()) std::abort();  // nothing of the test can be checked
      checker_ = std::move(*c);
    }
    return *checker_;
  }

  void Exec(const std::string& sql) {
    auto done = Checker().Execute(sql);
    ASSERT_TRUE(done.ok()) << sql << ": " << done.error().text;
  }

  std::vector<SqlRow> Rows(const std::string& sql) {
    auto rows = Checker().Query(sql);
    EXPECT_TRUE(rows.ok()) << sql << ": " << (rows.ok() ? "" : rows.error().text);
    return rows.ok() ? *rows : std::vector<SqlRow>{};
  }

  bool TableExists(const std::string& table) { return Checker().QueryFirst("SELECT * FROM " + table).ok(); }

  // KorvaleConfig's rows, "" for a NULL value.
  std::vector<std::string> ActiveTables() {
    std::vector<std::string> out;
    for (const auto& row : Rows("SELECT * FROM KorvaleConfig")) {
      out.push_back(row.Text("ActiveTable").value_or(""));
    }
    return out;
  }

  // Seconds since the epoch of a local date-time as the database wrote it.
  static time_t LocalSeconds(const SqlTimestamp& t) {
    std::tm tm{};
    tm.tm_year = t.year - 1900;
    tm.tm_mon = t.month - 1;
    tm.tm_mday = t.day;
    tm.tm_hour = t.hour;
    tm.tm_min = t.minute;
    tm.tm_sec = t.second;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
  }

  std::vector<RecordedEvent> Errors() const {
    std::vector<RecordedEvent> out;
    for (const auto& e : log_.events()) {
      if (e.type == EventType::kError) out.push_back(e);
    }
    return out;
  }

  AgentSettings settings_;
  RecordingLog log_;

 private:
  void DropTestTables() {
    // One statement: each DROP costs the server a file-system round.
    (void)Checker().Execute(
        "DROP TABLE IF EXISTS KorvaleTable1, KorvaleTable2, KorvaleConfig, Meetings, Groups, "
        "Profiles, UserPics, KRVUsers, AppendSource");
  }

  std::unique_ptr<SqliteDsn> sqlite_;
  std::unique_ptr<MariaDbDsn> mariadb_;
  std::unique_ptr<SqlConnection> checker_;
  std::string dsn_name_;
};

}  // namespace korvale::testing
