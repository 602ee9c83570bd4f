// Bookings taken by a cycle that ends early: a stop request during the scan,
// the process killed while it takes the bookings or while it writes them into
// the mailboxes, an unreadable booking row. The next cycle (the real agent
// program) must make every booking exactly once, which the organisation store
// shows: one appointment per mailbox and one meeting request per attendee.
//
// The interrupted cycle runs in a forked child with the agent object itself,
// so that it can be stopped or killed at an exact point: at the Nth stop check,
// or (with the SQL trace on) just before a chosen statement runs.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>

#include "agent/core/update_agent.h"
#include "platform/eventlog/eventlog.h"
#include "platform/mapi/mapi.h"
#include "platform/mapi/orgstore/org_store.h"
#include "platform/odbc/odbc.h"
#include "tests/support/dates.h"
#include "tests/support/mariadb_dsn.h"
#include "tests/support/process.h"
#include "tests/support/sqlite_dsn.h"
#include "tests/support/temp_dir.h"

namespace korvale {
namespace {

using testing::DayFromToday;

namespace fs = std::filesystem;
using namespace mapi;

// Where the child dies: just before the occurrence-th statement (or event)
// whose text holds the fragment.
struct KillPoint {
  std::string fragment;
  int occurrence = 0;
  int seen = 0;
};
KillPoint g_kill;

class KillingSource : public eventlog::EventSource {
 public:
  explicit KillingSource(std::unique_ptr<eventlog::EventSource> inner) : inner_(std::move(inner)) {}
  bool Report(int type, uint32_t id, const std::vector<std::string>& texts) override {
    for (const std::string& text : texts) {
      if (!g_kill.fragment.empty() && text.find(g_kill.fragment) != std::string::npos &&
          ++g_kill.seen == g_kill.occurrence) {
        raise(SIGKILL);
      }
    }
    return inner_ ? inner_->Report(type, id, texts) : true;
  }

 private:
  std::unique_ptr<eventlog::EventSource> inner_;
};

std::unique_ptr<eventlog::EventSource> KillingSources(const std::string& name) {
  return std::make_unique<KillingSource>(eventlog::RegisterEventSource(name));
}

// The agent with a stop request at its Nth stop check (0: none).
class StoppedAgent : public UpdateAgent {
 public:
  StoppedAgent(AgentPaths paths, int stop_at)
      : UpdateAgent(std::move(paths), &KillingSources), stop_at_(stop_at) {}
  bool CheckStopRequest() override {
    if (stop_at_ > 0 && ++checks_ == stop_at_) {
      SetStopFlag();
      return true;
    }
    return UpdateAgent::CheckStopRequest();
  }

 private:
  int stop_at_;
  int checks_ = 0;
};

constexpr char kOrganisation[] = R"({
  "organisation": "Org", "zone": "UTC",
  "servers": [ { "name": "SRV1", "site": "Site" } ],
  "mailboxes": [
    { "alias": "svc", "name": "Service", "server": "SRV1" },
    { "alias": "anna", "name": "Anna Berg", "server": "SRV1", "smtp": "anna@x.example" },
    { "alias": "ben", "name": "Ben Carter", "server": "SRV1", "smtp": "ben@x.example" },
    { "alias": "dora", "name": "Dora Ek", "server": "SRV1", "smtp": "dora@x.example" } ]
})";

const char* const kMailboxes[] = {"anna", "ben", "dora"};

class BookingRecoveryTest : public ::testing::Test {
 public:
  // The MariaDB test server (mySQL=1) instead of the SQLite file.
  virtual bool OnMariaDb() const { return false; }
  std::string DsnName() const { return maria_ ? maria_->name() : dsn_.name(); }
  std::string ConnectString() const { return maria_ ? maria_->ConnectString() : dsn_.ConnectString(); }

  void SetUp() override {
    if (OnMariaDb()) {
      maria_ = std::make_unique<testing::MariaDbDsn>();
      KORVALE_REQUIRE_MARIADB(*maria_);
      // The server keeps the tables of earlier tests.
      auto connection = OpenSqlConnection(ConnectString());
      ASSERT_TRUE(connection.ok());
      for (const char* table :
           {"Meetings", "Groups", "KorvaleConfig", "KorvaleTable1", "KorvaleTable2", "KRVBookingJournal"}) {
        (void)(*connection)->Execute(std::string("DROP TABLE IF EXISTS ") + table);
      }
    }
    for (const char* program : {"agent/core/Caldrun", "tools/orgadmin/korvale-orgadmin"}) {
      fs::copy_file(testing::BuiltProgram(program), dir_.path() / fs::path(program).filename());
    }
    testing::WriteFileBytes(dir_.path() / "org.json", kOrganisation);
    Admin({"create", dir_.File("org.db"), dir_.File("org.json")});
    Admin({"register", dir_.File("org.db"), "--profiles", dir_.File("mapi-profiles.json")});
    testing::WriteFileBytes(
        dir_.path() / "Caldrun.ini",
        "[Config]\r\nDB=" + DsnName() + (OnMariaDb() ? "\r\nmySQL=1" : "\r\nSQLite=1") +
            "\r\nSQLLog=1\r\nLogonServer=SRV1\r\n"
            "LogonMailbox=Service\r\nDaysPast=5\r\nDaysAhead=30\r\nDL1=Anna Berg;Ben Carter;Dora Ek\r\n"
            "Group1=Team\r\nServer1=SRV1\r\n[Server1]\r\nDS=" +
            DsnName() +
            "\r\n[Group1]\r\n"
            "Addr1=/o=Org/ou=Site/cn=Recipients/cn=anna\r\nAddr2=/o=Org/ou=Site/cn=Recipients/cn=ben\r\n"
            "Addr3=/o=Org/ou=Site/cn=Recipients/cn=dora\r\n");
    setenv("KORVALE_EVENTLOG", dir_.File("events.jsonl").c_str(), 1);
    setenv("KORVALE_ATOM_DIR", dir_.File("atoms").c_str(), 1);
    RunCycle();  // creates the tables
    ASSERT_EQ(Appointments("anna", ""), 0);
  }

  void Admin(const std::vector<std::string>& args) {
    auto result = testing::RunProcess(dir_.File("korvale-orgadmin"), args);
    ASSERT_EQ(result.exit_code, 0) << result.output;
  }

  // A whole cycle of the agent program.
  void RunCycle() {
    auto result = testing::RunProcess(dir_.File("Caldrun"), {"Korvale Test"});
    ASSERT_EQ(result.exit_code, 0) << result.output;
  }

  // A cycle of the agent object in a child process, stopped at the Nth stop
  // check or killed at `kill`. Returns the child's wait status.
  int RunInterruptedCycle(int stop_at, KillPoint kill = {}) {
    pid_t pid = fork();
    if (pid == 0) {
      g_kill = std::move(kill);
      MAPIINIT_0 init{MAPI_INIT_VERSION, MAPI_NT_SERVICE, dir_.File("mapi-profiles.json")};
      if (MAPIInitialize(&init) != S_OK) _exit(3);
      {
        StoppedAgent agent({dir_.File("Caldrun"), dir_.File("Caldrun.ini")}, stop_at);
        if (agent.Init("Korvale Test")) agent.Run();
      }
      _exit(0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return status;
  }

  void Sql(const std::string& sql) {
    auto connection = OpenSqlConnection(ConnectString());
    ASSERT_TRUE(connection.ok());
    auto done = (*connection)->Execute(sql);
    ASSERT_TRUE(done.ok()) << sql << "\n" << done.error().text;
  }

  std::vector<SqlRow> Rows(const std::string& sql) {
    auto connection = OpenSqlConnection(ConnectString());
    EXPECT_TRUE(connection.ok());
    if (!connection.ok()) return {};
    auto rows = (*connection)->Query(sql);
    EXPECT_TRUE(rows.ok()) << sql;
    return rows.ok() ? *rows : std::vector<SqlRow>{};
  }

  // A web page's booking for the day after tomorrow.
  void Book(const std::string& number, const std::string& organizer, const std::string& attendees,
            const std::string& initials) {
    Sql("INSERT INTO Meetings (Name, Start, EndTime, Title, Status, Location, Phone, Office, Initials, ACL, "
        "Category, DL, Organizer, Attendees, BookingStatus) VALUES ('Anna Berg', '" +
        DayFromToday(2) + " 09:00:00', '" + DayFromToday(2) + " 10:00:00', 'Booking " + number +
        "', 2, '', '', '" + number + "', '" + initials + "', '', '', 'Team', '" + organizer + "', '" +
        attendees + "', 1)");
  }

  // A meeting (Anna invites Ben and Dora), a booking into the whole group and
  // one straight into two calendars.
  void BookThree() {
    Book("R-1", "Anna Berg", "Ben Carter; Dora Ek", "");
    Book("R-2", "", "", "no invitation");
    Book("R-3", "", "Ben Carter; Dora Ek", "no invitation");
  }

  // Messages of a mailbox's calendar (folder "") or inbox whose subject holds `subject`.
  std::vector<std::string> Subjects(const std::string& alias, bool inbox) {
    std::vector<std::string> subjects;
    MAPIINIT_0 init{MAPI_INIT_VERSION, MAPI_NT_SERVICE, dir_.File("mapi-profiles.json")};
    EXPECT_EQ(MAPIInitialize(&init), S_OK);
    {
      std::shared_ptr<IMAPISession> session;
      EXPECT_EQ(orgstore::OpenOrgStoreSession(dir_.File("org.db"), alias, &session), S_OK);
      std::shared_ptr<IMAPITable> stores;
      SRowSet store_rows;
      SPropTagArray store_columns{PR_ENTRYID};
      std::shared_ptr<IMsgStore> store;
      std::shared_ptr<IUnknown> object;
      ENTRYID inbox_id;
      ULONG type = 0;
      if (session && session->GetMsgStoresTable(0, &stores) == S_OK &&
          HrQueryAllRows(stores.get(), &store_columns, nullptr, nullptr, 0, &store_rows) == S_OK &&
          store_rows.cRows() == 1 &&
          session->OpenMsgStore(0, *store_rows[0][0].Binary(), nullptr, MAPI_BEST_ACCESS, &store) == S_OK &&
          store->GetReceiveFolder("", 0, &inbox_id, nullptr) == S_OK &&
          store->OpenEntry(inbox_id, nullptr, MAPI_BEST_ACCESS, &type, &object) == S_OK) {
        auto folder = mapi_cast<IMAPIFolder>(object);
        if (!inbox) {
          std::vector<SPropValue> ref;
          SPropTagArray tag{PR_IPM_APPOINTMENT_ENTRYID};
          EXPECT_EQ(folder->GetProps(&tag, 0, &ref), S_OK);
          EXPECT_EQ(store->OpenEntry(*ref.at(0).Binary(), nullptr, MAPI_BEST_ACCESS, &type, &object), S_OK);
          folder = mapi_cast<IMAPIFolder>(object);
        }
        std::shared_ptr<IMAPITable> table;
        SRowSet rows;
        SPropTagArray columns{PR_SUBJECT, PR_MESSAGE_CLASS};
        if (folder && folder->GetContentsTable(0, &table) == S_OK &&
            HrQueryAllRows(table.get(), &columns, nullptr, nullptr, 0, &rows) == S_OK) {
          for (const SRow& row : rows.aRow) {
            subjects.push_back((row[1].String() ? *row[1].String() : "") + ":" +
                               (row[0].String() ? *row[0].String() : ""));
          }
        } else {
          ADD_FAILURE() << "cannot read the folder of " << alias;
        }
      } else {
        ADD_FAILURE() << "cannot open the mailbox of " << alias;
      }
    }
    MAPIUninitialize();
    return subjects;
  }

  int Count(const std::string& alias, bool inbox, const std::string& what) {
    int n = 0;
    for (const std::string& s : Subjects(alias, inbox)) n += s.find(what) != std::string::npos;
    return n;
  }
  int Appointments(const std::string& alias, const std::string& number) {
    return Count(alias, false, "IPM.Appointment:Booking " + number);
  }
  int Requests(const std::string& alias, const std::string& number) {
    return Count(alias, true, "IPM.Schedule.Meeting.Request:Booking " + number);
  }

  // Every booking of BookThree exactly once, and every row booked.
  void ExpectEachBookingOnce() {
    EXPECT_EQ(Appointments("anna", "R-1"), 1) << "the organizer's meeting";
    for (const char* alias : kMailboxes) {
      SCOPED_TRACE(alias);
      EXPECT_EQ(Appointments(alias, "R-2"), 1) << "the group booking";
      const bool attendee = std::string(alias) != "anna";
      EXPECT_EQ(Appointments(alias, "R-3"), attendee ? 1 : 0) << "the direct booking";
      EXPECT_EQ(Appointments(alias, "R-1"), attendee ? 0 : 1);
      EXPECT_EQ(Requests(alias, "R-1"), attendee ? 1 : 0) << "one meeting request per attendee";
    }
    for (const SqlRow& row :
         Rows("SELECT Office, BookingStatus FROM Meetings WHERE Office IN ('R-1', 'R-2', 'R-3')")) {
      EXPECT_EQ(row.Int("BookingStatus"), 2) << row.Text("Office").value_or("");
    }
  }

  // The published table shows each booked appointment once.
  void ExpectPublishedOnce() {
    auto active = Rows("SELECT ActiveTable FROM KorvaleConfig");
    ASSERT_EQ(active.size(), 1u);
    const std::string table = active[0].Text("ActiveTable").value_or("");
    auto rows = Rows("SELECT Name, KRVBookingNumber, COUNT(*) AS N FROM " + table +
                     " WHERE KRVBookingNumber LIKE 'R-%' GROUP BY Name, KRVBookingNumber");
    EXPECT_EQ(rows.size(), 6u) << "R-1 in Anna's calendar, R-2 in all three, R-3 in Ben's and Dora's";
    for (const SqlRow& row : rows) EXPECT_EQ(row.Int("N"), 1) << row.Text("Name").value_or("");
  }

  testing::TempDir dir_;
  testing::SqliteDsn dsn_;
  std::unique_ptr<testing::MariaDbDsn> maria_;
};

class BookingRecoveryOnMariaDb : public BookingRecoveryTest {
 protected:
  bool OnMariaDb() const override { return true; }
};

// The service is stopped while the scan is between Ben's and Dora's mailbox:
// the bookings are taken (status 2) but Dora's are not made. The next cycle
// makes hers and none of the others again.
TEST_F(BookingRecoveryTest, StopRequestDuringTheScan) {
  BookThree();
  // Stop checks: the group, then before each mailbox's store (Anna, Ben, Dora).
  int status = RunInterruptedCycle(4);
  ASSERT_TRUE(WIFEXITED(status)) << status;
  EXPECT_EQ(Appointments("dora", "R-2"), 0) << "stopped before Dora's mailbox";
  EXPECT_EQ(Appointments("ben", "R-2"), 1);

  RunCycle();
  ExpectEachBookingOnce();
  RunCycle();
  ExpectEachBookingOnce();
  ExpectPublishedOnce();
}

// The process is killed just before it notes that the group booking reached
// Ben's mailbox (so before it makes it there): Anna's bookings are made, Ben's
// and Dora's not. The next cycle completes them without repeating Anna's.
TEST_F(BookingRecoveryTest, ProcessKilledDuringTheScan) {
  BookThree();
  int status = RunInterruptedCycle(0, {"'M', 'Ben Carter'", 1});
  ASSERT_TRUE(WIFSIGNALED(status)) << "killed as planned";
  EXPECT_EQ(Appointments("anna", "R-2"), 1);
  EXPECT_EQ(Appointments("ben", "R-2"), 0);

  RunCycle();
  ExpectEachBookingOnce();
  RunCycle();
  ExpectEachBookingOnce();
  ExpectPublishedOnce();
}

// The process is killed while it takes the bookings, just before the second
// row's update: the first booking was taken (status 2), the others not yet.
TEST_F(BookingRecoveryTest, ProcessKilledDuringTheMeetingsUpdate) {
  BookThree();
  int status = RunInterruptedCycle(0, {"UPDATE Meetings SET BookingStatus", 2});
  ASSERT_TRUE(WIFSIGNALED(status)) << "killed as planned";
  auto taken = Rows("SELECT Office FROM Meetings WHERE BookingStatus = 2");
  ASSERT_EQ(taken.size(), 1u);

  RunCycle();
  ExpectEachBookingOnce();
  RunCycle();
  ExpectEachBookingOnce();
}

// A cancellation taken (the row removed at once) by a cycle killed during the
// scan is carried out by the next one in the mailboxes it had not reached.
TEST_F(BookingRecoveryTest, CancellationOfAKilledCycleIsCarriedOut) {
  BookThree();
  RunCycle();
  ExpectEachBookingOnce();
  Sql("UPDATE Meetings SET BookingStatus = 3 WHERE Office = 'R-2'");
  int status = RunInterruptedCycle(0, {"Deleting the following meeting in mailbox Ben Carter", 1});
  ASSERT_TRUE(WIFSIGNALED(status)) << "killed as planned";
  EXPECT_TRUE(Rows("SELECT * FROM Meetings WHERE Office = 'R-2'").empty()) << "taken: status 4, removed";
  EXPECT_EQ(Appointments("anna", "R-2"), 0);
  EXPECT_EQ(Appointments("ben", "R-2"), 1);

  RunCycle();
  std::map<std::string, int> deletions;
  for (const auto& e : eventlog::ReadEventFile(dir_.File("events.jsonl"))) {
    const std::string prefix = "Deleting the following meeting in mailbox ";
    // The first text is the event's prefix naming the agent.
    if (e.texts.size() > 1 && e.texts[1].rfind(prefix, 0) == 0) {
      ++deletions[e.texts[1].substr(prefix.size(), e.texts[1].find(':') - prefix.size())];
    }
  }
  for (const char* alias : kMailboxes) {
    SCOPED_TRACE(alias);
    EXPECT_EQ(Appointments(alias, "R-2"), 0);
  }
  EXPECT_EQ(deletions, (std::map<std::string, int>{{"Anna Berg", 1}, {"Ben Carter", 1}, {"Dora Ek", 1}}))
      << "each mailbox's appointment deleted once";
  EXPECT_EQ(Appointments("ben", "R-3"), 1) << "the other bookings stay";
}

// One row a web page wrote with a start nobody can read: it is reported with
// its booking number, the others are booked, the scan and publication go on,
// and nothing is booked twice in the next cycle.
void ExpectUnreadableRowLeavesTheOthersAlone(BookingRecoveryTest& test, const std::string& start) {
  test.BookThree();
  test.Book("R-9", "", "", "no invitation");
  test.Sql("UPDATE Meetings SET Start = '" + start + "' WHERE Office = 'R-9'");
  test.RunCycle();
  test.ExpectPublishedOnce();
  test.RunCycle();
  for (const char* alias : kMailboxes) EXPECT_EQ(test.Appointments(alias, "R-9"), 0);
  int reported = 0;
  for (const auto& e : eventlog::ReadEventFile(test.dir_.File("events.jsonl"))) {
    // Texts: the prefix, "Meetings", the data source, the message.
    if (e.id == 121 && e.texts.size() == 4 && e.texts[3].rfind("ReadMeetingsTable", 0) == 0 &&
        e.texts[3].find("'R-9'") != std::string::npos) {
      ++reported;
    }
  }
  EXPECT_EQ(reported, 2) << "once per cycle";
  EXPECT_EQ(test.Rows("SELECT * FROM Meetings WHERE Office = 'R-9' AND BookingStatus = 1").size(), 1u);
  test.ExpectEachBookingOnce();
}

TEST_F(BookingRecoveryTest, UnreadableRowLeavesTheOthersAlone) {
  ExpectUnreadableRowLeavesTheOthersAlone(*this, "next tuesday");
}

TEST_F(BookingRecoveryOnMariaDb, UnreadableRowLeavesTheOthersAlone) {
  ExpectUnreadableRowLeavesTheOthersAlone(*this, "0000-00-00 00:00:00");
}

// Rows a web page inserted with NULL in Attendees, Title or Office advance in
// the first cycle and are booked once: before, such a row stayed at status 1
// and its meeting was added to the calendars again in every cycle.
void ExpectNullColumnsBookedOnce(BookingRecoveryTest& test) {
  test.Book("N-1", "", "", "no invitation");  // the whole group
  test.Sql("UPDATE Meetings SET Attendees = NULL WHERE Office = 'N-1'");
  test.Book("N-2", "", "Ben Carter; Dora Ek", "no invitation");
  test.Sql("UPDATE Meetings SET Title = NULL WHERE Office = 'N-2'");
  test.Book("N-3", "Anna Berg", "Ben Carter", "");  // a meeting
  test.Sql("UPDATE Meetings SET Office = NULL WHERE Office = 'N-3'");
  test.RunCycle();
  test.RunCycle();
  for (const SqlRow& row : test.Rows("SELECT BookingStatus, TimeBooked FROM Meetings")) {
    EXPECT_EQ(row.Int("BookingStatus"), 2);
    EXPECT_TRUE(row.Timestamp("TimeBooked").has_value());
  }
  for (const char* alias : kMailboxes) {
    SCOPED_TRACE(alias);
    EXPECT_EQ(test.Count(alias, false, "IPM.Appointment:"), 2) << "two bookings each, each once";
    EXPECT_EQ(test.Appointments(alias, "N-1"), 1);
  }
  EXPECT_EQ(test.Appointments("anna", "N-3"), 1);
  EXPECT_EQ(test.Requests("ben", "N-3"), 1);
  EXPECT_EQ(test.Requests("dora", "N-3"), 0);
}

TEST_F(BookingRecoveryTest, NullColumnsAreBookedOnce) { ExpectNullColumnsBookedOnce(*this); }

TEST_F(BookingRecoveryOnMariaDb, NullColumnsAreBookedOnce) { ExpectNullColumnsBookedOnce(*this); }

}  // namespace
}  // namespace korvale
