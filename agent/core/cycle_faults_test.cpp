// Whole cycles in this process against a database that fails under them: a
// full disk, a lost connection, a lock held by another writer, a commit that
// does not happen. The web pages trust that the table KorvaleConfig names is
// complete, so whatever fails, the previously published table must stay
// published, whole, and the next good cycle must publish a complete new one.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <sstream>

#include "agent/core/update_agent.h"
#include "platform/eventlog/eventlog.h"
#include "platform/mapi/mapi.h"
#include "tests/fakes/fault_injecting_connection.h"
#include "tests/support/dates.h"
#include "tests/support/sqlite_dsn.h"
#include "tests/support/temp_dir.h"
#include "tools/orgadmin/commands.h"

namespace korvale {
namespace {

using testing::DayFromToday;

using testing::FaultPlan;

// Three published mailboxes with a few appointments each.
std::string Organisation() {
  std::string appointments;
  const char* owners[] = {"anna", "ben", "carl"};
  for (const char* owner : owners) {
    for (int day = 1; day <= 4; ++day) {
      if (!appointments.empty()) appointments += ",\n";
      appointments += std::string(R"({ "mailbox": ")") + owner + R"(", "subject": ")" + owner + "-" +
                      std::to_string(day) + R"(", "start": ")" + DayFromToday(day) + R"( 10:00", "end": ")" +
                      DayFromToday(day) + R"( 11:00" })";
    }
  }
  return R"({
  "organisation": "Org", "zone": "UTC",
  "servers": [ { "name": "SRV1", "site": "Site" } ],
  "mailboxes": [
    { "alias": "svc", "name": "Service", "server": "SRV1" },
    { "alias": "anna", "name": "Anna Berg", "server": "SRV1" },
    { "alias": "ben", "name": "Ben Carter", "server": "SRV1" },
    { "alias": "carl", "name": "Carl Dunn", "server": "SRV1" } ],
  "appointments": [ )" +
         appointments + R"( ]
})";
}

class CycleFaultsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::ostringstream out;
    testing::WriteFileBytes(dir_.path() / "org.json", Organisation());
    Status created = orgadmin::CreateOrganisation(dir_.File("org.db"), dir_.File("org.json"), out);
    ASSERT_TRUE(created.ok()) << created.message();
    Status registered = orgadmin::RegisterServers(dir_.File("org.db"), dir_.File("profiles.json"), out);
    ASSERT_TRUE(registered.ok()) << registered.message();
    mapi::MAPIINIT_0 init{mapi::MAPI_INIT_VERSION, mapi::MAPI_NT_SERVICE, dir_.File("profiles.json")};
    ASSERT_EQ(mapi::MAPIInitialize(&init), mapi::S_OK);
    setenv("KORVALE_EVENTLOG", events_.c_str(), 1);
    setenv("KORVALE_ATOM_DIR", dir_.File("atoms").c_str(), 1);
    WriteIni("");
  }
  void TearDown() override {
    mapi::MAPIUninitialize();
    unsetenv("KORVALE_EVENTLOG");
    unsetenv("KORVALE_ATOM_DIR");
  }

  void WriteIni(const std::string& config_extra) {
    testing::WriteFileBytes(
        dir_.path() / "Caldrun.ini",
        "[Config]\r\n" + config_extra + "DB=" + dsn_.name() +
            "\r\nSQLite=1\r\nSuccessLog=1\r\nLogonServer=SRV1\r\nLogonMailbox=Service\r\n"
            "DaysPast=1\r\nDaysAhead=10\r\nDL1=Anna Berg;Ben Carter;Carl Dunn\r\nGroup1=Team\r\n"
            "Server1=SRV1\r\n[Server1]\r\nDS=" +
            dsn_.name() +
            "\r\n[Group1]\r\n"
            "Addr1=/o=Org/ou=Site/cn=Recipients/cn=anna\r\nAddr2=/o=Org/ou=Site/cn=Recipients/cn=ben\r\n"
            "Addr3=/o=Org/ou=Site/cn=Recipients/cn=carl\r\n");
  }

  // One cycle in this process; `plan` puts its faults between the agent and
  // the database, `extra` goes into the connect string.
  // `at_pause`, when given, replaces the pause between mailboxes
  // (DelayAfterNumMbx): it is called with the agent instead of sleeping.
  int Cycle(std::shared_ptr<FaultPlan> plan = std::make_shared<FaultPlan>(), const std::string& extra = "",
            std::function<void(UpdateAgent&)> at_pause = {}) {
    events_before_ = eventlog::ReadEventFile(events_).size();
    AgentEnvironment env = MachineEnvironment();
    env.connector = testing::FaultInjectingConnector(plan, extra);
    UpdateAgent* running = nullptr;
    if (at_pause) env.sleep = [&running, at_pause](std::chrono::milliseconds) { at_pause(*running); };
    UpdateAgent agent({dir_.File("Caldrun"), dir_.File("Caldrun.ini")}, &eventlog::RegisterEventSource,
                      std::move(env));
    running = &agent;
    if (!agent.Init("Korvale Test")) return -1;
    return agent.DoCycle();
  }

  std::unique_ptr<SqlConnection> Checker() {
    auto c = OpenSqlConnection(dsn_.ConnectString());
    EXPECT_TRUE(c.ok());
    return c.ok() ? std::move(*c) : nullptr;
  }
  std::vector<SqlRow> Rows(const std::string& sql) {
    auto rows = Checker()->Query(sql);
    EXPECT_TRUE(rows.ok()) << sql << ": " << (rows.ok() ? "" : rows.error().text);
    return rows.ok() ? *rows : std::vector<SqlRow>{};
  }
  std::vector<std::string> ActiveTables() {
    std::vector<std::string> names;
    for (const auto& row : Rows("SELECT ActiveTable FROM KorvaleConfig")) {
      names.push_back(row.Text("ActiveTable").value_or(""));
    }
    return names;
  }
  // The appointment titles of a table, sorted: what the web pages would show.
  std::vector<std::string> Titles(const std::string& table) {
    std::vector<std::string> titles;
    for (const auto& row :
         Rows("SELECT Title FROM " + table + " WHERE Status<>8 AND Status<>9 ORDER BY Title")) {
      titles.push_back(row.Text("Title").value_or(""));
    }
    return titles;
  }
  size_t UserRows(const std::string& table) {
    return Rows("SELECT * FROM " + table + " WHERE Status=9").size();
  }
  // The events of the last cycle with this number.
  std::vector<eventlog::EventRecord> Events(uint32_t id) {
    std::vector<eventlog::EventRecord> found;
    auto all = eventlog::ReadEventFile(events_);
    for (size_t i = events_before_; i < all.size(); ++i) {
      if (all[i].id == id) found.push_back(all[i]);
    }
    return found;
  }
  size_t ErrorEvents() {
    auto all = eventlog::ReadEventFile(events_);
    size_t n = 0;
    for (size_t i = events_before_; i < all.size(); ++i) n += all[i].type == 1;
    return n;
  }
  bool TaskFinished() {
    for (const auto& e : Events(123)) {
      if (e.texts.size() > 1 && e.texts[1].rfind("Task finished.", 0) == 0) return true;
    }
    return false;
  }
  static std::vector<std::string> AllTitles() {
    std::vector<std::string> titles;
    for (const char* owner : {"anna", "ben", "carl"}) {
      for (int day = 1; day <= 4; ++day) titles.push_back(std::string(owner) + "-" + std::to_string(day));
    }
    return titles;
  }

  testing::TempDir dir_;
  testing::SqliteDsn dsn_;
  std::string events_ = dir_.File("events.jsonl");
  size_t events_before_ = 0;
};

// The measured case: inserts failed from some mailbox on (the disk was full)
// and the table was published all the same with a third of its rows.
TEST_F(CycleFaultsTest, FullDiskWithholdsThePublicationAndTheNextCyclePublishesAll) {
  ASSERT_EQ(Cycle(), 1);
  ASSERT_EQ(ActiveTables(), std::vector<std::string>{"KorvaleTable1"});
  ASSERT_EQ(Titles("KorvaleTable1"), AllTitles());

  auto plan = std::make_shared<FaultPlan>();
  plan->FailFrom("'ben-2'", 1, testing::DiskFullError());
  EXPECT_EQ(Cycle(plan), 0);
  EXPECT_EQ(ActiveTables(), std::vector<std::string>{"KorvaleTable1"})
      << "a table missing rows was published";
  EXPECT_EQ(Titles("KorvaleTable1"), AllTitles()) << "the published table must stay whole";
  // The failed row and the one event that says why; not one per row after it.
  auto reports = Events(119);
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_NE(reports[0].texts.at(3).find("KorvaleTable2 is not published"), std::string::npos)
      << reports[0].texts.at(3);
  EXPECT_NE(reports[0].texts.at(3).find("database or disk is full"), std::string::npos);
  EXPECT_NE(reports[1].texts.at(3).find("'ben-2'"), std::string::npos) << reports[1].texts.at(3);
  EXPECT_FALSE(TaskFinished());
  EXPECT_EQ(plan->CountWith("Carl Dunn"), 0u) << "the scan ends at the failure";

  EXPECT_EQ(Cycle(), 1);
  EXPECT_EQ(ActiveTables(), std::vector<std::string>{"KorvaleTable2"});
  EXPECT_EQ(Titles("KorvaleTable2"), AllTitles());
  EXPECT_EQ(UserRows("KorvaleTable2"), 3u);
}

// A row refused for its own data is reported and left out; the rest is published.
TEST_F(CycleFaultsTest, RowRefusedForItsDataIsLeftOutAndTheRestPublished) {
  auto plan = std::make_shared<FaultPlan>();
  plan->FailNth("'ben-2'", 1, testing::RowRefusedError());
  EXPECT_EQ(Cycle(plan), 1);
  EXPECT_EQ(ActiveTables(), std::vector<std::string>{"KorvaleTable1"});
  auto expected = AllTitles();
  expected.erase(std::find(expected.begin(), expected.end(), "ben-2"));
  EXPECT_EQ(Titles("KorvaleTable1"), expected);
  auto reports = Events(119);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_NE(reports[0].texts.at(3).find("NOT NULL constraint failed"), std::string::npos);
  EXPECT_TRUE(TaskFinished());
}

// The measured case: the server killed during the scan, and the agent went
// on through every mailbox on the dead connection with an event per row.
TEST_F(CycleFaultsTest, LostConnectionEndsTheScanWithOneEvent) {
  ASSERT_EQ(Cycle(), 1);
  auto plan = std::make_shared<FaultPlan>();
  plan->FailFrom("'anna-3'", 1, testing::ConnectionLostError());
  EXPECT_EQ(Cycle(plan), 0);
  auto lost = Events(134);
  ASSERT_EQ(lost.size(), 1u);
  EXPECT_NE(lost[0].texts.at(1).find("the connection to the database was lost"), std::string::npos)
      << lost[0].texts.at(1);
  EXPECT_NE(lost[0].texts.at(1).find("Lost connection to server during query"), std::string::npos);
  EXPECT_EQ(Events(119).size(), 1u) << "the row that met the loss";
  EXPECT_EQ(ErrorEvents(), 2u) << "nothing else repeats it";
  EXPECT_FALSE(TaskFinished());
  EXPECT_EQ(plan->statements().back().find("'anna-3'") != std::string::npos, true)
      << "nothing was sent after the loss: " << plan->statements().back();
  EXPECT_EQ(ActiveTables(), std::vector<std::string>{"KorvaleTable1"});
  EXPECT_EQ(Titles("KorvaleTable1"), AllTitles());

  EXPECT_EQ(Cycle(), 1);
  EXPECT_EQ(ActiveTables(), std::vector<std::string>{"KorvaleTable2"});
  EXPECT_EQ(Titles("KorvaleTable2"), AllTitles());
}

// A mailbox's rows commit together; a commit that fails loses them, so the
// table misses rows and is not published.
TEST_F(CycleFaultsTest, FailedMailboxCommitWithholdsThePublication) {
  ASSERT_EQ(Cycle(), 1);
  auto plan = std::make_shared<FaultPlan>();
  plan->FailCommit(2, testing::DiskFullError());
  EXPECT_EQ(Cycle(plan), 0);
  EXPECT_EQ(ActiveTables(), std::vector<std::string>{"KorvaleTable1"});
  auto reports = Events(119);
  ASSERT_EQ(reports.size(), 2u) << "the fault and the failed commit";
  EXPECT_NE(reports[0].texts.at(3).find("SQL- statement:\r\nCOMMIT"), std::string::npos)
      << reports[0].texts.at(3);
}

// The measured case: another writer held the SQLite file for longer than the
// driver waits; the emptying failed unnoticed and every row was published twice.
TEST_F(CycleFaultsTest, FillTableThatCannotBeEmptiedIsNeitherFilledNorPublished) {
  ASSERT_EQ(Cycle(), 1);
  ASSERT_EQ(Cycle(), 1);
  ASSERT_EQ(ActiveTables(), std::vector<std::string>{"KorvaleTable2"});
  {
    // A real lock: another connection holds a write transaction.
    auto holder = Checker();
    ASSERT_TRUE(holder->BeginTransaction().ok());
    ASSERT_TRUE(holder->Execute("UPDATE Groups SET Title='held' WHERE 1=0").ok());
    ASSERT_TRUE(holder->Execute("INSERT INTO UserPics (Alias, PicPath) VALUES ('lock', 'held')").ok());
    EXPECT_EQ(Cycle(std::make_shared<FaultPlan>(), ";Timeout=200"), 1);
    auto reports = Events(119);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].texts.at(1), "KorvaleTable1");
    EXPECT_NE(reports[0].texts.at(3).find("could not be emptied"), std::string::npos)
        << reports[0].texts.at(3);
    EXPECT_NE(reports[0].texts.at(3).find("database is locked"), std::string::npos);
    ASSERT_TRUE(holder->RollbackTransaction().ok());
  }
  EXPECT_EQ(ActiveTables(), std::vector<std::string>{"KorvaleTable2"});
  EXPECT_EQ(Titles("KorvaleTable2"), AllTitles());
  EXPECT_EQ(Cycle(), 1);
  EXPECT_EQ(ActiveTables(), std::vector<std::string>{"KorvaleTable1"});
  EXPECT_EQ(Titles("KorvaleTable1"), AllTitles()) << "no row twice";
}

// The switch is one statement; a KorvaleConfig left without a row (by an older
// agent killed between its two statements) is not filled in before the table
// it would name is complete.
TEST_F(CycleFaultsTest, SwitchIsOneStatementAndAnEmptyConfigIsNamedOnlyWhenComplete) {
  auto first = std::make_shared<FaultPlan>();
  ASSERT_EQ(Cycle(first), 1);
  auto second = std::make_shared<FaultPlan>();
  ASSERT_EQ(Cycle(second), 1);
  EXPECT_EQ(second->CountWith("UPDATE KorvaleConfig SET ActiveTable='KorvaleTable2'"), 1u);
  EXPECT_EQ(second->CountWith("TRUNCATE TABLE KorvaleConfig"), 0u);
  EXPECT_EQ(second->CountWith("DELETE FROM KorvaleConfig"), 0u);

  ASSERT_TRUE(Checker()->Execute("DELETE FROM KorvaleConfig").ok());
  auto killed = std::make_shared<FaultPlan>();
  killed->FailFrom("'carl-1'", 1, testing::ConnectionLostError());
  EXPECT_EQ(Cycle(killed), 0);
  EXPECT_TRUE(ActiveTables().empty()) << "the half-filled KorvaleTable1 was named active";
  EXPECT_EQ(Cycle(), 1);
  EXPECT_EQ(ActiveTables(), std::vector<std::string>{"KorvaleTable1"});
  EXPECT_EQ(Titles("KorvaleTable1"), AllTitles());
}

// Shared-table mode: a mailbox whose scan fails keeps what it had published;
// only a complete scan may remove its rows.
TEST_F(CycleFaultsTest, SharedTableMailboxThatFailsKeepsItsRows) {
  WriteIni("NewDB=1\r\n");
  ASSERT_EQ(Cycle(), 1);
  ASSERT_EQ(Titles("KorvaleTable1"), AllTitles());
  auto plan = std::make_shared<FaultPlan>();
  plan->ThrowOn("(Status=9) AND (Name='Ben Carter')");  // the mailbox scan fails with a general error
  EXPECT_EQ(Cycle(plan), 1);
  bool reported = false;
  for (const auto& e : Events(137)) {
    reported |= e.texts.size() > 1 && e.texts[1] == "General Error reading mailbox Ben Carter.";
  }
  EXPECT_TRUE(reported);
  EXPECT_EQ(Titles("KorvaleTable1"), AllTitles()) << "Ben's rows were deleted with the stale ones";
}

// Shared-table mode: a commit that fails must not turn the mailbox's rows into
// stale rows that the end of the cycle deletes.
TEST_F(CycleFaultsTest, SharedTableFailedCommitDeletesNothing) {
  WriteIni("NewDB=1\r\n");
  ASSERT_EQ(Cycle(), 1);
  auto plan = std::make_shared<FaultPlan>();
  plan->FailCommit(1, testing::LockedError());
  EXPECT_EQ(Cycle(plan), 0);
  EXPECT_EQ(Titles("KorvaleTable1"), AllTitles());
  EXPECT_EQ(UserRows("KorvaleTable1"), 3u);
  EXPECT_EQ(plan->CountWith("DELETE FROM KorvaleTable1 WHERE ((KRVUpdate = 1)"), 0u);
}

// "$canbookmeetings" of a cycle whose preparation failed after choosing the
// fill table went into the table the web pages read.
TEST_F(CycleFaultsTest, FailedPreparationWritesNoMarkerIntoThePublishedTable) {
  WriteIni("MBCustAttrBookMeetings=1\r\n");
  ASSERT_EQ(Cycle(), 1);
  const size_t markers = Rows("SELECT * FROM KorvaleTable1 WHERE Name='$canbookmeetings'").size();
  auto plan = std::make_shared<FaultPlan>();
  plan->FailNth("create table KorvaleTable2", 1, SqlError{"[SQLite]no room (13)", -1, "HY000", 13});
  EXPECT_EQ(Cycle(plan), 1);
  EXPECT_EQ(Events(111).size(), 1u);
  EXPECT_EQ(Rows("SELECT * FROM KorvaleTable1 WHERE Name='$canbookmeetings'").size(), markers);
  EXPECT_EQ(ActiveTables(), std::vector<std::string>{"KorvaleTable1"});
}

// The clean-up runs once: when it fails inside the cycle's steps it used to
// run a second time from the cycle's error handler.
TEST_F(CycleFaultsTest, CleanUpRunsOnceWhenItFails) {
  WriteIni("StoredProcEnd=UPDATE UserPics SET PicPath='end' WHERE 1=0\r\n");
  auto plan = std::make_shared<FaultPlan>();
  plan->FailNth("insert into KorvaleConfig", 1, SqlError{"[test]permission denied", -1, "42000", 1142});
  plan->ThrowOn("UPDATE UserPics SET PicPath='end'");
  AgentEnvironment env = MachineEnvironment();
  env.connector = testing::FaultInjectingConnector(plan);
  UpdateAgent agent({dir_.File("Caldrun"), dir_.File("Caldrun.ini")}, &eventlog::RegisterEventSource,
                    std::move(env));
  ASSERT_TRUE(agent.Init("Korvale Test"));
  agent.Run();
  EXPECT_EQ(plan->CountWith("UPDATE UserPics SET PicPath='end'"), 1u);
  EXPECT_EQ(Events(118).size(), 1u) << "the publication failed and ended the cycle";
}

// Shared-table mode: the connection dies halfway through a mailbox, after its
// rows were marked unconfirmed and some rewritten. The mailbox's transaction
// never commits, so the table keeps every row it had, each once.
TEST_F(CycleFaultsTest, SharedTableStatementFailingHalfwayThroughAMailboxLosesAndDuplicatesNothing) {
  WriteIni("NewDB=1\r\n");
  ASSERT_EQ(Cycle(), 1);
  auto plan = std::make_shared<FaultPlan>();
  // Unchanged rows are confirmed one by one: four of Anna's, then Ben's second.
  plan->FailFrom("SET KRVUpdate = 0 WHERE", 6, testing::ConnectionLostError());
  EXPECT_EQ(Cycle(plan), 0);
  EXPECT_EQ(plan->CountWith("SET KRVUpdate = 1 WHERE ((Name='Ben Carter')"), 1u)
      << "the fault must fall inside Ben's mailbox, after its rows were marked";
  EXPECT_EQ(plan->CountWith("Carl Dunn"), 0u) << "the scan ends at the lost connection";
  EXPECT_EQ(Titles("KorvaleTable1"), AllTitles()) << "rows lost or written twice";
  EXPECT_EQ(UserRows("KorvaleTable1"), 3u);

  EXPECT_EQ(Cycle(), 1);
  EXPECT_EQ(Titles("KorvaleTable1"), AllTitles());
  EXPECT_EQ(UserRows("KorvaleTable1"), 3u);
}

// Rotation mode: a mailbox whose commit fails loses its rows from the fill
// table; the web pages go on reading the previous table, whole, and the next
// good cycle publishes a complete one.
TEST_F(CycleFaultsTest, FailedMailboxCommitKeepsThePreviousTableWholeUntilTheNextCycle) {
  ASSERT_EQ(Cycle(), 1);
  auto plan = std::make_shared<FaultPlan>();
  plan->FailCommit(2, testing::LockedError());
  EXPECT_EQ(Cycle(plan), 0);
  EXPECT_EQ(ActiveTables(), std::vector<std::string>{"KorvaleTable1"});
  EXPECT_EQ(Titles("KorvaleTable1"), AllTitles()) << "the published table must stay whole";
  EXPECT_EQ(UserRows("KorvaleTable1"), 3u);
  EXPECT_FALSE(TaskFinished());

  EXPECT_EQ(Cycle(), 1);
  EXPECT_EQ(ActiveTables(), std::vector<std::string>{"KorvaleTable2"});
  EXPECT_EQ(Titles("KorvaleTable2"), AllTitles());
  EXPECT_EQ(UserRows("KorvaleTable2"), 3u);
}

// A stop asked for during the pause before the second mailbox ends the scan
// there: the cycle counts as done, but the half-filled table is not
// published, and the next cycle publishes every mailbox.
TEST_F(CycleFaultsTest, StopMidScanPublishesNothingAndTheNextCyclePublishesAll) {
  ASSERT_EQ(Cycle(), 1);
  WriteIni("DelayAfterNumMbx=1\r\nDelaySecs=2\r\n");
  int pauses = 0;
  auto plan = std::make_shared<FaultPlan>();
  EXPECT_EQ(Cycle(plan, "",
                  [&pauses](UpdateAgent& agent) {
                    if (++pauses == 2) agent.SetStopFlag();
                  }),
            1);
  EXPECT_EQ(pauses, 2) << "one pause per mailbox, the scan ending at the second";
  EXPECT_GT(plan->CountWith("'anna-1'"), 0u) << "the first mailbox was read";
  EXPECT_EQ(plan->CountWith("'ben-1'"), 0u) << "the scan ends at the stop";
  EXPECT_EQ(plan->CountWith("Carl Dunn"), 0u);
  EXPECT_EQ(ActiveTables(), std::vector<std::string>{"KorvaleTable1"});
  EXPECT_EQ(Titles("KorvaleTable1"), AllTitles());
  EXPECT_FALSE(TaskFinished()) << "a stopped cycle gives no summary";

  EXPECT_EQ(Cycle(), 1);
  EXPECT_EQ(ActiveTables(), std::vector<std::string>{"KorvaleTable2"});
  EXPECT_EQ(Titles("KorvaleTable2"), AllTitles());
}

}  // namespace
}  // namespace korvale
