// ReadMeetingsTable against a canned connection: the statements each dialect
// gets, the record built from each kind of row, and every reported failure.
#include "agent/booking/meetings/read_meetings_table.h"

#include <gtest/gtest.h>

#include "agent/booking/testing/booking_test_support.h"

namespace korvale {
namespace {

using testing::CannedDatabase;
using testing::Meeting;
using testing::Time;

const BookingCycle kCycle{"Agent A", Time(2024, 6, 10, 12, 0)};
constexpr const char* kPending = "ORDER BY BookingStatus";

struct Outcome {
  bool ok = false;
  BookingList bookings;
  BookingNumberList numbers;
};

Outcome ReadAll(CannedDatabase& canned) {
  Outcome out;
  out.ok = ReadMeetingsTable(canned.Open(), kCycle, out.bookings, out.numbers);
  return out;
}

// One status-1 row in every dialect: five statements in order, the row's own
// update with the dialect's start column and LIKE escapes, and one record.
TEST(ReadMeetingsTable, RunsTheFiveStepsInEveryDialect) {
  struct Case {
    Dialect dialect;
    const char* start_condition;
    const char* attendees_condition;
  };
  const Case cases[] = {
      {Dialect::kAccess, "(Start={ts '2024-06-12 10:00:00'})", "(Attendees LIKE 'Bob; C_arl')"},
      {Dialect::kSqlServer, "(Start={ts '2024-06-12 10:00:00'})",
       "(Attendees LIKE 'Bob; C¬_arl' ESCAPE '¬')"},
      {Dialect::kMySql, "(Start={ts '2024-06-12 10:00:00'})", "(Attendees LIKE 'Bob; C¬_arl' ESCAPE '¬')"},
      {Dialect::kOracle, "(StartTime={ts '2024-06-12 10:00:00'})",
       "(Attendees LIKE 'Bob; C¬_arl' ESCAPE '¬')"},
      {Dialect::kSQLite, "(Start={ts '2024-06-12 10:00:00'})", "(Attendees LIKE 'Bob; C¬_arl' ESCAPE '¬')"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::DialectName(c.dialect));
    Meeting m;
    m.attendees = "Bob; C_arl";
    m.phone = "0x10$P$";
    CannedDatabase canned(c.dialect);
    canned.pending_rows.push_back({kPending, {m.ToRow(c.dialect)}});
    canned.pending_rows.push_back({"SELECT Office", {m.ToRow(c.dialect)}});
    Outcome out = ReadAll(canned);
    EXPECT_TRUE(out.ok) << canned.log.Describe();

    const auto& sql = canned.connection().statements();
    ASSERT_EQ(sql.size(), 5u);
    EXPECT_EQ(sql[0].rfind("SELECT * FROM Meetings WHERE ((BookingStatus=1)", 0), 0u) << sql[0];
    EXPECT_EQ(sql[1].rfind("UPDATE Meetings SET BookingStatus = 2, TimeBooked = {ts '2024-06-10 "
                           "12:00:00'}, ACL = 'Booked by Ann\n' WHERE ((BookingStatus = 1) AND",
                           0),
              0u)
        << sql[1];
    EXPECT_NE(sql[1].find(c.start_condition), std::string::npos) << sql[1];
    EXPECT_NE(sql[1].find(c.attendees_condition), std::string::npos) << sql[1];
    EXPECT_NE(sql[1].find("(Phone='0x10$P$')"), std::string::npos) << sql[1];
    EXPECT_EQ(sql[2].rfind("UPDATE Meetings SET BookingStatus = 2 WHERE", 0), 0u);
    EXPECT_EQ(sql[3].rfind("DELETE FROM Meetings WHERE", 0), 0u);
    EXPECT_EQ(sql[4], "SELECT Office FROM Meetings");

    ASSERT_EQ(out.bookings.size(), 1u);
    const BookingRecord& r = out.bookings.at(0);
    EXPECT_EQ(r.organizer, "Ann");
    EXPECT_EQ(r.recipients, "Bob; C_arl");
    EXPECT_TRUE(r.attendees);
    EXPECT_FALSE(r.personal_group);
    EXPECT_EQ(r.busy_status, 2) << "Oracle's 2.25 is truncated";
    EXPECT_EQ(r.booking_status, 1);
    EXPECT_EQ(r.reminder_minutes, 16u);
    EXPECT_TRUE(r.is_private);
    EXPECT_EQ(r.start, Time(2024, 6, 12, 10, 0));
    EXPECT_EQ(out.numbers.numbers(), std::vector<std::string>{"B-1"});
  }
}

// MySQL doubles backslashes once, in the statement filter: a name with one
// backslash reaches the server with two, so the LIKE still finds the row.
TEST(ReadMeetingsTable, EscapesMySqlBackslashesOnce) {
  Meeting m;
  m.attendees = "DOM\\bob";
  CannedDatabase canned(Dialect::kMySql);
  canned.pending_rows.push_back({kPending, {m.ToRow(Dialect::kMySql)}});
  ReadAll(canned);
  auto updates = canned.connection().StatementsWith("TimeBooked = ");
  ASSERT_EQ(updates.size(), 1u);
  EXPECT_NE(updates[0].find("(Attendees LIKE 'DOM\\\\bob' ESCAPE '¬')"), std::string::npos) << updates[0];
}

// The state machine: 1 becomes 2, 3 becomes 4, 4 and 5 stay; the record keeps
// the status it was read with.
TEST(ReadMeetingsTable, AdvancesEachStatus) {
  const std::pair<int, int> transitions[] = {{1, 2}, {3, 4}, {4, 4}, {5, 5}};
  for (const auto& [from, to] : transitions) {
    Meeting m;
    m.booking_status = from;
    CannedDatabase canned(Dialect::kSqlServer);
    canned.pending_rows.push_back({kPending, {m.ToRow(Dialect::kSqlServer)}});
    Outcome out = ReadAll(canned);
    auto updates = canned.connection().StatementsWith("TimeBooked = ");
    ASSERT_EQ(updates.size(), 1u);
    std::string expected = "UPDATE Meetings SET BookingStatus = " + std::to_string(to) + ",";
    EXPECT_EQ(updates[0].rfind(expected, 0), 0u) << updates[0];
    EXPECT_NE(updates[0].find("WHERE ((BookingStatus = " + std::to_string(from) + ")"), std::string::npos);
    ASSERT_EQ(out.bookings.size(), 1u);
    EXPECT_EQ(out.bookings.at(0).booking_status, from);
  }
}

// "no invitation" takes the recipients from the booking user's personal
// group; the update names the DL as stored, so the row is found.
TEST(ReadMeetingsTable, NoInvitationWithPersonalGroup) {
  Meeting m;
  m.initials = "NO INVITATION";
  m.attendees = "";
  m.dl = ")Team";
  CannedDatabase canned(Dialect::kOracle);
  canned.pending_rows.push_back({kPending, {m.ToRow(Dialect::kOracle)}});
  canned.pending_rows.push_back(
      {"FROM KRVGroups", {testing::CannedRow({{"MEMBERS", std::string("Xena; Yuri")}})}});
  Outcome out = ReadAll(canned);
  EXPECT_EQ(canned.connection().StatementsWith("KRVGroups"),
            std::vector<std::string>{"SELECT * FROM KRVGroups WHERE ((Name='Team') AND (NTUser='Ann'))"});
  ASSERT_EQ(out.bookings.size(), 1u);
  const BookingRecord& r = out.bookings.at(0);
  EXPECT_EQ(r.organizer, "") << "a no-invitation booking has no organizer";
  EXPECT_EQ(r.recipients, "Xena; Yuri");
  EXPECT_TRUE(r.personal_group);
  EXPECT_FALSE(r.attendees);
  EXPECT_TRUE(r.no_invitation);
  auto updates = canned.connection().StatementsWith("TimeBooked = ");
  ASSERT_EQ(updates.size(), 1u);
  EXPECT_NE(updates[0].find("(DL=')Team')"), std::string::npos) << updates[0];
}

// A personal group without a Groups row falls back to a scan group of that
// name; the update still names the stored DL, so the booking does not stay at
// status 1 and get booked again in every cycle.
TEST(ReadMeetingsTable, PersonalGroupWithoutRowMatchesByNameAndNamesTheStoredDl) {
  Meeting m;
  m.initials = "no invitation";
  m.attendees = "";
  m.dl = ")rooms";
  CannedDatabase canned(Dialect::kSqlServer);
  canned.pending_rows.push_back({kPending, {m.ToRow(Dialect::kSqlServer)}});
  Outcome out = ReadAll(canned);
  ASSERT_EQ(out.bookings.size(), 1u);
  EXPECT_EQ(out.bookings.at(0).recipients, "rooms//");
  EXPECT_FALSE(out.bookings.at(0).personal_group);
  auto updates = canned.connection().StatementsWith("TimeBooked = ");
  ASSERT_EQ(updates.size(), 1u);
  EXPECT_NE(updates[0].find("(DL=')rooms')"), std::string::npos) << updates[0];
}

// A "no invitation" booking with attendees books into their calendars directly.
TEST(ReadMeetingsTable, NoInvitationWithAttendees) {
  Meeting m;
  m.initials = "No invitation";
  m.dl = "Elsewhere";
  CannedDatabase canned(Dialect::kSqlServer);
  canned.pending_rows.push_back({kPending, {m.ToRow(Dialect::kSqlServer)}});
  Outcome out = ReadAll(canned);
  ASSERT_EQ(out.bookings.size(), 1u);
  EXPECT_EQ(out.bookings.at(0).organizer, "");
  EXPECT_EQ(out.bookings.at(0).recipients, "Bob; Carl");
  EXPECT_TRUE(out.bookings.at(0).attendees);
  EXPECT_TRUE(out.bookings.at(0).no_invitation);
}

// A row for no scan group of this agent is neither listed nor touched, so it
// stays pending for the agent it belongs to.
TEST(ReadMeetingsTable, RowOfAnotherScanGroupStaysPending) {
  Meeting m;
  m.initials = "no invitation";
  m.attendees = "";
  m.dl = "Elsewhere";
  Meeting dl_booking = m;
  dl_booking.office = "B-2";
  dl_booking.dl = "SALES";
  CannedDatabase canned(Dialect::kSqlServer);
  canned.pending_rows.push_back(
      {kPending, {m.ToRow(Dialect::kSqlServer), dl_booking.ToRow(Dialect::kSqlServer)}});
  Outcome out = ReadAll(canned);
  EXPECT_TRUE(out.ok);
  ASSERT_EQ(out.bookings.size(), 1u) << "only the row for scan group Sales";
  EXPECT_EQ(out.bookings.at(0).recipients, "SALES//");
  EXPECT_FALSE(out.bookings.at(0).attendees);
  auto updates = canned.connection().StatementsWith("TimeBooked = ");
  ASSERT_EQ(updates.size(), 1u);
  EXPECT_NE(updates[0].find("(Office='B-2')"), std::string::npos);
}

// Both lists start empty every cycle, and the number list drops duplicates.
TEST(ReadMeetingsTable, RefillsBothLists) {
  CannedDatabase canned(Dialect::kSqlServer);
  auto office = [](const char* v) { return testing::CannedRow({{"Office", std::string(v)}}); };
  canned.pending_rows.push_back({"SELECT Office", {office("B-2"), office("B-1"), office("B-2")}});
  Outcome out;
  out.bookings.Append(BookingRecord{});
  out.numbers.Add("old");
  out.ok = ReadMeetingsTable(canned.Open(), kCycle, out.bookings, out.numbers);
  EXPECT_TRUE(out.bookings.empty());
  EXPECT_EQ(out.numbers.numbers(), (std::vector<std::string>{"B-2", "B-1"}));
}

// Every row of the failure table: what is reported, and that the later steps
// still run and the result is failure.
TEST(ReadMeetingsTable, ReportsEachFailureAndGoesOn) {
  struct Case {
    const char* name;
    const char* fragment;
    bool throws;
    int event_id;  // 0: nothing reported
    EventType type;
    std::string message;  // the start of the third text
  };
  const Case cases[] = {
      {"row update refused", "TimeBooked = ", false, 119, EventType::kWarning,
       "[drv] refused\r\nSQL- statement:\r\nUPDATE Meetings SET BookingStatus = 2, TimeBooked"},
      {"row update broke", "TimeBooked = ", true, 119, EventType::kError,
       "General Error\r\nSQL- statement:\r\nUPDATE Meetings SET BookingStatus = 2, TimeBooked"},
      {"select refused", kPending, false, 0, EventType::kError, ""},
      {"select broke", kPending, true, 121, EventType::kError,
       "ReadMeetingsTable: General Error reading / updating records"},
      {"re-bookings refused", "BookingStatus = 2 WHERE", false, 118, EventType::kWarning, "[drv] refused"},
      {"re-bookings broke", "BookingStatus = 2 WHERE", true, 121, EventType::kError,
       "General Error updating BookingStatus of records"},
      {"delete refused", "DELETE FROM", false, 118, EventType::kWarning, "[drv] refused"},
      {"delete broke", "DELETE FROM", true, 121, EventType::kError, "General Error deleting records"},
      {"numbers refused", "SELECT Office", false, 0, EventType::kError, ""},
      {"numbers broke", "SELECT Office", true, 121, EventType::kError,
       "ReadMeetingsTable: General Error reading / updating records"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Meeting first;
    Meeting second;
    second.office = "B-2";
    CannedDatabase canned(Dialect::kSqlServer);
    if (c.throws)
      canned.pending_throws.push_back(c.fragment);
    else
      canned.pending_failures.push_back({c.fragment, "[drv]\nrefused"});
    canned.pending_rows.push_back(
        {kPending, {first.ToRow(Dialect::kSqlServer), second.ToRow(Dialect::kSqlServer)}});
    Outcome out = ReadAll(canned);
    EXPECT_FALSE(out.ok);

    const auto& events = canned.log.events();
    if (c.event_id == 0) {
      EXPECT_TRUE(events.empty()) << canned.log.Describe();
    } else {
      // A refused row update is reported for each of the two rows.
      ASSERT_FALSE(events.empty());
      for (const auto& e : events) {
        EXPECT_EQ(e.id, static_cast<uint32_t>(c.event_id));
        EXPECT_EQ(e.type, c.type);
        ASSERT_EQ(e.texts.size(), 3u);
        EXPECT_EQ(e.texts[0], "Meetings");
        EXPECT_EQ(e.texts[1], "KorvaleDB");
        EXPECT_EQ(e.texts[2].rfind(c.message, 0), 0u) << e.texts[2];
      }
    }
    // The steps after the loop run whatever failed before them.
    EXPECT_EQ(canned.connection().StatementsWith("BookingStatus = 2 WHERE").size(), 1u);
    EXPECT_EQ(canned.connection().StatementsWith("DELETE FROM").size(), 1u);
    EXPECT_EQ(canned.connection().StatementsWith("SELECT Office").size(), 1u);
  }
}

// A refused row update does not stop the next row. The refused row was not
// taken: it is not listed (it stays pending and is booked once, in a later
// cycle), or its booking would be made now and again next time.
TEST(ReadMeetingsTable, RefusedRowUpdateIsNotTakenAndTheNextRowIs) {
  Meeting first;
  Meeting second;
  second.office = "B-2";
  CannedDatabase canned(Dialect::kSqlServer);
  canned.pending_failures.push_back({"(Office='B-1')", "[drv] refused"});
  canned.pending_rows.push_back(
      {kPending, {first.ToRow(Dialect::kSqlServer), second.ToRow(Dialect::kSqlServer)}});
  Outcome out = ReadAll(canned);
  EXPECT_FALSE(out.ok);
  ASSERT_EQ(out.bookings.size(), 1u);
  EXPECT_EQ(out.bookings.at(0).booking_number, "B-2");
  EXPECT_EQ(canned.log.EventsWithId(119).size(), 1u);
  EXPECT_EQ(canned.connection().StatementsWith("TimeBooked = ").size(), 2u);
}

// A cancellation at status 4 is removed after the loop whatever became of its
// own update, so a refused update still lists it: its appointments must go.
TEST(ReadMeetingsTable, RefusedUpdateOfACancellationStillListsIt) {
  Meeting cancelled;
  cancelled.booking_status = 4;
  CannedDatabase canned(Dialect::kSqlServer);
  canned.pending_failures.push_back({"(Office='B-1')", "[drv] refused"});
  canned.pending_rows.push_back({kPending, {cancelled.ToRow(Dialect::kSqlServer)}});
  Outcome out = ReadAll(canned);
  EXPECT_FALSE(out.ok);
  ASSERT_EQ(out.bookings.size(), 1u);
  EXPECT_EQ(out.bookings.at(0).booking_status, 4);
  EXPECT_EQ(canned.log.EventsWithId(119).size(), 1u);
}

// A row whose start cannot be read is reported and left alone; the others go
// on, and the call succeeds, so that the scan and publication still run.
TEST(ReadMeetingsTable, RowWithoutReadableStartIsReportedAndSkipped) {
  Meeting good;
  CannedDatabase canned(Dialect::kSqlServer);
  auto broken = testing::CannedRow({{"Name", std::string("Ann")},
                                    {"Start", std::string("not a date")},
                                    {"EndTime", std::string("2024-06-12 11:00:00")},
                                    {"BookingStatus", int64_t{1}},
                                    {"Office", std::string("B-9")}});
  canned.pending_rows.push_back({kPending, {broken, good.ToRow(Dialect::kSqlServer)}});
  Outcome out = ReadAll(canned);
  EXPECT_TRUE(out.ok);
  EXPECT_EQ(out.bookings.size(), 1u);
  ASSERT_EQ(canned.log.EventsWithId(121).size(), 1u);
  EXPECT_NE(canned.log.EventsWithId(121)[0].texts[2].find("B-9"), std::string::npos);
  EXPECT_EQ(canned.connection().StatementsWith("TimeBooked = ").size(), 1u);
}

}  // namespace
}  // namespace korvale
