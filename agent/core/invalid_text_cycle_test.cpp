// A mailbox may hold any bytes in an appointment's texts. MariaDB refuses a
// statement with text that is not valid UTF-8 ("Incorrect string value"), so
// such an appointment never got published there, while SQLite stored the
// bytes as they came. Every dialect must publish the same repaired text.
#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <sstream>

#include "platform/eventlog/eventlog.h"
#include "platform/odbc/odbc.h"
#include "tests/support/mariadb_dsn.h"
#include "tests/support/process.h"
#include "tests/support/sqlite_dsn.h"
#include "tests/support/temp_dir.h"
#include "tools/orgadmin/commands.h"
#include "tools/orgadmin/org_file.h"

namespace korvale {
namespace {

namespace fs = std::filesystem;

enum class Backend { kSqlite, kMariaDb };

constexpr char kFffd[] = "\xEF\xBF\xBD";

// "YYYY-MM-DDTHH:00Z" N days from today.
std::string UtcHour(int days, int hour) {
  std::time_t t = std::time(nullptr) + static_cast<std::time_t>(days) * 86400;
  std::tm utc{};
  gmtime_r(&t, &utc);
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02dT%02d:00Z", utc.tm_year + 1900, utc.tm_mon + 1,
                utc.tm_mday, hour);
  return buffer;
}

constexpr char kOrganisation[] = R"({
  "organisation": "Org", "zone": "UTC",
  "servers": [ { "name": "SRV1", "site": "Site" } ],
  "mailboxes": [ { "alias": "svc", "name": "Service", "server": "SRV1" },
                 { "alias": "anna", "name": "Anna Berg", "server": "SRV1" } ]
})";

class InvalidTextCycleTest : public ::testing::TestWithParam<Backend> {
 protected:
  void SetUp() override {
    if (GetParam() == Backend::kMariaDb) {
      mariadb_ = std::make_unique<testing::MariaDbDsn>();
      KORVALE_REQUIRE_MARIADB(*mariadb_);
      dsn_ = mariadb_->name();
      DropTables();
    } else {
      sqlite_ = std::make_unique<testing::SqliteDsn>();
      dsn_ = sqlite_->name();
    }
    fs::copy_file(testing::BuiltProgram("agent/core/Caldrun"), dir_.path() / "Caldrun");
    testing::WriteFileBytes(dir_.path() / "org.json", kOrganisation);
    std::ostringstream out;
    ASSERT_TRUE(orgadmin::CreateOrganisation(store_, dir_.File("org.json"), out).ok()) << out.str();
    ASSERT_TRUE(orgadmin::RegisterServers(store_, dir_.File("mapi-profiles.json"), out).ok()) << out.str();
    testing::WriteFileBytes(
        dir_.path() / "Caldrun.ini",
        "[Config]\r\nDB=" + dsn_ + "\r\n" + (GetParam() == Backend::kMariaDb ? "mySQL=1" : "SQLite=1") +
            "\r\nLogonServer=SRV1\r\nLogonMailbox=Service\r\nDaysPast=5\r\nDaysAhead=30\r\n"
            "DL1=Anna Berg\r\nGroup1=Team\r\nServer1=SRV1\r\n[Server1]\r\nDS=" +
            dsn_ + "\r\n[Group1]\r\nAddr1=/o=Org/ou=Site/cn=Recipients/cn=anna\r\n");
  }
  void TearDown() override {
    if (mariadb_ && mariadb_->available()) DropTables();
  }

  void AddAppointment(const std::string& subject, const std::string& location, int day) {
    orgadmin::AppointmentSpec spec;
    spec.mailbox = "anna";
    spec.subject = subject;
    spec.location = location;
    std::string zone;
    ASSERT_TRUE(orgadmin::ParseTime(UtcHour(day, 9), "", &spec.start, &zone).ok());
    ASSERT_TRUE(orgadmin::ParseTime(UtcHour(day, 10), "", &spec.end, &zone).ok());
    std::ostringstream out;
    Status added = orgadmin::AddAppointment(store_, spec, out);
    ASSERT_TRUE(added.ok()) << added.message();
  }

  void RunCycle() {
    auto result = testing::RunProcess(
        dir_.File("Caldrun"), {"Korvale Update Service"},
        {{"KORVALE_EVENTLOG", dir_.File("events.jsonl")}, {"KORVALE_ATOM_DIR", dir_.File("atoms")}});
    ASSERT_EQ(result.exit_code, 0) << result.output;
  }

  std::vector<SqlRow> Rows(const std::string& sql) {
    auto connection = OpenSqlConnection("DSN=" + dsn_);
    EXPECT_TRUE(connection.ok());
    if (!connection.ok()) return {};
    auto rows = (*connection)->Query(sql);
    EXPECT_TRUE(rows.ok()) << sql << ": " << (rows.ok() ? "" : rows.error().text);
    return rows.ok() ? *rows : std::vector<SqlRow>{};
  }

  std::string Errors() {
    std::string errors;
    for (const auto& e : eventlog::ReadEventFile(dir_.File("events.jsonl"))) {
      if (e.type == 1) errors += std::to_string(e.id) + ": " + e.texts.back() + "\n";
    }
    return errors;
  }

  void DropTables() {
    auto connection = OpenSqlConnection("DSN=" + dsn_);
    if (connection.ok()) {
      (void)(*connection)
          ->Execute("DROP TABLE IF EXISTS KorvaleTable1, KorvaleTable2, KorvaleConfig, Meetings");
    }
  }

  testing::TempDir dir_;
  std::string store_ = dir_.File("org.db");
  std::unique_ptr<testing::SqliteDsn> sqlite_;
  std::unique_ptr<testing::MariaDbDsn> mariadb_;
  std::string dsn_;
};

// Latin-1 bytes, a cut-off sequence and stray bytes in subject and location:
// the appointment is published, each broken sequence one U+FFFD, and the
// valid appointment beside it is untouched.
TEST_P(InvalidTextCycleTest, BrokenTextIsRepairedAndPublished) {
  AddAppointment("Caf\xE9 \xFF\xFEmeeting \xE2\x82", "Z\xFCrich \xC3", 1);
  AddAppointment("Grüße aus Zürich", "Büro 1", 2);
  RunCycle();
  EXPECT_EQ(Errors(), "") << "no statement may be refused";
  auto active = Rows("SELECT ActiveTable FROM KorvaleConfig");
  ASSERT_EQ(active.size(), 1u);
  const std::string table = active[0].Text("ActiveTable").value_or("");
  auto rows = Rows("SELECT Title, Location FROM " + table +
                   " WHERE Name='Anna Berg' AND Status<>8 AND Status<>9 ORDER BY Start");
  ASSERT_EQ(rows.size(), 2u) << "both appointments are published";
  const std::string f = kFffd;
  EXPECT_EQ(rows[0].Text("Title").value_or(""), "Caf" + f + " " + f + f + "meeting " + f);
  EXPECT_EQ(rows[0].Text("Location").value_or(""), "Z" + f + "rich " + f);
  EXPECT_EQ(rows[1].Text("Title").value_or(""), "Grüße aus Zürich");
  EXPECT_EQ(rows[1].Text("Location").value_or(""), "Büro 1");
}

INSTANTIATE_TEST_SUITE_P(Dialects, InvalidTextCycleTest,
                         ::testing::Values(Backend::kSqlite, Backend::kMariaDb),
                         [](const ::testing::TestParamInfo<Backend>& info) {
                           return info.param == Backend::kSqlite ? "SQLite" : "MariaDB";
                         });

}  // namespace
}  // namespace korvale
