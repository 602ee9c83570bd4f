// Whole cycles run as the service host runs them: the real agent program in an
// installation folder, over an organisation built with the administration
// program, publishing into a real database of either kind (a temporary SQLite
// file, or the MariaDB test server in the MySQL dialect).
//
//   class MyTest : public AgentProcessTest {};
//   TEST_P(MyTest, Something) {
//     CreateOrganisation(json);
//     WriteIni("DL1=Anna Berg\r\nGroup1=Team\r\n...", "[Group1]\r\n...");
//     RunCycle("Korvale Test");
//     auto rows = Rows("SELECT * FROM " + Active() + " WHERE Status=9");
//   }
//   INSTANTIATE_TEST_SUITE_P(Backends, MyTest, ::testing::Values(Backend::kSqlite, Backend::kMariaDb),
//                            testing::BackendName);
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "agent/database/database_backend_for_test.h"
#include "platform/eventlog/eventlog.h"
#include "platform/odbc/odbc.h"
#include "tests/support/dates.h"
#include "tests/support/mariadb_dsn.h"
#include "tests/support/sqlite_dsn.h"
#include "tests/support/temp_dir.h"

namespace korvale::testing {

class AgentProcessTest : public ::testing::TestWithParam<Backend> {
 protected:
  void SetUp() override;
  void TearDown() override;

  bool IsMariaDb() const { return GetParam() == Backend::kMariaDb; }
  const std::string& DsnName() const { return dsn_name_; }

  // Builds the organisation store from the declarative `json` and maps its
  // servers in the profile file the agent uses.
  void CreateOrganisation(const std::string& json);
  // Caldrun.ini: [Config] with the data source and its dialect key, then
  // `config` (more [Config] lines), then `sections` (whole further sections).
  void WriteIni(const std::string& config, const std::string& sections = "");
  // One run of the agent under `instance`; the process must end normally.
  void RunCycle(const std::string& instance);

  // The test's own connection, untraced, for looking at the tables.
  SqlConnection& Checker();
  std::vector<SqlRow> Rows(const std::string& sql);
  void Exec(const std::string& sql);
  // The table KorvaleConfig names ("" when none).
  std::string Active();
  // Every event of every cycle so far with number `id`.
  std::vector<eventlog::EventRecord> Events(uint32_t id);
  // All events of every cycle so far, as text for failure messages.
  std::string DescribeEvents();

  TempDir dir_;

 private:
  void DropTables();

  std::unique_ptr<SqliteDsn> sqlite_;
  std::unique_ptr<MariaDbDsn> mariadb_;
  std::string dsn_name_;
  std::unique_ptr<SqlConnection> checker_;
};

}  // namespace korvale::testing
