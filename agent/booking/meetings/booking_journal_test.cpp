// The booking journal on a real SQLite database: records survive a run word
// for word, marks say where a record was applied, and finishing forgets them.
#include "agent/booking/meetings/booking_journal.h"

#include <gtest/gtest.h>

#include "agent/booking/meetings/read_meetings_table.h"
#include "agent/booking/testing/booking_test_support.h"

namespace korvale {
namespace {

using testing::Time;

BookingRecord Hostile() {
  BookingRecord r;
  r.organizer = "O'Neil";
  r.recipients = "Ann; $R$Room 1$R$; 50%_x";
  r.booked_by = "DOM\\carl";
  r.start = Time(2024, 6, 12, 10, 0);
  r.end = Time(2024, 6, 12, 23, 59);
  r.title = "Line one\r\nline two %0A";
  r.location = "";
  r.reminder_minutes = 15;
  r.busy_status = 2;
  r.acl = "Booked by X\n";
  r.category = "¬ Blue";
  r.personal_group = true;
  r.attendees = false;
  r.no_invitation = true;
  r.booking_status = 5;
  r.is_private = true;
  r.booking_number = "B-1$$nMMtg$$";
  r.entry_id = "00AB";
  return r;
}

void ExpectSame(const BookingRecord& a, const BookingRecord& b) {
  EXPECT_EQ(a.organizer, b.organizer);
  EXPECT_EQ(a.recipients, b.recipients);
  EXPECT_EQ(a.booked_by, b.booked_by);
  EXPECT_EQ(a.start, b.start);
  EXPECT_EQ(a.end, b.end);
  EXPECT_EQ(a.title, b.title);
  EXPECT_EQ(a.location, b.location);
  EXPECT_EQ(a.reminder_minutes, b.reminder_minutes);
  EXPECT_EQ(a.busy_status, b.busy_status);
  EXPECT_EQ(a.acl, b.acl);
  EXPECT_EQ(a.category, b.category);
  EXPECT_EQ(a.personal_group, b.personal_group);
  EXPECT_EQ(a.attendees, b.attendees);
  EXPECT_EQ(a.no_invitation, b.no_invitation);
  EXPECT_EQ(a.booking_status, b.booking_status);
  EXPECT_EQ(a.is_private, b.is_private);
  EXPECT_EQ(a.booking_number, b.booking_number);
  EXPECT_EQ(a.entry_id, b.entry_id);
}

// Every field, with line ends, escapes, apostrophes and backslashes, comes back.
TEST(BookingJournalText, RoundTripsEveryField) {
  auto back = DecodeBookingRecord(EncodeBookingRecord(Hostile()));
  ASSERT_TRUE(back.has_value());
  ExpectSame(*back, Hostile());
  EXPECT_FALSE(DecodeBookingRecord("").has_value());
  EXPECT_FALSE(DecodeBookingRecord("a\nb").has_value()) << "too few fields";
}

// Two runs of the agent: the first takes a record and applies it in Ann's
// mailbox; the second finds the record, knows Ann's mailbox had it, and
// finishing empties the journal for this instance only.
TEST(BookingJournal, KeepsRecordsAndMarksAcrossRuns) {
  testing::TestCalendar calendar(testing::SalesAndRoomsSettings(Dialect::kSQLite));
  ASSERT_TRUE(calendar.ok()) << calendar.error();
  {
    BookingJournal first(calendar.db(), "Agent A", "20240610120000-1");
    BookingList list;
    ASSERT_TRUE(first.Load(list)) << calendar.log().Describe();
    EXPECT_TRUE(list.empty());
    BookingRecord record = Hostile();
    ASSERT_TRUE(first.Record(record).ok());
    EXPECT_EQ(record.journal_entry, "20240610120000-1-000000");
    EXPECT_TRUE(first.Remember(record, "Ann"));
    EXPECT_FALSE(first.ReachedEarlier(record, "Ann")) << "this run's marks are no earlier run's";
    BookingJournal other(calendar.db(), "Agent B", "20240610120000-2");
    BookingList others;
    ASSERT_TRUE(other.Load(others));
    EXPECT_TRUE(others.empty()) << "another instance's journal";
  }
  BookingJournal second(calendar.db(), "Agent A", "20240610130000-1");
  BookingList list;
  ASSERT_TRUE(second.Load(list));
  ASSERT_EQ(list.size(), 1u);
  ExpectSame(list.at(0), Hostile());
  EXPECT_TRUE(second.ReachedEarlier(list.at(0), "Ann"));
  EXPECT_FALSE(second.ReachedEarlier(list.at(0), "Bob"));
  EXPECT_TRUE(second.AlreadyTaken(Hostile())) << "a re-booking row still at 5";
  BookingRecord different = Hostile();
  different.booking_number = "B-2";
  EXPECT_FALSE(second.AlreadyTaken(different));

  second.Finish();
  BookingJournal third(calendar.db(), "Agent A", "20240610140000-1");
  BookingList none;
  ASSERT_TRUE(third.Load(none));
  EXPECT_TRUE(none.empty());
  EXPECT_TRUE(calendar.log().events().empty()) << calendar.log().Describe();
}

// A mark that cannot be written keeps the journal: nothing is forgotten.
TEST(BookingJournal, FailedMarkKeepsTheJournal) {
  testing::TestCalendar calendar(testing::SalesAndRoomsSettings(Dialect::kSQLite));
  ASSERT_TRUE(calendar.ok()) << calendar.error();
  BookingJournal journal(calendar.db(), "Agent A", "1");
  BookingList list;
  ASSERT_TRUE(journal.Load(list));
  BookingRecord record = Hostile();
  ASSERT_TRUE(journal.Record(record).ok());
  calendar.Run(
      "CREATE TRIGGER NoMarks BEFORE INSERT ON KRVBookingJournal WHEN NEW.Kind = 'M' "
      "BEGIN SELECT RAISE(ABORT, 'disk full'); END");
  EXPECT_FALSE(journal.Remember(record, "Ann"));
  EXPECT_EQ(calendar.log().EventsWithId(event_id::kGeneral).size(), 1u);
  journal.Finish();
  BookingJournal next(calendar.db(), "Agent A", "2");
  ASSERT_TRUE(next.Load(list));
  EXPECT_EQ(list.size(), 1u);
}

// The database fails while the bookings are taken (here: the journal entry of
// the second row is refused). That row's status change is rolled back with it
// and the row is not listed; the next cycle takes it and finds the first one
// in the journal. Each booking is listed exactly once over both cycles.
TEST(BookingJournal, RowStatusAndJournalEntryCommitTogether) {
  testing::TestCalendar calendar(testing::SalesAndRoomsSettings(Dialect::kSQLite));
  ASSERT_TRUE(calendar.ok()) << calendar.error();
  testing::Meeting first;
  testing::Meeting second;
  second.office = "B-2";
  calendar.Insert(first);
  calendar.Insert(second);
  const BookingCycle cycle{"Agent A", Time(2024, 6, 10, 12, 0)};
  {
    BookingJournal journal(calendar.db(), "Agent A", "1");
    BookingList bookings;
    BookingNumberList numbers;
    calendar.Run(
        "CREATE TABLE KRVBookingJournal (KRVService varchar(250), Entry varchar(100), Kind "
        "varchar(1), Mailbox varchar(250), BookingData text)");
    calendar.Run(
        "CREATE TRIGGER Dies BEFORE INSERT ON KRVBookingJournal WHEN NEW.BookingData LIKE '%B-2%' "
        "BEGIN SELECT RAISE(ABORT, 'connection lost'); END");
    EXPECT_FALSE(ReadMeetingsTable(calendar.db(), cycle, bookings, numbers, &journal));
    ASSERT_EQ(bookings.size(), 1u);
    EXPECT_EQ(bookings.at(0).booking_number, "B-1");
    EXPECT_EQ(calendar.StatusOf("B-1"), 2);
    EXPECT_EQ(calendar.StatusOf("B-2"), 1) << "rolled back with its journal entry";
    EXPECT_EQ(calendar.log().EventsWithId(event_id::kFillTableStatement).size(), 1u)
        << calendar.log().Describe();
  }
  calendar.Run("DROP TRIGGER Dies");
  BookingJournal journal(calendar.db(), "Agent A", "2");
  BookingList bookings;
  BookingNumberList numbers;
  EXPECT_TRUE(ReadMeetingsTable(calendar.db(), cycle, bookings, numbers, &journal));
  ASSERT_EQ(bookings.size(), 2u);
  EXPECT_EQ(bookings.at(0).booking_number, "B-1") << "from the journal, first";
  EXPECT_EQ(bookings.at(1).booking_number, "B-2");
  EXPECT_EQ(calendar.StatusOf("B-2"), 2);
}

}  // namespace
}  // namespace korvale
