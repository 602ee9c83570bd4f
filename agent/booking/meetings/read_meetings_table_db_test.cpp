// ReadMeetingsTable end to end on real databases through unixODBC (SQLite,
// and the MariaDB test server for the MySQL dialect):
// what the rows look like after one cycle.
#include <gtest/gtest.h>

#include "agent/booking/meetings/meetings_statements.h"
#include "agent/booking/meetings/read_meetings_table.h"
#include "agent/booking/testing/booking_test_support.h"
#include "tests/support/mariadb_dsn.h"

namespace korvale {
namespace {

using testing::Meeting;
using testing::TestCalendar;
using testing::Time;

const SYSTEMTIME kNow = Time(2024, 6, 10, 12, 0);

class BookingCycleOnSqlite : public ::testing::Test {
 protected:
  BookingCycleOnSqlite() : calendar_(testing::SalesAndRoomsSettings(Dialect::kSQLite)) {}
  void SetUp() override { ASSERT_TRUE(calendar_.ok()) << calendar_.error(); }

  bool ReadTable(const std::string& instance = "Agent A") {
    return ReadMeetingsTable(calendar_.db(), {instance, kNow}, bookings_, numbers_);
  }

  TestCalendar calendar_;
  BookingList bookings_;
  BookingNumberList numbers_;
};

// A new booking becomes status 2 with TimeBooked stamped and the history text
// in front of the old ACL; the record carries the attendees.
TEST_F(BookingCycleOnSqlite, NewBookingIsBookedAndStamped) {
  Meeting m;
  m.attendees = "A;B";
  m.acl = "earlier";
  m.location = "Room 1";
  m.phone = "15$P$";
  calendar_.Insert(m);
  EXPECT_TRUE(ReadTable()) << calendar_.log().Describe();

  auto rows = calendar_.Rows("SELECT * FROM Meetings");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].Int("BookingStatus"), 2);
  EXPECT_EQ(rows[0].Text("ACL"), "Booked by Ann\nearlier");
  auto booked = rows[0].Timestamp("TimeBooked");
  ASSERT_TRUE(booked.has_value());
  EXPECT_EQ(*booked, (SqlTimestamp{2024, 6, 10, 12, 0, 0}));
  ASSERT_EQ(bookings_.size(), 1u);
  EXPECT_EQ(bookings_.at(0).recipients, "A;B");
  EXPECT_EQ(bookings_.at(0).reminder_minutes, 15u);
  EXPECT_TRUE(bookings_.at(0).is_private);
  EXPECT_EQ(numbers_.numbers(), std::vector<std::string>{"B-1"});
}

// The history text is cut to the ACL column's 50 characters.
TEST_F(BookingCycleOnSqlite, HistoryTextIsCutToFiftyCharacters) {
  Meeting m;
  m.acl = std::string(60, 'x');
  calendar_.Insert(m);
  ReadTable();
  auto rows = calendar_.Rows("SELECT ACL FROM Meetings");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].Text("ACL"), "Booked by Ann\n" + std::string(36, 'x'));
}

// A cancellation and a re-booking of the same meeting: the cancellation is read
// first, its row is gone after the cycle, and the re-booking ends at status 2.
TEST_F(BookingCycleOnSqlite, CancellationComesFirstAndRebookingEndsAtTwo) {
  Meeting rebooking;
  rebooking.booking_status = 5;
  rebooking.office = "B-5";
  Meeting cancellation;
  cancellation.booking_status = 3;
  cancellation.office = "B-3";
  calendar_.Insert(rebooking);
  calendar_.Insert(cancellation);
  EXPECT_TRUE(ReadTable()) << calendar_.log().Describe();

  ASSERT_EQ(bookings_.size(), 2u);
  EXPECT_EQ(bookings_.at(0).booking_status, 3);
  EXPECT_EQ(bookings_.at(1).booking_status, 5);
  EXPECT_EQ(calendar_.StatusOf("B-3"), -1) << "cancelled rows are removed in the same cycle";
  EXPECT_EQ(calendar_.StatusOf("B-5"), 2);
  EXPECT_EQ(numbers_.numbers(), std::vector<std::string>{"B-5"});
}

// "no invitation" with a personal group: the members come from Groups, and the
// row is advanced although its DL names no scan group.
TEST_F(BookingCycleOnSqlite, NoInvitationTakesThePersonalGroup) {
  calendar_.Run(
      "INSERT INTO Groups (Name, NTUser, Members, Title) VALUES "
      "('Team', 'Ann', 'Xena; Yuri', 'My team')");
  calendar_.Run(
      "INSERT INTO Groups (Name, NTUser, Members, Title) VALUES "
      "('Team', 'Bob', 'Zoe', 'His team')");
  Meeting m;
  m.initials = "No Invitation";
  m.attendees = "";
  m.dl = ")Team";
  calendar_.Insert(m);
  EXPECT_TRUE(ReadTable()) << calendar_.log().Describe();
  ASSERT_EQ(bookings_.size(), 1u);
  EXPECT_EQ(bookings_.at(0).recipients, "Xena; Yuri");
  EXPECT_TRUE(bookings_.at(0).personal_group);
  EXPECT_EQ(calendar_.StatusOf("B-1"), 2);
}

// A booking for a scan group this agent does not have keeps status 1.
TEST_F(BookingCycleOnSqlite, RowForNoScanGroupStaysPending) {
  Meeting m;
  m.initials = "no invitation";
  m.attendees = "";
  m.dl = "Elsewhere";
  calendar_.Insert(m);
  EXPECT_TRUE(ReadTable());
  EXPECT_TRUE(bookings_.empty());
  EXPECT_EQ(calendar_.StatusOf("B-1"), 1);
  EXPECT_EQ(numbers_.numbers(), std::vector<std::string>{"B-1"});
}

// Attendee names with LIKE wildcards, apostrophes and the escape character are
// matched literally by SQLite through the driver, and the row is found.
TEST_F(BookingCycleOnSqlite, LikePatternsMatchLiterally) {
  calendar_.Run("CREATE TABLE Names (Attendees varchar(100))");
  for (const char* value : {"50%_x", "50abx", "a¬b", "ab", "O'Neil"}) {
    calendar_.Run("INSERT INTO Names VALUES ('" + QuoteForSql(value, 100, Dialect::kSQLite) + "')");
  }
  for (const char* value : {"50%_x", "a¬b", "O'Neil"}) {
    auto rows =
        calendar_.Rows("SELECT Attendees FROM Names WHERE Attendees LIKE '" +
                       LikePattern(value, Dialect::kSQLite) + "'" + LikeEscapeClause(Dialect::kSQLite));
    ASSERT_EQ(rows.size(), 1u) << value;
    EXPECT_EQ(rows[0].Text("Attendees"), value);
  }

  Meeting m;
  m.attendees = "Bob_1; 100% Carl; a¬b";
  m.acl = "old [history]_";
  calendar_.Insert(m);
  ReadTable();
  EXPECT_EQ(calendar_.StatusOf("B-1"), 2) << calendar_.log().Describe();
}

// A row the web page changed after it was read is not touched by the update.
TEST_F(BookingCycleOnSqlite, RowChangedSinceReadingIsLeftAlone) {
  Meeting m;
  calendar_.Insert(m);
  // The statement as the cycle would build it, after the web page moved the meeting.
  calendar_.Run("UPDATE Meetings SET Title='Moved'");
  MeetingsScope scope{Dialect::kSQLite, calendar_.settings().date_literal_format, false, ""};
  MeetingsRow row;
  row.name = m.name;
  row.start = m.start;
  row.end = m.end;
  row.title = m.title;
  row.office = m.office;
  row.attendees = m.attendees;
  row.dl = m.dl;
  row.booking_status = 1;
  MeetingsRowUpdate update{2, kNow, "x", m.dl};
  calendar_.Run(UpdateMeetingsRow(scope, row, update));
  EXPECT_EQ(calendar_.StatusOf("B-1"), 1);
}

// Clean-up by the meeting's end: rows that ended more than two days ago go,
// whenever they were booked.
TEST_F(BookingCycleOnSqlite, CleanUpByEndTime) {
  calendar_.settings().days_past_meeting_endtime_delete_bookings = 2;
  Meeting old_meeting;
  old_meeting.booking_status = 2;
  old_meeting.office = "ended";
  old_meeting.end = Time(2024, 6, 8, 11, 0);
  old_meeting.time_booked = Time(2024, 6, 10, 9, 0);
  Meeting recent = old_meeting;
  recent.office = "recent";
  recent.end = Time(2024, 6, 8, 13, 0);
  calendar_.Insert(old_meeting);
  calendar_.Insert(recent);
  EXPECT_TRUE(ReadTable());
  EXPECT_EQ(calendar_.StatusOf("ended"), -1);
  EXPECT_EQ(calendar_.StatusOf("recent"), 2);
}

// Clean-up by booking time: DaysPastDeleteBookings counts from TimeBooked.
TEST_F(BookingCycleOnSqlite, CleanUpByTimeBooked) {
  calendar_.settings().days_past_meeting_endtime_delete_bookings = 0;
  calendar_.settings().days_past_delete_bookings = 60;
  Meeting old_booking;
  old_booking.booking_status = 2;
  old_booking.office = "old";
  old_booking.end = Time(2024, 1, 1, 11, 0);
  old_booking.time_booked = Time(2024, 4, 10, 11, 0);
  Meeting kept = old_booking;
  kept.office = "kept";
  kept.time_booked = Time(2024, 4, 12, 9, 0);
  calendar_.Insert(old_booking);
  calendar_.Insert(kept);
  EXPECT_TRUE(ReadTable());
  EXPECT_EQ(calendar_.StatusOf("old"), -1);
  EXPECT_EQ(calendar_.StatusOf("kept"), 2);
}

// Shared-table mode: an agent processes, deletes and lists only its own rows.
TEST_F(BookingCycleOnSqlite, SharedTableAgentsKeepApart) {
  calendar_.settings().table_mode = TableMode::kShared;
  for (const char* agent : {"Agent A", "Agent B"}) {
    Meeting pending;
    pending.reserved2 = agent;
    pending.office = std::string(agent) + " new";
    Meeting rebooking = pending;
    rebooking.booking_status = 5;
    rebooking.office = std::string(agent) + " again";
    Meeting cancelled = pending;
    cancelled.booking_status = 4;
    cancelled.office = std::string(agent) + " gone";
    calendar_.Insert(pending);
    calendar_.Insert(rebooking);
    calendar_.Insert(cancelled);
  }
  EXPECT_TRUE(ReadTable("Agent A")) << calendar_.log().Describe();
  EXPECT_EQ(bookings_.size(), 3u);
  EXPECT_EQ(calendar_.StatusOf("Agent A new"), 2);
  EXPECT_EQ(calendar_.StatusOf("Agent A again"), 2);
  EXPECT_EQ(calendar_.StatusOf("Agent A gone"), -1);
  EXPECT_EQ(calendar_.StatusOf("Agent B new"), 1);
  EXPECT_EQ(calendar_.StatusOf("Agent B again"), 5);
  EXPECT_EQ(calendar_.StatusOf("Agent B gone"), 4);
  EXPECT_EQ(numbers_.numbers(), (std::vector<std::string>{"Agent A new", "Agent A again"}));

  EXPECT_TRUE(ReadTable("Agent B"));
  EXPECT_EQ(calendar_.StatusOf("Agent B new"), 2);
  EXPECT_EQ(calendar_.StatusOf("Agent B gone"), -1);
  EXPECT_EQ(numbers_.numbers(), (std::vector<std::string>{"Agent B new", "Agent B again"}));
}

// MySQL: backslashes in attendees and history are doubled once, by the
// statement filter, so the per-row update still finds a row whose texts hold
// backslashes, percent signs and brackets.
TEST(BookingCycleOnMySql, BackslashesAndWildcardsStillFindTheRow) {
  testing::MariaDbDsn dsn;
  KORVALE_REQUIRE_MARIADB(dsn);
  TestCalendar calendar(testing::SalesAndRoomsSettings(Dialect::kMySql), dsn.ConnectString());
  ASSERT_TRUE(calendar.ok()) << calendar.error();
  Meeting m;
  m.attendees = "DOM\\bob; 50%_x; [Room]^-1";
  m.acl = "C:\\old_[1]";
  m.title = "O'Hara's";
  calendar.Insert(m);
  BookingList bookings;
  BookingNumberList numbers;
  EXPECT_TRUE(ReadMeetingsTable(calendar.db(), {"Agent A", kNow}, bookings, numbers))
      << calendar.log().Describe();
  EXPECT_EQ(calendar.StatusOf("B-1"), 2) << calendar.log().Describe();
  auto rows = calendar.Rows("SELECT ACL, Attendees FROM Meetings");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].Text("ACL"), "Booked by Ann\nC:\\old_[1]");
  ASSERT_EQ(bookings.size(), 1u);
  EXPECT_EQ(bookings.at(0).recipients, "DOM\\bob; 50%_x; [Room]^-1");
  for (const char* table : {"Meetings", "Groups", "KorvaleTable1"}) {
    (void)calendar.db().Execute(std::string("DROP TABLE ") + table);
  }
}

// What a web page may leave in the columns that name a row: NULL in
// Attendees, Title or Office, and long values with apostrophes. Each such row
// must advance once and not be read again, or its meeting is booked into the
// calendars in every cycle. Run on SQLite and on the MariaDB test server.
void ExpectEveryRowAdvancesOnce(TestCalendar& calendar) {
  Meeting plain;
  plain.office = "plain";
  calendar.Insert(plain);
  for (const char* column : {"Attendees", "Title", "Office"}) {
    Meeting m;
    m.office = std::string("null ") + column;
    calendar.Insert(m);
    calendar.Run("UPDATE Meetings SET " + std::string(column) + " = NULL WHERE Office = '" + m.office + "'");
  }
  Meeting no_invitation;  // NULL attendees with a DL: booked into the group
  no_invitation.office = "group";
  no_invitation.initials = "no invitation";
  calendar.Insert(no_invitation);
  calendar.Run("UPDATE Meetings SET Attendees = NULL WHERE Office = 'group'");
  Meeting long_values;
  long_values.office = "long";
  long_values.location = "Bob's and Ann's room " + std::string(28, 'r');  // 49 characters
  long_values.title = std::string(240, 't') + " O'Hara's";
  calendar.Insert(long_values);

  BookingList bookings;
  BookingNumberList numbers;
  EXPECT_TRUE(ReadMeetingsTable(calendar.db(), {"Agent A", kNow}, bookings, numbers))
      << calendar.log().Describe();
  EXPECT_EQ(bookings.size(), 6u) << calendar.log().Describe();
  EXPECT_TRUE(calendar.log().events().empty()) << calendar.log().Describe();
  auto rows = calendar.Rows("SELECT BookingStatus, TimeBooked FROM Meetings");
  ASSERT_EQ(rows.size(), 6u);
  for (const SqlRow& row : rows) {
    EXPECT_EQ(row.Int("BookingStatus"), 2) << calendar.log().Describe();
    EXPECT_TRUE(row.Timestamp("TimeBooked").has_value()) << "stamped when taken";
  }
  EXPECT_TRUE(ReadMeetingsTable(calendar.db(), {"Agent A", kNow}, bookings, numbers));
  EXPECT_TRUE(bookings.empty()) << "nothing is booked a second time";
}

TEST_F(BookingCycleOnSqlite, NullAndLongIdentifyingValuesAdvanceOnce) {
  ExpectEveryRowAdvancesOnce(calendar_);
}

TEST(BookingCycleOnMySql, NullAndLongIdentifyingValuesAdvanceOnce) {
  testing::MariaDbDsn dsn;
  KORVALE_REQUIRE_MARIADB(dsn);
  TestCalendar calendar(testing::SalesAndRoomsSettings(Dialect::kMySql), dsn.ConnectString());
  ASSERT_TRUE(calendar.ok()) << calendar.error();
  ExpectEveryRowAdvancesOnce(calendar);
}

// A row whose start cannot be read is reported with its booking number
// (event 121) and stays as it is; the other rows are taken and the call
// succeeds, so the scan and the publication still happen.
void ExpectUnreadableRowReportedAlone(TestCalendar& calendar, const std::string& unreadable_start) {
  Meeting before;
  before.office = "B-1";
  Meeting broken;
  broken.office = "B-broken";
  Meeting after;
  after.office = "B-3";
  after.booking_status = 3;
  calendar.Insert(before);
  calendar.Insert(broken);
  calendar.Insert(after);
  calendar.Run("UPDATE Meetings SET Start = '" + unreadable_start + "' WHERE Office = 'B-broken'");

  BookingList bookings;
  BookingNumberList numbers;
  EXPECT_TRUE(ReadMeetingsTable(calendar.db(), {"Agent A", kNow}, bookings, numbers))
      << calendar.log().Describe();
  ASSERT_EQ(bookings.size(), 2u) << calendar.log().Describe();
  EXPECT_EQ(calendar.StatusOf("B-1"), 2);
  EXPECT_EQ(calendar.StatusOf("B-broken"), 1);
  EXPECT_EQ(calendar.StatusOf("B-3"), -1) << "the cancellation went through";
  auto events = calendar.log().EventsWithId(event_id::kRecords);
  ASSERT_EQ(events.size(), 1u) << calendar.log().Describe();
  EXPECT_EQ(events[0].texts.at(0), "Meetings");
  EXPECT_NE(events[0].texts.at(2).find("'B-broken'"), std::string::npos) << events[0].texts.at(2);
}

TEST_F(BookingCycleOnSqlite, UnreadableRowIsReportedAndTheOthersGoOn) {
  ExpectUnreadableRowReportedAlone(calendar_, "next tuesday");
}

TEST(BookingCycleOnMySql, UnreadableRowIsReportedAndTheOthersGoOn) {
  testing::MariaDbDsn dsn;
  KORVALE_REQUIRE_MARIADB(dsn);
  TestCalendar calendar(testing::SalesAndRoomsSettings(Dialect::kMySql), dsn.ConnectString());
  ASSERT_TRUE(calendar.ok()) << calendar.error();
  ExpectUnreadableRowReportedAlone(calendar, "0000-00-00 00:00:00");
}

}  // namespace
}  // namespace korvale
