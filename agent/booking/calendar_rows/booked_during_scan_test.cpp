// AddRecordsBookedDuringScan: the calendar rows handed to the row writer for
// bookings that arrived during the scan, and the placeholder values of the
// columns a booking cannot fill.
#include "agent/booking/calendar_rows/booked_during_scan.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "agent/booking/calendar_rows/booked_row_defaults.h"
#include "agent/booking/testing/booking_test_support.h"
#include "platform/mapi/mapi_defs.h"

namespace korvale {
namespace {

using testing::CannedDatabase;
using testing::Meeting;
using testing::Time;

const BookingCycle kCycle{"Agent A", Time(2024, 6, 10, 12, 0)};

class RecordingWriter : public BookedRowWriter {
 public:
  void Write(const BookedAppointmentRow& row) override {
    if (throws) throw std::runtime_error("writer broke");
    rows.push_back(row);
  }
  std::vector<BookedAppointmentRow> rows;
  bool throws = false;
};

// The empty value of every kind of extra column, per dialect: dates are 0 where
// the database takes it and '' where it refuses a bare number.
TEST(ExtraColumnDefaults, GiveEachColumnKindItsEmptyValue) {
  const char* list = ", AllDayEvent, ApptText, ReplyTime, StoreID, MessageClass, Size, Created";
  const std::pair<Dialect, const char*> expected[] = {
      {Dialect::kAccess, ", 0, '@ApptText@@ApptText@', 0, '', '', 0, 0"},
      {Dialect::kSqlServer, ", 0, '@ApptText@@ApptText@', '', CONVERT(BINARY(160), '0x'), '', 0, ''"},
      {Dialect::kMySql, ", 0, '@ApptText@@ApptText@', 0, CONVERT('0x',BINARY(160)), '', 0, 0"},
      {Dialect::kOracle, ", 0, '@ApptText@@ApptText@', '', '', '', 0, ''"},
      {Dialect::kSQLite, ", 0, '@ApptText@@ApptText@', '', '', '', 0, ''"},
  };
  for (const auto& [dialect, values] : expected) {
    EXPECT_EQ(ExtraColumnDefaults(list, dialect), values) << testing::DialectName(dialect);
  }
  EXPECT_EQ(ExtraColumnDefaults("", Dialect::kAccess), "");
}

// Custom fields get the empty literal of their MAPI type, in field order.
TEST(CustomFieldDefaults, FollowTheMapiTypeAndTheDialect) {
  const std::vector<std::string> names = {"Cost", "Rate", "Flag", "When", "Note", "Untyped"};
  const std::vector<uint32_t> types = {mapi::PT_LONG, mapi::PT_CURRENCY, mapi::PT_BOOLEAN, mapi::PT_SYSTIME,
                                       mapi::PT_STRING8};
  EXPECT_EQ(CustomFieldDefaults(names, types, Dialect::kAccess),
            (std::vector<std::string>{"0", "0.0", "False", "Now", "''", "''"}));
  EXPECT_EQ(CustomFieldDefaults(names, types, Dialect::kSqlServer),
            (std::vector<std::string>{"0", "0.0", "0", "GETDATE()", "''", "''"}));
  EXPECT_EQ(CustomFieldDefaults(names, types, Dialect::kOracle),
            (std::vector<std::string>{"0", "0.0", "0", "SYSDATE", "''", "''"}));
  EXPECT_EQ(CustomFieldDefault(mapi::PT_I8, Dialect::kMySql), "0");
  EXPECT_EQ(CustomFieldDefault(mapi::PT_SYSTIME, Dialect::kMySql), "NOW()");
}

// On a real database: one writer call per mailbox of the booking (attendees,
// then the organizer), each completed from that mailbox's user row.
TEST(AddRecordsBookedDuringScan, WritesOneRowPerMailboxWithTheUserRowValues) {
  testing::TestCalendar calendar(testing::SalesAndRoomsSettings(Dialect::kSQLite));
  ASSERT_TRUE(calendar.ok()) << calendar.error();
  calendar.settings().custom_field_names = {"Cost", "Flag"};
  calendar.settings().custom_field_types = {mapi::PT_LONG, mapi::PT_BOOLEAN};
  calendar.Run(
      "INSERT INTO KorvaleTable1 (Name, Start, EndTime, Status, Phone, Datasource, "
      "TimeDifference, Alias, Department, Reserved3) VALUES ('Bob', {ts '2024-06-10 00:00:00'}, "
      "{ts '2024-06-10 00:00:00'}, 9, '555', 'DS1', 1.5, 'bob', 'Sales', 'r3')");
  Meeting m;
  m.title = "Plan O'Hara";
  m.location = " Room's 1 ";
  m.attendees = "Bob; $R$Room 1$R$";
  m.organizer = "Ann";
  m.office = "B-7";
  m.aclw = "00AB";
  m.category = "Blue";
  calendar.Insert(m);
  Meeting booked = m;
  booked.booking_status = 2;
  booked.office = "B-8";
  calendar.Insert(booked);

  RecordingWriter writer;
  AddRecordsBookedDuringScan(calendar.db(), "KorvaleTable1", kCycle, ", AllDayEvent, ApptText", writer);
  EXPECT_TRUE(calendar.log().events().empty()) << calendar.log().Describe();
  ASSERT_EQ(writer.rows.size(), 3u) << "Bob, Room 1, Ann; the status-2 booking is in the calendars";
  EXPECT_EQ(writer.rows[0].mailbox, "Bob");
  EXPECT_EQ(writer.rows[1].mailbox, "Room 1");
  EXPECT_EQ(writer.rows[2].mailbox, "Ann");

  const BookedAppointmentRow& bob = writer.rows[0];
  EXPECT_EQ(bob.start, Time(2024, 6, 12, 10, 0));
  EXPECT_EQ(bob.end, Time(2024, 6, 12, 11, 0));
  EXPECT_EQ(bob.title, "Plan O''Hara");
  EXPECT_EQ(bob.location, " Room's 1 ") << "the row writer trims and escapes the location";
  EXPECT_EQ(bob.status, 2u);
  EXPECT_EQ(bob.category, "Blue");
  EXPECT_EQ(bob.organizer, "Ann");
  EXPECT_EQ(bob.attendees, "Bob; $R$Room 1$R$");
  EXPECT_EQ(bob.dl, "Sales");
  EXPECT_EQ(bob.phone, "555");
  EXPECT_EQ(bob.datasource, "DS1");
  EXPECT_DOUBLE_EQ(bob.time_difference, 1.5);
  EXPECT_EQ(bob.alias, "bob");
  EXPECT_EQ(bob.department, "Sales");
  EXPECT_EQ(bob.reserved3, "r3");
  EXPECT_EQ(bob.appt_id, "");
  EXPECT_EQ(bob.booking_number, "B-7");
  EXPECT_EQ(bob.aclw, "00AB");
  EXPECT_EQ(bob.min_security, 0);
  EXPECT_EQ(bob.custom_values, (std::vector<std::string>{"0", "False"}));
  EXPECT_EQ(bob.extra_values, ", 0, '@ApptText@@ApptText@'");

  // A mailbox without a user row still gets its row, with empty user values.
  EXPECT_EQ(writer.rows[1].phone, "");
  EXPECT_EQ(writer.rows[1].datasource, "");
  EXPECT_EQ(writer.rows[1].time_difference, 0.0);
}

// Shared-table mode reads only this agent's new bookings.
TEST(AddRecordsBookedDuringScan, SharedTableModeNamesTheInstance) {
  CannedDatabase canned(Dialect::kSqlServer);
  canned.settings.table_mode = TableMode::kShared;
  RecordingWriter writer;
  AddRecordsBookedDuringScan(canned.Open(), "KorvaleTable1", kCycle, "", writer);
  EXPECT_EQ(
      canned.connection().statements(),
      std::vector<std::string>{"SELECT * FROM Meetings WHERE ((BookingStatus=1) AND (Reserved2='Agent A'))"});
}

// A row whose start cannot be read is reported on its own (event 121 with its
// booking number); the other new bookings still reach the table.
TEST(AddRecordsBookedDuringScan, UnreadableRowIsReportedAndTheOthersCopied) {
  testing::TestCalendar calendar(testing::SalesAndRoomsSettings(Dialect::kSQLite));
  ASSERT_TRUE(calendar.ok()) << calendar.error();
  Meeting broken;
  broken.office = "B-broken";
  broken.attendees = "Bob";
  broken.organizer = "";
  calendar.Insert(broken);
  calendar.Run("UPDATE Meetings SET Start = 'next tuesday'");
  Meeting fine = broken;
  fine.office = "B-2";
  calendar.Insert(fine);

  RecordingWriter writer;
  AddRecordsBookedDuringScan(calendar.db(), "KorvaleTable1", kCycle, "", writer);
  ASSERT_EQ(writer.rows.size(), 1u) << calendar.log().Describe();
  EXPECT_EQ(writer.rows[0].booking_number, "B-2");
  auto events = calendar.log().EventsWithId(121);
  ASSERT_EQ(events.size(), 1u) << calendar.log().Describe();
  EXPECT_NE(events[0].texts.at(2).find("'B-broken'"), std::string::npos) << events[0].texts.at(2);
}

// Every failure ends the step with error event 121 and its fixed text.
TEST(AddRecordsBookedDuringScan, ReportsFailuresAsEvent121) {
  struct Case {
    const char* name;
    const char* fail_fragment;
    bool writer_throws;
  };
  const Case cases[] = {
      {"select refused", "FROM Meetings", false},
      {"user row refused", "Status=9", false},
      {"writer broke", "", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Meeting m;
    CannedDatabase canned(Dialect::kSqlServer);
    if (*c.fail_fragment) canned.pending_failures.push_back({c.fail_fragment, "[drv]\nrefused"});
    canned.pending_rows.push_back({"FROM Meetings", {m.ToRow(Dialect::kSqlServer)}});
    RecordingWriter writer;
    writer.throws = c.writer_throws;
    AddRecordsBookedDuringScan(canned.Open(), "KorvaleTable2", kCycle, "", writer);
    auto events = canned.log.EventsWithId(121);
    ASSERT_EQ(events.size(), 1u) << canned.log.Describe();
    EXPECT_EQ(events[0].type, EventType::kError);
    ASSERT_EQ(events[0].texts.size(), 3u);
    EXPECT_EQ(events[0].texts[0], "Meetings");
    EXPECT_EQ(events[0].texts[2].rfind("General Error reading / adding records booked during scan", 0), 0u);
    EXPECT_TRUE(writer.rows.empty());
  }
}

}  // namespace
}  // namespace korvale
