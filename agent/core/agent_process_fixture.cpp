#include "agent/core/agent_process_fixture.h"

#include <filesystem>

#include "tests/support/process.h"

namespace korvale::testing {

namespace fs = std::filesystem;

void AgentProcessTest::SetUp() {
  if (IsMariaDb()) {
    mariadb_ = std::make_unique<MariaDbDsn>();
    KORVALE_REQUIRE_MARIADB(*mariadb_);
    dsn_name_ = mariadb_->name();
    DropTables();
  } else {
    sqlite_ = std::make_unique<SqliteDsn>();
    dsn_name_ = sqlite_->name();
  }
  for (const char* program : {"agent/core/Caldrun", "tools/orgadmin/korvale-orgadmin"}) {
    fs::copy_file(BuiltProgram(program), dir_.path() / fs::path(program).filename());
  }
}

void AgentProcessTest::TearDown() {
  if (mariadb_ && mariadb_->available()) DropTables();
  checker_.reset();
}

void AgentProcessTest::DropTables() {
  (void)Checker().Execute(
      "DROP TABLE IF EXISTS KorvaleTable1, KorvaleTable2, KorvaleConfig, Meetings, Groups, Profiles, "
      "UserPics, KRVUsers");
}

void AgentProcessTest::CreateOrganisation(const std::string& json) {
  WriteFileBytes(dir_.path() / "org.json", json);
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"create", dir_.File("org.db"), dir_.File("org.json")},
        std::vector<std::string>{"register", dir_.File("org.db"), "--profiles",
                                 dir_.File("mapi-profiles.json")}}) {
    auto result = RunProcess(dir_.File("korvale-orgadmin"), args);
    ASSERT_EQ(result.exit_code, 0) << result.output;
  }
}

void AgentProcessTest::WriteIni(const std::string& config, const std::string& sections) {
  WriteFileBytes(dir_.path() / "Caldrun.ini", "[Config]\r\nDB=" + dsn_name_ + "\r\n" +
                                                  (IsMariaDb() ? "mySQL=1" : "SQLite=1") + "\r\n" + config +
                                                  sections);
}

void AgentProcessTest::RunCycle(const std::string& instance) {
  auto result = RunProcess(dir_.File("Caldrun"), {instance},
                           {{"KORVALE_EVENTLOG", dir_.File("events.jsonl")},
                            {"KORVALE_ATOM_DIR", dir_.File("atoms")},
                            {"KORVALE_MAPI_PROFILES", ""}});
  ASSERT_EQ(result.exit_code, 0) << result.output;
}

SqlConnection& AgentProcessTest::Checker() {
  if (!checker_) {
    auto connection = OpenSqlConnection("DSN=" + dsn_name_);
    if (!connection.ok()) {
      ADD_FAILURE() << connection.error().text;
      std::abort();  // nothing of the test can be checked
    }
    checker_ = std::move(*connection);
  }
  return *checker_;
}

std::vector<SqlRow> AgentProcessTest::Rows(const std::string& sql) {
  auto rows = Checker().Query(sql);
  EXPECT_TRUE(rows.ok()) << sql << ": " << (rows.ok() ? "" : rows.error().text);
  return rows.ok() ? *rows : std::vector<SqlRow>{};
}

void AgentProcessTest::Exec(const std::string& sql) {
  auto done = Checker().Execute(sql);
  ASSERT_TRUE(done.ok()) << sql << ": " << done.error().text;
}

std::string AgentProcessTest::Active() {
  auto rows = Rows("SELECT ActiveTable FROM KorvaleConfig");
  return rows.empty() ? "" : rows[0].Text("ActiveTable").value_or("");
}

std::vector<eventlog::EventRecord> AgentProcessTest::Events(uint32_t id) {
  std::vector<eventlog::EventRecord> found;
  for (auto& e : eventlog::ReadEventFile(dir_.File("events.jsonl"))) {
    if (e.id == id) found.push_back(std::move(e));
  }
  return found;
}

std::string AgentProcessTest::DescribeEvents() {
  std::string out;
  for (const auto& e : eventlog::ReadEventFile(dir_.File("events.jsonl"))) {
    out += std::to_string(e.id) + ":";
    for (size_t i = 1; i < e.texts.size(); ++i) out += " " + e.texts[i];
    out += "\n";
  }
  return out;
}

}  // namespace korvale::testing
