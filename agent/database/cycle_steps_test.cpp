// The cycle's database steps after the preparation, against real databases:
// shared-table marking and deletion, the append table, the end-of-cycle
// "$canbookmeetings" row, publication in shared-table mode and the
// administrator's own statements.
#include <gtest/gtest.h>

#include "agent/database/append_table.h"
#include "agent/database/database_backend_for_test.h"
#include "agent/database/marker_rows.h"
#include "agent/database/publication.h"
#include "agent/database/shared_table.h"
#include "agent/database/stored_procedures.h"

namespace korvale {
namespace {

using testing::Backend;
using testing::DatabaseBackendTest;

class CycleStepsTest : public DatabaseBackendTest {
 protected:
  // A calendar row as a mailbox scan of agent `owner` would write it ("" = no owner).
  void AddRow(const std::string& name, const std::string& owner, int stale) {
    const std::string service = owner.empty() ? "NULL" : "'" + owner + "'";
    Exec(
        "insert into KorvaleTable1 (Name, Start, EndTime, Status, KRVUpdate, KRVService) "
        "values('" +
        name + "', {ts '2010-12-03 09:00:00'}, {ts '2010-12-03 10:00:00'}, 1, " + std::to_string(stale) +
        ", " + service + ")");
  }

  std::vector<std::string> Names(const std::string& where) {
    std::vector<std::string> names;
    for (const auto& row : Rows("SELECT * FROM KorvaleTable1 WHERE " + where + " ORDER BY Name")) {
      names.push_back(row.Text("Name").value_or("<NULL>"));
    }
    return names;
  }
};

// Two agents share KorvaleTable1: each marks and deletes only its own rows and
// rows without an owner, and neither empties the table.
TEST_P(CycleStepsTest, SharedTableAgentsKeepToTheirOwnRows) {
  settings_.table_mode = TableMode::kShared;
  DatabasePreparation a = Prepare("Agent A");
  AddRow("a-old", "Agent A", 0);
  AddRow("orphan", "", 0);
  DatabasePreparation b = Prepare("Agent B");
  AddRow("b-old", "Agent B", 0);
  EXPECT_EQ(a.fill_table, "KorvaleTable1");
  EXPECT_EQ(b.fill_table, "KorvaleTable1");
  EXPECT_TRUE(b.fill_table_existed);
  EXPECT_EQ(Names("Status=1"), (std::vector<std::string>{"a-old", "b-old", "orphan"}))
      << "B's preparation emptied nothing";
  EXPECT_EQ(Rows("SELECT * FROM KorvaleTable1 WHERE Status=8 AND Name='$maintenance'").size(), 2u)
      << "one marker row per agent";

  // Agent A's cycle: mark, scan writes a current row, delete what is still stale.
  ASSERT_TRUE(MarkStaleRows(*a.database, a.fill_table, "Agent A").ok());
  EXPECT_EQ(Names("KRVUpdate=1"), (std::vector<std::string>{"a-old", "orphan"}));
  AddRow("a-new", "Agent A", 0);
  ASSERT_TRUE(DeleteStaleRows(*a.database, a.fill_table, "Agent A").ok());
  EXPECT_EQ(Names("Status=1"), (std::vector<std::string>{"a-new", "b-old"}));
  EXPECT_EQ(Names("Status=8"), (std::vector<std::string>{"$maintenance", "$maintenance"}))
      << "marker rows are never marked stale";

  // Agent B's cycle leaves A's rows alone.
  ASSERT_TRUE(MarkStaleRows(*b.database, b.fill_table, "Agent B").ok());
  ASSERT_TRUE(DeleteStaleRows(*b.database, b.fill_table, "Agent B").ok());
  EXPECT_EQ(Names("Status=1"), (std::vector<std::string>{"a-new"}));
  EXPECT_TRUE(Errors().empty()) << log_.Describe();
}

// In shared-table mode the first agent to publish names the table; nobody deletes it.
TEST_P(CycleStepsTest, SharedTablePublicationInsertsOnlyOnce) {
  settings_.table_mode = TableMode::kShared;
  DatabasePreparation a = Prepare("Agent A");
  DatabasePreparation b = Prepare("Agent B");
  ASSERT_TRUE(PublishFillTable(*a.database, a.fill_table).ok());
  ASSERT_TRUE(PublishFillTable(*b.database, b.fill_table).ok());
  EXPECT_EQ(ActiveTables(), std::vector<std::string>{"KorvaleTable1"});
}

TEST_P(CycleStepsTest, SharedTableMaintenanceRowIsUpdatedNotDuplicated) {
  settings_.table_mode = TableMode::kShared;
  Prepare("Agent A");
  Prepare("Agent A");
  auto rows = Rows("SELECT * FROM KorvaleTable1 WHERE Name='$maintenance'");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].Int("KRVUpdate"), 0);
  EXPECT_EQ(rows[0].Text("KRVService"), "Agent A");
}

TEST_P(CycleStepsTest, RefusedMarkingIsReportedWithTheFillTable) {
  settings_.table_mode = TableMode::kShared;
  DatabasePreparation a = Prepare("Agent A");
  Exec(IsMariaDb() ? "ALTER TABLE KorvaleTable1 DROP COLUMN KRVUpdate"
                   : "ALTER TABLE KorvaleTable1 RENAME COLUMN KRVUpdate TO Gone");
  EXPECT_FALSE(MarkStaleRows(*a.database, a.fill_table, "Agent A").ok());
  EXPECT_FALSE(DeleteStaleRows(*a.database, a.fill_table, "Agent A").ok());
  auto events = log_.EventsWithId(119);
  ASSERT_EQ(events.size(), 2u) << log_.Describe();
  EXPECT_EQ(events[0].texts.at(0), "KorvaleTable1");
  EXPECT_EQ(events[0].texts.at(1), settings_.db);
  EXPECT_NE(events[0].texts.at(2).find("KRVUpdate"), std::string::npos) << events[0].texts.at(2);
}

TEST_P(CycleStepsTest, AppendTableRowsAreCopiedIntoTheFillTable) {
  DatabasePreparation prep = Prepare();
  Exec("CREATE TABLE AppendSource AS SELECT * FROM KorvaleTable1 WHERE 1=0");
  Exec(
      "insert into AppendSource (Name, Start, EndTime, Status) values('holiday', {ts "
      "'2010-12-24 00:00:00'}, {ts '2010-12-27 00:00:00'}, 1)");
  settings_.append_table = "AppendSource";
  ASSERT_TRUE(AppendTable(*prep.database, prep.fill_table).ok()) << log_.Describe();
  EXPECT_EQ(Names("Status=1"), std::vector<std::string>{"holiday"});
}

TEST_P(CycleStepsTest, FailedAppendIsReportedWithStatementAndError) {
  DatabasePreparation prep = Prepare();
  settings_.append_table = "NoSuchAppendTable";
  EXPECT_FALSE(AppendTable(*prep.database, prep.fill_table).ok());
  auto events = log_.EventsWithId(120);
  ASSERT_EQ(events.size(), 1u) << log_.Describe();
  EXPECT_EQ(events[0].texts.at(0), "KorvaleTable1");
  const std::string prefix =
      "Error appending table. SQL- Statement: INSERT INTO KorvaleTable1 SELECT * FROM "
      "NoSuchAppendTable, Error returned: ";
  EXPECT_EQ(events[0].texts.at(2).rfind(prefix, 0), 0u) << events[0].texts.at(2);
  EXPECT_GT(events[0].texts.at(2).size(), prefix.size()) << "the driver's text follows";
}

// Outside shared-table mode the end of the cycle adds a second row carrying the ACL.
TEST_P(CycleStepsTest, CanBookMeetingsRowGetsTheCollectedAcl) {
  settings_.mb_cust_attr_book_meetings = 1;
  DatabasePreparation prep = Prepare();
  ASSERT_TRUE(WriteCanBookMeetingsRow(*prep.database, prep.fill_table, "DOM\\alice; O'Brien", "Svc").ok())
      << log_.Describe();
  auto rows = Rows("SELECT * FROM KorvaleTable1 WHERE Name='$canbookmeetings' ORDER BY ACL");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_TRUE(rows[0].IsNull("ACL"));
  EXPECT_EQ(rows[1].Text("ACL"), "DOM\\alice; O'Brien") << "quoted, and the MySQL filter kept the backslash";
}

TEST_P(CycleStepsTest, SharedCanBookMeetingsRowIsUpdatedInPlace) {
  settings_.table_mode = TableMode::kShared;
  settings_.mb_cust_attr_book_meetings = 1;
  DatabasePreparation prep = Prepare("Agent A");
  ASSERT_TRUE(WriteCanBookMeetingsRow(*prep.database, prep.fill_table, "alice; bob", "Agent A").ok());
  auto rows = Rows("SELECT * FROM KorvaleTable1 WHERE Name='$canbookmeetings'");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].Text("ACL"), "alice; bob");
}

TEST_P(CycleStepsTest, StoredProceduresRunAndTheirFailureIsReported) {
  settings_.stored_proc_end = "UPDATE KorvaleTable1 SET Title='closed' WHERE Status=8";
  DatabasePreparation prep = Prepare();
  ASSERT_TRUE(RunStoredProcEnd(*prep.database).ok());
  EXPECT_EQ(Rows("SELECT * FROM KorvaleTable1 WHERE Title='closed'").size(), 1u);
  EXPECT_TRUE(log_.Traced(settings_.stored_proc_end));

  settings_.stored_proc_end = "EXEC nothing_here";
  EXPECT_FALSE(RunStoredProcEnd(*prep.database).ok());
  auto events = log_.EventsWithId(134);
  ASSERT_EQ(events.size(), 1u) << log_.Describe();
  const std::string& text = events[0].texts.at(0);
  EXPECT_EQ(text.rfind("Error: ", 0), 0u) << text;
  EXPECT_NE(text.find(" while executing the following statement on the database: EXEC nothing_here"),
            std::string::npos)
      << text;
}

TEST_P(CycleStepsTest, RefusedStoredProcStartDoesNotStopThePreparation) {
  settings_.stored_proc_start = "CALL korvale_missing_procedure()";
  DatabasePreparation prep = Prepare();
  EXPECT_TRUE(prep.connection_opened);
  EXPECT_TRUE(TableExists("KorvaleTable1"));
  auto events = log_.EventsWithId(134);
  ASSERT_EQ(events.size(), 1u) << log_.Describe();
  EXPECT_NE(events[0].texts.at(0).find("CALL korvale_missing_procedure()"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Backends, CycleStepsTest, ::testing::Values(Backend::kSqlite, Backend::kMariaDb),
                         testing::BackendName);

// MySQL receives every statement with its backslashes doubled, so values keep them.
TEST(MySqlStatements, BackslashesAreDoubledBeforeTraceAndExecution) {
  testing::MariaDbDsn dsn;
  KORVALE_REQUIRE_MARIADB(dsn);
  AgentSettings settings = testing::SettingsFor(Dialect::kMySql);
  settings.db = dsn.name();
  testing::RecordingLog log;
  auto db = OpenDatabase(settings, log);
  ASSERT_TRUE(db.ok());
  ASSERT_TRUE((*db)->Execute("DROP TABLE IF EXISTS KorvaleFilterProbe").ok());
  ASSERT_TRUE((*db)->Execute("create table KorvaleFilterProbe (V varchar(50))").ok());
  ASSERT_TRUE((*db)->Execute("insert into KorvaleFilterProbe (V) values('DOM\\user')").ok());
  EXPECT_TRUE(log.Traced("values('DOM\\\\user')")) << "the trace shows what the server got";
  auto row = (*db)->QueryFirst("SELECT * FROM KorvaleFilterProbe");
  ASSERT_TRUE(row.ok() && row->has_value());
  EXPECT_EQ((*row)->Text("V"), "DOM\\user");
  ASSERT_TRUE((*db)->Execute("DROP TABLE KorvaleFilterProbe").ok());
}

TEST(ConnectString, UserAndPasswordRules) {
  AgentSettings s;
  s.db = "Calendars";
  EXPECT_EQ(BuildConnectString(s), "DSN=Calendars");
  s.database_password = "secret";
  EXPECT_EQ(BuildConnectString(s), "DSN=Calendars") << "a password without a user is not sent";
  s.db_user_name = "korvale";
  EXPECT_EQ(BuildConnectString(s), "DSN=Calendars;UID={korvale};PWD={secret}");
  s.database_password.clear();
  EXPECT_EQ(BuildConnectString(s), "DSN=Calendars;UID={korvale}");
  s.db_user_name = "ad}min;x";
  s.database_password = "p;w}}d={";
  EXPECT_EQ(BuildConnectString(s), "DSN=Calendars;UID={ad}}min;x};PWD={p;w}}}}d={}")
      << "braced values keep \";\" and \"=\", and a closing brace is doubled";
}

// The user and plain password reach the server (MariaDB checks them).
TEST(ConnectString, CredentialsFromTheSettingsAreUsed) {
  testing::MariaDbDsn dsn;
  KORVALE_REQUIRE_MARIADB(dsn);
  AgentSettings settings = testing::SettingsFor(Dialect::kMySql);
  settings.db = dsn.name();
  settings.db_user_name = dsn.user();
  settings.database_password = "wrong-password";
  testing::RecordingLog log;
  EXPECT_FALSE(OpenDatabase(settings, log).ok());
  EXPECT_TRUE(log.HasEvent(122));
  log.Clear();
  settings.database_password = dsn.password();
  EXPECT_TRUE(OpenDatabase(settings, log).ok()) << log.Describe();
}

// A password with ";", "}", "{" and "=" (the second account of the test
// server) connects: unbraced, its ";" would end the value and nothing would.
TEST(ConnectString, PasswordWithConnectStringCharacters) {
  testing::MariaDbDsn dsn;
  KORVALE_REQUIRE_MARIADB(dsn);
  AgentSettings settings = testing::SettingsFor(Dialect::kMySql);
  settings.db = dsn.name();
  settings.db_user_name = testing::kBracedTestUser;
  settings.database_password = testing::kBracedTestPassword;
  testing::RecordingLog log;
  auto db = OpenDatabase(settings, log);
  ASSERT_TRUE(db.ok()) << log.Describe();
  auto who = (*db)->QueryFirst("SELECT CURRENT_USER() AS Who");
  ASSERT_TRUE(who.ok() && who->has_value());
  EXPECT_EQ((*who)->Text("Who").value_or("").rfind(std::string(testing::kBracedTestUser) + "@", 0), 0u)
      << "the connection is the braced account's, not the data source's own user";
}

}  // namespace
}  // namespace korvale
