// Whole cycles as the service host runs them: the real agent program over an
// organisation built with the administration program, publishing into a real
// SQLite database through the ODBC driver.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/eventlog/eventlog.h"
#include "platform/odbc/odbc.h"
#include "tests/support/dates.h"
#include "tests/support/process.h"
#include "tests/support/sqlite_dsn.h"
#include "tests/support/temp_dir.h"

namespace korvale {
namespace {

using testing::DayFromToday;

namespace fs = std::filesystem;

std::string Organisation() {
  return R"({
  "organisation": "Org", "zone": "UTC",
  "servers": [ { "name": "SRV1", "site": "Site" }, { "name": "SRV2", "site": "Site" },
               { "name": "SRV3", "site": "Site" } ],
  "domains": [ { "name": "CORP", "sid": "S-1-5-21-7-8-9", "controllers": ["\\\\DC1"] } ],
  "accounts": [ { "domain": "CORP", "name": "anna" }, { "domain": "CORP", "name": "ben" } ],
  "mailboxes": [
    { "alias": "svc", "name": "Service", "server": "SRV1" },
    { "alias": "anna", "name": "Anna Berg", "server": "SRV1", "smtp": "anna@x.example", "account": "CORP\\anna",
      "phone": "+41 1", "department": "Sales" },
    { "alias": "ben", "name": "Ben Carter", "server": "SRV1", "smtp": "ben@x.example", "account": "CORP\\ben" },
    { "alias": "carl", "name": "Carl Dunn", "server": "SRV2" },
    { "alias": "dora", "name": "Dora Ek", "server": "SRV3" } ],
  "permissions": [ { "mailbox": "anna", "member": "Default", "rights": "Reviewer" },
                   { "mailbox": "ben", "member": "Default", "rights": "None" },
                   { "mailbox": "ben", "member": "anna", "rights": "Editor" } ],
  "appointments": [
    { "mailbox": "anna", "subject": "Visit", "start": ")" +
         DayFromToday(1) + R"( 10:00", "end": ")" + DayFromToday(1) + R"( 11:00",
      "location": "Zurich", "categories": ["Customer"] },
    { "mailbox": "anna", "subject": "Fair", "start": ")" +
         DayFromToday(3) + R"( 22:00", "end": ")" + DayFromToday(5) + R"( 02:00" },
    { "mailbox": "anna", "subject": "Doctor", "start": ")" +
         DayFromToday(2) + R"( 08:00", "end": ")" + DayFromToday(2) + R"( 09:00",
      "private": true },
    { "mailbox": "anna", "subject": "Holiday", "start": ")" +
         DayFromToday(4) + R"( 00:00", "end": ")" + DayFromToday(5) + R"( 00:00",
      "categories": ["Holiday"] },
    { "mailbox": "anna", "subject": "Old", "start": ")" +
         DayFromToday(-30) + R"( 10:00", "end": ")" + DayFromToday(-30) + R"( 11:00" },
    { "mailbox": "ben", "subject": "Review", "start": ")" +
         DayFromToday(1) + R"( 14:00", "end": ")" + DayFromToday(1) + R"( 15:00",
      "attendees": ["anna"] },
    { "mailbox": "carl", "subject": "Remote", "start": ")" +
         DayFromToday(1) + R"( 09:00", "end": ")" + DayFromToday(1) + R"( 10:00" } ]
})";
}

class CycleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* program : {"agent/core/Caldrun", "tools/orgadmin/korvale-orgadmin"}) {
      fs::copy_file(testing::BuiltProgram(program), dir_.path() / fs::path(program).filename());
    }
    testing::WriteFileBytes(dir_.path() / "org.json", Organisation());
    Admin({"create", dir_.File("org.db"), dir_.File("org.json")});
    Admin({"register", dir_.File("org.db"), "--profiles", dir_.File("mapi-profiles.json")});
    WriteIni("");
  }
  void Admin(const std::vector<std::string>& args) {
    auto result = testing::RunProcess(dir_.File("korvale-orgadmin"), args);
    ASSERT_EQ(result.exit_code, 0) << result.output;
  }
  // `config_extra`: more [Config] lines.
  void WriteIni(const std::string& config_extra) {
    testing::WriteFileBytes(
        dir_.path() / "Caldrun.ini",
        "[Config]\r\n" + config_extra + "DB=" + dsn_.name() +
            "\r\nSQLite=1\r\nLogonServer=SRV1\r\nLogonMailbox=Service\r\n"
            "DaysPast=5\r\nDaysAhead=30\r\nDL1=Anna Berg;Ben Carter;Carl Dunn;Dora Ek\r\nGroup1=Team\r\n"
            "Server1=SRV1\r\nServer2=SRV2\r\n[Server1]\r\nDS=" +
            dsn_.name() +
            "\r\n[Server2]\r\nDS=elsewhere\r\n"
            "TimeDiff=-2\r\n[Group1]\r\nAddr1=/o=Org/ou=Site/cn=Recipients/cn=anna\r\n"
            "Addr2=/o=Org/ou=Site/cn=Recipients/cn=ben\r\nAddr3=/o=Org/ou=Site/cn=Recipients/cn=carl\r\n"
            "Addr4=/o=Org/ou=Site/cn=Recipients/cn=dora\r\n");
  }
  void RunCycle() {
    auto result = testing::RunProcess(
        dir_.File("Caldrun"), {"Korvale Test"},
        {{"KORVALE_EVENTLOG", dir_.File("events.jsonl")}, {"KORVALE_ATOM_DIR", dir_.File("atoms")}});
    ASSERT_EQ(result.exit_code, 0) << result.output;
  }
  std::vector<SqlRow> Rows(const std::string& sql) {
    auto connection = OpenSqlConnection(dsn_.ConnectString());
    EXPECT_TRUE(connection.ok());
    if (!connection.ok()) return {};
    auto rows = (*connection)->Query(sql);
    EXPECT_TRUE(rows.ok()) << (rows.ok() ? "" : rows.error().text);
    return rows.ok() ? *rows : std::vector<SqlRow>{};
  }
  std::string Active() {
    auto rows = Rows("SELECT ActiveTable FROM KorvaleConfig");
    return rows.empty() ? "" : rows[0].Text("ActiveTable").value_or("");
  }
  std::vector<std::string> Titles(const std::string& table, const std::string& name) {
    std::vector<std::string> titles;
    for (const auto& row : Rows("SELECT Title FROM " + table + " WHERE Status<>9 AND Status<>8 AND Name='" +
                                name + "' ORDER BY Start")) {
      titles.push_back(row.Text("Title").value_or(""));
    }
    return titles;
  }
  std::vector<eventlog::EventRecord> Events(uint32_t id) {
    std::vector<eventlog::EventRecord> found;
    for (auto& e : eventlog::ReadEventFile(dir_.File("events.jsonl"))) {
      if (e.id == id) found.push_back(e);
    }
    return found;
  }

  testing::TempDir dir_;
  testing::SqliteDsn dsn_;
};

// What the web pages rely on after one cycle: the fill table published with
// the user rows and the appointments inside the window, split per day.
TEST_F(CycleTest, PublishesUserRowsAndAppointments) {
  RunCycle();
  ASSERT_EQ(Active(), "KorvaleTable1");
  EXPECT_EQ(Titles("KorvaleTable1", "Anna Berg"),
            (std::vector<std::string>{"Visit", "Review", "private", "Fair", "Fair", "Fair"}))
      << "the holiday and the old item stay out; the private one is masked; the fair is one row per day";
  auto anna = Rows("SELECT * FROM KorvaleTable1 WHERE Status=9 AND Name='Anna Berg'");
  ASSERT_EQ(anna.size(), 1u);
  EXPECT_EQ(anna[0].Text("Datasource"), "$local");
  EXPECT_EQ(anna[0].Text("DL"), "//Team//");
  EXPECT_EQ(anna[0].Text("ACL"), "Korvale_Any");
  EXPECT_EQ(anna[0].Text("Title"), "anna@x.example");
  EXPECT_EQ(anna[0].Text("Department"), "Sales");
  auto ben = Rows("SELECT * FROM KorvaleTable1 WHERE Status=9 AND Name='Ben Carter'");
  ASSERT_EQ(ben.size(), 1u);
  EXPECT_EQ(ben[0].Text("ACL"), "CORP\\anna; CORP\\ben");
  EXPECT_EQ(ben[0].Text("ACLw"), "CORP\\anna; CORP\\ben");
  // Another data source publishes Carl's calendar: his user row names it, with no appointments.
  auto carl = Rows("SELECT * FROM KorvaleTable1 WHERE Status=9 AND Name='Carl Dunn'");
  ASSERT_EQ(carl.size(), 1u);
  EXPECT_EQ(carl[0].Text("Datasource"), "elsewhere");
  EXPECT_DOUBLE_EQ(carl[0].Double("TimeDifference").value_or(0), -2.0);
  EXPECT_TRUE(Titles("KorvaleTable1", "Carl Dunn").empty());
  // Dora's server has no entry: no row at all, only the event.
  EXPECT_TRUE(Rows("SELECT * FROM KorvaleTable1 WHERE Name='Dora Ek'").empty());
  auto no_server = Events(150);
  ASSERT_EQ(no_server.size(), 1u);
  EXPECT_EQ(no_server[0].texts[1], "SRV3");
  EXPECT_EQ(Rows("SELECT * FROM KorvaleTable1 WHERE Status=8 AND Name='$maintenance'").size(), 1u);
}

TEST_F(CycleTest, NextCycleFillsAndPublishesTheOtherTable) {
  RunCycle();
  RunCycle();
  EXPECT_EQ(Active(), "KorvaleTable2");
  EXPECT_EQ(Titles("KorvaleTable2", "Ben Carter"), std::vector<std::string>{"Review"});
  RunCycle();
  EXPECT_EQ(Active(), "KorvaleTable1");
}

// Shared-table mode: the one table is updated in place, and an appointment
// deleted from a calendar is gone after the next complete scan.
TEST_F(CycleTest, SharedTableDropsDeletedAppointments) {
  WriteIni("NewDB=1\r\n");
  RunCycle();
  ASSERT_EQ(Titles("KorvaleTable1", "Ben Carter"), std::vector<std::string>{"Review"});
  // Delete Ben's only appointment through the administration program.
  auto rows = Rows("SELECT ApptID FROM KorvaleTable1 WHERE Name='Ben Carter' AND Status<>9");
  ASSERT_EQ(rows.size(), 1u);
  // SQLite keeps the identifier as the hexadecimal text it was written as.
  auto stored = rows[0].Binary("ApptID").value_or(std::vector<uint8_t>{});
  std::string hex(stored.begin(), stored.end());
  Admin({"delete-appointment", dir_.File("org.db"), "--mailbox", "ben", hex});
  RunCycle();
  EXPECT_TRUE(Titles("KorvaleTable1", "Ben Carter").empty());
  EXPECT_EQ(Titles("KorvaleTable1", "Anna Berg").size(), 6u) << "unchanged rows stay";
  EXPECT_EQ(Active(), "KorvaleTable1");
}

// A skip list keeps a mailbox out; a pending booking for a group makes the
// remote mailbox of that group scanned here after all.
TEST_F(CycleTest, SkipListAndForcedScanOfARemoteMailbox) {
  WriteIni("Group1Skip=Ben Carter\r\n");
  RunCycle();
  EXPECT_TRUE(Rows("SELECT * FROM KorvaleTable1 WHERE Name='Ben Carter'").empty());
  EXPECT_TRUE(Titles("KorvaleTable1", "Carl Dunn").empty());
  auto connection = OpenSqlConnection(dsn_.ConnectString());
  ASSERT_TRUE(connection.ok());
  auto inserted = (*connection)
                      ->Execute(
                          "INSERT INTO Meetings (Name, Start, EndTime, Title, Status, Location, Phone, "
                          "Office, Initials, ACL, "
                          "Category, DL, Organizer, Attendees, BookingStatus) VALUES "
                          "('Anna Berg', datetime('now','localtime','start of day','+2 days','+9 hours'), "
                          "datetime('now','localtime','start of day','+2 days','+10 hours'), 'Team day', 2, "
                          "'', '', 'B-1', "
                          "'no invitation', '', '', 'Team', '', '', 1)");
  ASSERT_TRUE(inserted.ok()) << inserted.error().text;
  RunCycle();
  ASSERT_EQ(Active(), "KorvaleTable2");
  EXPECT_EQ(Titles("KorvaleTable2", "Carl Dunn"), (std::vector<std::string>{"Remote", "Team day"}))
      << "the booking forced the scan of the remote mailbox and was written into its calendar";
  auto carl = Rows("SELECT * FROM KorvaleTable2 WHERE Status=9 AND Name='Carl Dunn'");
  ASSERT_EQ(carl.size(), 1u);
  EXPECT_EQ(carl[0].Text("Datasource"), "elsewhere") << "a forced scan keeps the other data source";
  auto booking = Rows("SELECT BookingStatus FROM Meetings WHERE Office='B-1'");
  ASSERT_EQ(booking.size(), 1u);
  EXPECT_EQ(booking[0].Int("BookingStatus"), 2);
}

}  // namespace
}  // namespace korvale
