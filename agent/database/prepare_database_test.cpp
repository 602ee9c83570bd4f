// The database preparation and the table rotation against real databases:
// which tables appear, which table is filled and published, and what is
// reported when the data source or a statement is refused.
#include "agent/database/prepare_database.h"

#include <gtest/gtest.h>

#include <ctime>

#include "agent/database/database_backend_for_test.h"
#include "agent/database/publication.h"

namespace korvale {
namespace {

using testing::Backend;
using testing::DatabaseBackendTest;
using testing::RefusingConnection;
using testing::RefusingConnector;

class PrepareDatabaseTest : public DatabaseBackendTest {
 protected:
  // A preparation whose driver refuses the statements containing `fragment`.
  Status PrepareRefusing(const std::string& fragment, DatabasePreparation& out,
                         const std::string& state = "42000") {
    return PrepareDatabase(settings_, log_, "Korvale Update Service", out,
                           RefusingConnector(fragment, state));
  }
};

// First run on an empty database: every table is created, nothing is named
// active yet, and the published table is the one that was filled.
TEST_P(PrepareDatabaseTest, EmptyDatabaseGetsAllTablesAndFillsTable1) {
  DatabasePreparation prep = Prepare();
  EXPECT_TRUE(prep.connection_opened);
  EXPECT_EQ(prep.fill_table, "KorvaleTable1");
  EXPECT_FALSE(prep.fill_table_existed);
  EXPECT_FALSE(prep.stop_requested);
  for (const char* table :
       {"Groups", "Meetings", "Profiles", "UserPics", "KRVUsers", "KorvaleConfig", "KorvaleTable1"}) {
    EXPECT_TRUE(TableExists(table)) << table;
  }
  EXPECT_FALSE(TableExists("KorvaleTable2"));
  EXPECT_TRUE(ActiveTables().empty()) << "the preparation does not name an active table";
  EXPECT_TRUE(Errors().empty()) << log_.Describe();
  EXPECT_TRUE(log_.Traced("create table Meetings (")) << "every statement is traced";

  ASSERT_TRUE(PublishFillTable(*prep.database, prep.fill_table).ok());
  EXPECT_EQ(ActiveTables(), std::vector<std::string>{"KorvaleTable1"});
}

// The tables alternate: each cycle fills the one the web pages are not reading,
// and an old fill table is emptied before it is filled again.
TEST_P(PrepareDatabaseTest, CyclesAlternateBetweenTheTwoTables) {
  {
    DatabasePreparation first = Prepare();
    Exec(
        "insert into KorvaleTable1 (Name, Start, EndTime, Status) values('alice', {ts "
        "'2010-12-03 09:00:00'}, {ts '2010-12-03 10:00:00'}, 1)");
    ASSERT_TRUE(PublishFillTable(*first.database, first.fill_table).ok());
  }
  {
    DatabasePreparation second = Prepare();
    EXPECT_EQ(second.fill_table, "KorvaleTable2");
    EXPECT_FALSE(second.fill_table_existed);
    EXPECT_EQ(Rows("SELECT * FROM KorvaleTable1").size(), 2u) << "the active table is untouched";
    ASSERT_TRUE(PublishFillTable(*second.database, second.fill_table).ok());
    EXPECT_EQ(ActiveTables(), std::vector<std::string>{"KorvaleTable2"});
  }
  DatabasePreparation third = Prepare();
  EXPECT_EQ(third.fill_table, "KorvaleTable1");
  EXPECT_TRUE(third.fill_table_existed);
  auto rows = Rows("SELECT * FROM KorvaleTable1");
  ASSERT_EQ(rows.size(), 1u) << "emptied, then only the new marker row";
  EXPECT_EQ(rows[0].Text("Name"), "$maintenance");
}

// The marker row tells the web pages when the data was last prepared.
TEST_P(PrepareDatabaseTest, MaintenanceRowCarriesThePreparationTime) {
  const time_t before = std::time(nullptr);
  DatabasePreparation prep = Prepare();
  const time_t after = std::time(nullptr);
  auto rows = Rows("SELECT * FROM KorvaleTable1 WHERE Status=8");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].Text("Name"), "$maintenance");
  auto start = rows[0].Timestamp("Start");
  auto end = rows[0].Timestamp("EndTime");
  ASSERT_TRUE(start && end);
  EXPECT_EQ(*start, *end);
  EXPECT_GE(LocalSeconds(*start), before - 1);
  EXPECT_LE(LocalSeconds(*start), after + 1);
}

// Only the first 13 characters of the active table's name count, in any case.
TEST_P(PrepareDatabaseTest, LongerActiveNameStartingWithTable1SelectsTable2) {
  Exec("create table KorvaleConfig (ActiveTable varchar(50))");
  Exec("insert into KorvaleConfig (ActiveTable) values('korvaletable1_previous')");
  DatabasePreparation prep = Prepare();
  EXPECT_EQ(prep.fill_table, "KorvaleTable2");
}

TEST_P(PrepareDatabaseTest, ActiveTable2SelectsTable1) {
  Exec("create table KorvaleConfig (ActiveTable varchar(50))");
  Exec("insert into KorvaleConfig (ActiveTable) values('KorvaleTable2')");
  EXPECT_EQ(Prepare().fill_table, "KorvaleTable1");
}

// A KorvaleConfig without a row names no table: KorvaleTable1 is filled, and
// only its publication names it, so the web pages never read it half-filled.
TEST_P(PrepareDatabaseTest, ConfigTableWithoutRowIsNamedOnlyByThePublication) {
  Exec("create table KorvaleConfig (ActiveTable varchar(50))");
  DatabasePreparation prep = Prepare();
  EXPECT_EQ(prep.fill_table, "KorvaleTable1");
  EXPECT_TRUE(ActiveTables().empty());
  ASSERT_TRUE(PublishFillTable(*prep.database, prep.fill_table).ok());
  EXPECT_EQ(ActiveTables(), std::vector<std::string>{"KorvaleTable1"});
}

// KorvaleConfig there but unreadable: which table the pages read is unknown,
// so neither is filled.
TEST_P(PrepareDatabaseTest, UnreadableConfigTableEndsThePreparation) {
  Exec("create table KorvaleConfig (ActiveTable varchar(50))");
  Exec("insert into KorvaleConfig (ActiveTable) values('KorvaleTable2')");
  DatabasePreparation out;
  EXPECT_FALSE(PrepareRefusing("SELECT * FROM KorvaleConfig", out).ok());
  auto events = log_.EventsWithId(110);
  ASSERT_EQ(events.size(), 1u) << log_.Describe();
  EXPECT_EQ(events[0].texts.at(0), "KorvaleConfig");
  EXPECT_FALSE(TableExists("KorvaleTable1")) << "nothing was filled";
  EXPECT_EQ(ActiveTables(), std::vector<std::string>{"KorvaleTable2"});
}

// A fill table that keeps last cycle's rows would publish them twice: when it
// cannot be emptied, the preparation fails and says so.
TEST_P(PrepareDatabaseTest, FillTableThatCannotBeEmptiedEndsThePreparation) {
  for (int cycle = 0; cycle < 2; ++cycle) {
    DatabasePreparation prep = Prepare();
    ASSERT_TRUE(PublishFillTable(*prep.database, prep.fill_table).ok());
  }
  Exec(
      "insert into KorvaleTable1 (Name, Start, EndTime, Status) values('old', {ts "
      "'2010-12-03 09:00:00'}, {ts '2010-12-03 10:00:00'}, 1)");
  log_.Clear();
  DatabasePreparation out;
  const std::string emptying = IsMariaDb() ? "TRUNCATE TABLE KorvaleTable1" : "DELETE FROM KorvaleTable1";
  EXPECT_FALSE(PrepareRefusing(emptying, out).ok());
  auto events = log_.EventsWithId(119);
  ASSERT_EQ(events.size(), 1u) << log_.Describe();
  EXPECT_EQ(events[0].texts.at(0), "KorvaleTable1");
  EXPECT_EQ(events[0].texts.at(2).rfind("KorvaleTable1 could not be emptied, so nothing is filled", 0), 0u)
      << events[0].texts.at(2);
  EXPECT_NE(events[0].texts.at(2).find("SQL- statement:\r\n" + emptying), std::string::npos);
  EXPECT_FALSE(log_.Traced("'$maintenance'")) << "nothing was written into the table";
  EXPECT_EQ(ActiveTables(), std::vector<std::string>{"KorvaleTable2"});
}

// The optional and custom columns the settings ask for exist in the new table.
TEST_P(PrepareDatabaseTest, ConfiguredColumnsAreCreated) {
  settings_.fields = "ReminderSoundFile Text StoreID AllDayEvent Created Read";
  settings_.custom_field_names = {"Cost Centre", "Rate"};
  settings_.custom_field_types = {3, 5};
  settings_.get_contact_company = 1;
  DatabasePreparation prep = Prepare();
  EXPECT_EQ(prep.optional_columns.column_name_list,
            ", AllDayEvent, Reminder, ReminderSound, ReminderSoundFile, Created, MsgRead, StoreID, "
            "ApptText");
  const std::string quote = IsMariaDb() ? "`" : "\"";
  auto probe = Checker().QueryFirst(
      "SELECT Reminder, ReminderSound, ReminderSoundFile, ApptText, "
      "StoreID, MsgRead, ContactCompanyName, " +
      quote + "Cost Centre" + quote + ", " + quote + "Rate" + quote + " FROM KorvaleTable1");
  EXPECT_TRUE(probe.ok()) << (probe.ok() ? "" : probe.error().text);
}

// A custom field left without a type (the type list is shorter) gets a text
// column: the fill table is created and takes text in it.
TEST_P(PrepareDatabaseTest, CustomFieldWithoutTypeGetsATextColumn) {
  settings_.custom_field_names = {"Rate", "Untyped"};
  settings_.custom_field_types = {5};
  Prepare();
  EXPECT_TRUE(Errors().empty()) << log_.Describe();
  const std::string quote = IsMariaDb() ? "`" : "\"";
  Exec("insert into KorvaleTable1 (Name, Start, EndTime, Status, " + quote + "Untyped" + quote +
       ") values('Ann', {ts '2010-12-03 09:00:00'}, {ts '2010-12-03 10:00:00'}, 1, 'Blue')");
  auto rows = Rows("SELECT " + quote + "Untyped" + quote + " AS V FROM KorvaleTable1 WHERE Name='Ann'");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].Text("V"), "Blue");
}

TEST_P(PrepareDatabaseTest, CanBookMeetingsRowOnlyWhenConfigured) {
  Prepare();
  EXPECT_TRUE(Rows("SELECT * FROM KorvaleTable1 WHERE Name='$canbookmeetings'").empty());
  settings_.mb_cust_attr_book_meetings = 2;
  DatabasePreparation prep = Prepare();
  EXPECT_EQ(Rows("SELECT * FROM " + prep.fill_table + " WHERE Name='$canbookmeetings' AND Status=8").size(),
            1u);
}

// A data source that does not exist: event 122 names it, the driver's text follows.
TEST_P(PrepareDatabaseTest, MissingDataSourceIsReportedWithItsName) {
  settings_.db = "korvale_no_such_source";
  DatabasePreparation out;
  Status status = PrepareDatabase(settings_, log_, "Korvale Update Service", out);
  EXPECT_FALSE(status.ok());
  EXPECT_FALSE(out.connection_opened);
  EXPECT_FALSE(out.database);
  auto missing = log_.EventsWithId(122);
  ASSERT_EQ(missing.size(), 1u) << log_.Describe();
  EXPECT_EQ(missing[0].type, EventType::kError);
  EXPECT_EQ(missing[0].texts, std::vector<std::string>{"korvale_no_such_source"});
  auto detail = log_.EventsWithId(134);
  ASSERT_EQ(detail.size(), 1u) << "the driver answered SQL_ERROR";
  EXPECT_EQ(detail[0].texts.at(0).rfind("Database Error: ", 0), 0u) << detail[0].texts.at(0);
  EXPECT_EQ(detail[0].texts.at(0).find('\n'), std::string::npos);
}

// A new fill table is indexed on (Name, Status), so the lookups by mailbox
// name do not read the whole table; a refused index only costs speed.
TEST_P(PrepareDatabaseTest, NewFillTableIsIndexedForTheLookupsByName) {
  Prepare();
  EXPECT_TRUE(log_.Traced("CREATE INDEX KorvaleTable1_Name ON KorvaleTable1 (Name, Status)"));
  if (IsMariaDb()) {
    std::vector<std::string> columns;
    for (const auto& row : Rows("SHOW INDEX FROM KorvaleTable1")) {
      if (row.Text("Key_name").value_or("") == "KorvaleTable1_Name") {
        columns.push_back(row.Text("Column_name").value_or(""));
      }
    }
    EXPECT_EQ(columns, (std::vector<std::string>{"Name", "Status"}));
  } else {
    auto plan = Rows("EXPLAIN QUERY PLAN SELECT * FROM KorvaleTable1 WHERE ((Status=9) AND (Name='alice'))");
    ASSERT_FALSE(plan.empty());
    EXPECT_NE(plan[0].Text("detail").value_or("").find("USING INDEX KorvaleTable1_Name"), std::string::npos)
        << plan[0].Text("detail").value_or("");
  }
}

TEST_P(PrepareDatabaseTest, RefusedIndexIsAWarningAndTheTableIsStillFilled) {
  DatabasePreparation out;
  Status status = PrepareRefusing("CREATE INDEX", out);
  EXPECT_TRUE(status.ok()) << status.message();
  auto events = log_.EventsWithId(110);
  ASSERT_EQ(events.size(), 1u) << log_.Describe();
  EXPECT_EQ(events[0].type, EventType::kWarning);
  EXPECT_EQ(events[0].texts.at(0), "KorvaleTable1");
  EXPECT_NE(events[0].texts.at(2).find("SQL- statement:\r\nCREATE INDEX"), std::string::npos);
  EXPECT_TRUE(TableExists("KorvaleTable1"));
}

// A refused CREATE TABLE ends the preparation with event 111: table, DB, error text.
TEST_P(PrepareDatabaseTest, RefusedTableCreationIsReportedAndEndsThePreparation) {
  DatabasePreparation out;
  Status status = PrepareRefusing("create table Profiles", out);
  EXPECT_FALSE(status.ok());
  EXPECT_TRUE(out.connection_opened);
  auto events = log_.EventsWithId(111);
  ASSERT_EQ(events.size(), 1u) << log_.Describe();
  EXPECT_EQ(events[0].texts,
            (std::vector<std::string>{"Profiles", settings_.db,
                                      "[test][driver]permission denied for this statement"}));
  EXPECT_FALSE(TableExists("KorvaleTable1")) << "nothing after the refusal ran";
  EXPECT_FALSE(TableExists("KorvaleConfig"));
}

TEST_P(PrepareDatabaseTest, RefusedFillTableCreationLeavesThePublishedTableActive) {
  {
    DatabasePreparation first = Prepare();
    ASSERT_TRUE(PublishFillTable(*first.database, first.fill_table).ok());
  }
  DatabasePreparation out;
  Status status = PrepareRefusing("create table KorvaleTable2", out);
  EXPECT_FALSE(status.ok());
  auto events = log_.EventsWithId(111);
  ASSERT_EQ(events.size(), 1u) << log_.Describe();
  EXPECT_EQ(events[0].texts.at(0), "KorvaleTable2");
  EXPECT_EQ(ActiveTables(), std::vector<std::string>{"KorvaleTable1"});
}

// A marker row refused for its data is reported (112) and the cycle may go on.
TEST_P(PrepareDatabaseTest, RefusedMarkerRowIsReportedButNotFatal) {
  DatabasePreparation out;
  Status status = PrepareRefusing("'$maintenance', 8)", out, "23000");
  EXPECT_TRUE(status.ok()) << status.message();
  auto events = log_.EventsWithId(112);
  ASSERT_EQ(events.size(), 1u) << log_.Describe();
  EXPECT_EQ(events[0].texts.at(0), "KorvaleTable1");
  EXPECT_FALSE(out.database->fault());
}

// The database itself refusing the marker row: the table misses a row, so the
// cycle may not publish it; one event says so.
TEST_P(PrepareDatabaseTest, MarkerRowRefusedByTheDatabaseIsAFault) {
  DatabasePreparation out;
  Status status = PrepareRefusing("'$maintenance', 8)", out);
  EXPECT_TRUE(status.ok()) << status.message();
  ASSERT_TRUE(out.database->fault());
  EXPECT_EQ(log_.EventsWithId(112).size(), 1u) << log_.Describe();
  auto events = log_.EventsWithId(119);
  ASSERT_EQ(events.size(), 1u) << log_.Describe();
  EXPECT_NE(events[0].texts.at(2).find("KorvaleTable1 is not published"), std::string::npos)
      << events[0].texts.at(2);
  EXPECT_FALSE(PublishFillTable(*out.database, out.fill_table).ok());
  EXPECT_TRUE(ActiveTables().empty());
}

// A refused switch leaves the previous table active, in every dialect: the
// switch is one statement (MySQL's TRUNCATE would have committed by itself).
TEST_P(PrepareDatabaseTest, RefusedPublicationKeepsThePreviousActiveTable) {
  {
    DatabasePreparation first = Prepare();
    ASSERT_TRUE(PublishFillTable(*first.database, first.fill_table).ok());
  }
  DatabasePreparation second;
  ASSERT_TRUE(PrepareRefusing("UPDATE KorvaleConfig", second).ok());
  Status published = PublishFillTable(*second.database, second.fill_table);
  EXPECT_FALSE(published.ok());
  auto events = log_.EventsWithId(118);
  ASSERT_EQ(events.size(), 1u) << log_.Describe();
  EXPECT_EQ(events[0].texts.at(0), "KorvaleConfig");
  EXPECT_EQ(events[0].texts.at(1), settings_.db);
  EXPECT_EQ(ActiveTables(), std::vector<std::string>{"KorvaleTable1"});
}

INSTANTIATE_TEST_SUITE_P(Backends, PrepareDatabaseTest,
                         ::testing::Values(Backend::kSqlite, Backend::kMariaDb), testing::BackendName);

// SQLite refuses a statement for real: a broken view named like a table.
TEST(PrepareDatabaseSqlite, RealRefusalOfTheDriverIsReported) {
  testing::SqliteDsn dsn;
  AgentSettings settings = testing::SettingsFor(Dialect::kSQLite);
  settings.db = dsn.name();
  {
    auto c = OpenSqlConnection(dsn.ConnectString());
    ASSERT_TRUE(c.ok());
    ASSERT_TRUE((*c)->Execute("CREATE VIEW Meetings AS SELECT * FROM Vanished").ok());
  }
  testing::RecordingLog log;
  DatabasePreparation out;
  EXPECT_FALSE(PrepareDatabase(settings, log, "Korvale Update Service", out).ok());
  auto events = log.EventsWithId(111);
  ASSERT_EQ(events.size(), 1u) << log.Describe();
  EXPECT_EQ(events[0].texts.at(0), "Meetings");
  EXPECT_NE(events[0].texts.at(2).find("already exists"), std::string::npos) << events[0].texts.at(2);
}

}  // namespace
}  // namespace korvale
