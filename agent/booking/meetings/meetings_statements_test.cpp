// Statement texts on table Meetings, one expected text per dialect.
#include "agent/booking/meetings/meetings_statements.h"

#include <gtest/gtest.h>

#include "agent/booking/testing/booking_test_support.h"

namespace korvale {
namespace {

using testing::Time;

MeetingsScope Scope(Dialect dialect, bool shared = false) {
  MeetingsScope scope;
  scope.dialect = dialect;
  scope.date_format = "{ts '%Y-%m-%d %H:%M:%S'}";
  scope.shared = shared;
  scope.instance_name = shared ? "Agent A" : "";
  return scope;
}

// Attendee names must match literally: each dialect escapes exactly the
// characters its LIKE treats as wildcards, and the escape character itself.
TEST(LikePattern, EscapesTheWildcardsOfEachDialect) {
  const std::string text = "50%_[a]^-b'c¬d";
  const std::pair<Dialect, const char*> expected[] = {
      {Dialect::kAccess, "50%_[a]^-b''c¬d"},       {Dialect::kSqlServer, "50¬%¬_¬[a¬]¬^¬-b''c¬¬d"},
      {Dialect::kMySql, "50¬%¬_¬[a¬]¬^¬-b''c¬¬d"}, {Dialect::kOracle, "50¬%¬_[a]^-b''c¬¬d"},
      {Dialect::kSQLite, "50¬%¬_[a]^-b''c¬¬d"},
  };
  for (const auto& [dialect, pattern] : expected) {
    EXPECT_EQ(LikePattern(text, dialect), pattern) << testing::DialectName(dialect);
    EXPECT_EQ(LikeEscapeClause(dialect), dialect == Dialect::kAccess ? "" : " ESCAPE '¬'")
        << testing::DialectName(dialect);
  }
}

// The MySQL backslash filter runs on the finished statement; the pattern
// itself must not multiply backslashes, or the row is never found.
TEST(LikePattern, LeavesBackslashesToTheStatementFilter) {
  EXPECT_EQ(LikePattern("DOM\\bob", Dialect::kMySql), "DOM\\bob");
}

// The per-row update names the old status and every identifying column; its
// full text per dialect, with every optional condition present.
TEST(UpdateMeetingsRow, NamesEveryIdentifyingColumnPerDialect) {
  MeetingsRow row;
  row.name = "Ann";
  row.start = Time(2024, 6, 12, 10, 0);
  row.end = Time(2024, 6, 12, 11, 0);
  row.title = "Review";
  row.office = "B-1";
  row.attendees = "Bob; C_arl";
  row.location = "Room 1";
  row.phone = "15$P$";
  row.acl = "old_acl";
  row.initials = "No Invitation";
  row.booking_status = 1;
  MeetingsRowUpdate update;
  update.new_status = 2;
  update.time_booked = Time(2024, 6, 10, 12, 0);
  update.booking_text = "Booked by Ann\nold_acl";
  update.dl = "Sales";

  const std::string head =
      "UPDATE Meetings SET BookingStatus = 2, TimeBooked = {ts '2024-06-10 12:00:00'}, ACL = "
      "'Booked by Ann\nold_acl' WHERE ((BookingStatus = 1) AND (Name='Ann') AND (";
  const std::string times =
      "={ts '2024-06-12 10:00:00'}) AND (EndTime={ts '2024-06-12 11:00:00'}) AND (Title='Review') "
      "AND (Office='B-1')";
  const std::string tail = " AND (DL='Sales') AND (Initials='No Invitation'))";
  const std::pair<Dialect, std::string> expected[] = {
      {Dialect::kAccess, head + "Start" + times +
                             " AND (Attendees LIKE 'Bob; C_arl') AND (Location='Room 1') AND "
                             "(Phone='15$P$') AND (ACL LIKE 'old_acl')" +
                             tail},
      {Dialect::kSqlServer, head + "Start" + times +
                                " AND (Attendees LIKE 'Bob; C¬_arl' ESCAPE '¬') AND (Location='Room "
                                "1') AND (Phone='15$P$') AND (ACL LIKE 'old¬_acl' ESCAPE '¬')" +
                                tail},
      {Dialect::kMySql, head + "Start" + times +
                            " AND (Attendees LIKE 'Bob; C¬_arl' ESCAPE '¬') AND (Location='Room 1') "
                            "AND (Phone='15$P$') AND (ACL LIKE 'old¬_acl' ESCAPE '¬')" +
                            tail},
      {Dialect::kOracle, head + "StartTime" + times +
                             " AND (Attendees LIKE 'Bob; C¬_arl' ESCAPE '¬') AND (Location='Room "
                             "1') AND (Phone='15$P$') AND (ACL LIKE 'old¬_acl' ESCAPE '¬')" +
                             tail},
      {Dialect::kSQLite, head + "Start" + times +
                             " AND (Attendees LIKE 'Bob; C¬_arl' ESCAPE '¬') AND (Location='Room "
                             "1') AND (Phone='15$P$') AND (ACL LIKE 'old¬_acl' ESCAPE '¬')" +
                             tail},
  };
  for (const auto& [dialect, sql] : expected) {
    EXPECT_EQ(UpdateMeetingsRow(Scope(dialect), row, update), sql) << testing::DialectName(dialect);
  }
}

// Empty optional values add no condition; the columns that always name the
// row are compared as stored: '' where the row holds an empty text, IS NULL
// where it holds NULL (a web page may insert either), and on Oracle, which
// keeps every empty text as NULL, IS NULL for an empty value too.
TEST(UpdateMeetingsRow, NamesEmptyAndNullColumnsAsStored) {
  MeetingsRow row;
  row.name = "O'Neil";
  row.start = Time(2024, 6, 12, 10, 0);
  row.end = Time(2024, 6, 12, 11, 0);
  row.office = "B'7";
  row.phone = "15";
  row.booking_status = 3;
  MeetingsRowUpdate update;
  update.new_status = 4;
  update.time_booked = Time(2024, 6, 10, 12, 0);
  update.booking_text = "x";
  const std::string head =
      "UPDATE Meetings SET BookingStatus = 4, TimeBooked = {ts '2024-06-10 12:00:00'}, ACL = 'x' "
      "WHERE ((BookingStatus = 3) AND (Name='O''Neil') AND (";
  const std::string times = "={ts '2024-06-12 10:00:00'}) AND (EndTime={ts '2024-06-12 11:00:00'})";
  EXPECT_EQ(UpdateMeetingsRow(Scope(Dialect::kSqlServer, true), row, update),
            head + "Start" + times +
                " AND (Title='') AND (Office='B''7') AND (Attendees LIKE '' ESCAPE '¬') AND "
                "(Reserved2='Agent A'))")
      << "empty texts, not NULL";

  row.title_null = true;
  row.attendees_null = true;
  for (Dialect dialect : {Dialect::kSqlServer, Dialect::kMySql, Dialect::kSQLite, Dialect::kAccess}) {
    EXPECT_EQ(UpdateMeetingsRow(Scope(dialect), row, update),
              head + "Start" + times + " AND (Title IS NULL) AND (Office='B''7') AND (Attendees IS NULL))")
        << testing::DialectName(dialect);
  }
  row.office = "";
  row.office_null = true;
  EXPECT_EQ(UpdateMeetingsRow(Scope(Dialect::kMySql), row, update),
            head + "Start" + times + " AND (Title IS NULL) AND (Office IS NULL) AND (Attendees IS NULL))");

  // Oracle: an empty value is NULL in the table, even when the driver hands it over as ''.
  MeetingsRow oracle = row;
  oracle.title_null = oracle.office_null = oracle.attendees_null = false;
  EXPECT_EQ(
      UpdateMeetingsRow(Scope(Dialect::kOracle), oracle, update),
      head + "StartTime" + times + " AND (Title IS NULL) AND (Office IS NULL) AND (Attendees IS NULL))");
  oracle.name = "";
  EXPECT_NE(UpdateMeetingsRow(Scope(Dialect::kOracle), oracle, update).find("(Name IS NULL)"),
            std::string::npos);
}

// Values are named whole, never cut at their column size: a title of 260
// characters and a location of 49 with two apostrophes (51 once escaped)
// would otherwise be named shorter than stored and never found.
TEST(UpdateMeetingsRow, NamesLongValuesWhole) {
  MeetingsRow row;
  row.name = std::string(48, 'n') + "'s";
  row.title = std::string(260, 't');
  row.location = "Bob's and Ann's room" + std::string(29, 'r');
  row.office = "B-1";
  row.attendees = "Bob";
  row.booking_status = 1;
  MeetingsRowUpdate update;
  update.new_status = 2;
  update.booking_text = "x";
  update.dl = std::string(255, 'd') + "'";
  const std::string sql = UpdateMeetingsRow(Scope(Dialect::kMySql), row, update);
  EXPECT_NE(sql.find("(Name='" + std::string(48, 'n') + "''s')"), std::string::npos) << sql;
  EXPECT_NE(sql.find("(Title='" + std::string(260, 't') + "')"), std::string::npos) << sql;
  EXPECT_NE(sql.find("(Location='Bob''s and Ann''s room" + std::string(29, 'r') + "')"), std::string::npos)
      << sql;
  EXPECT_NE(sql.find("(DL='" + std::string(255, 'd') + "''')"), std::string::npos) << sql;
}

// Each bulk statement in its plain and its shared-table form.
TEST(MeetingsStatements, PlainAndSharedTableForms) {
  const SYSTEMTIME cut = Time(2024, 4, 11, 12, 0);
  struct Case {
    std::string sql;
    const char* expected;
  };
  const Case cases[] = {
      {SelectPendingMeetings(Scope(Dialect::kAccess)),
       "SELECT * FROM Meetings WHERE ((BookingStatus=1) OR (BookingStatus=3) OR (BookingStatus=4) "
       "OR (BookingStatus=5)) ORDER BY BookingStatus"},
      {SelectPendingMeetings(Scope(Dialect::kAccess, true)),
       "SELECT * FROM Meetings WHERE Reserved2='Agent A' AND ((BookingStatus=1) OR "
       "(BookingStatus=3) OR (BookingStatus=4) OR (BookingStatus=5)) ORDER BY BookingStatus"},
      {FinishRebookings(Scope(Dialect::kAccess)),
       "UPDATE Meetings SET BookingStatus = 2 WHERE (BookingStatus = 5)"},
      {FinishRebookings(Scope(Dialect::kAccess, true)),
       "UPDATE Meetings SET BookingStatus = 2 WHERE ((BookingStatus = 5) AND "
       "(Reserved2='Agent A'))"},
      {DeleteFinishedMeetings(Scope(Dialect::kAccess), true, cut),
       "DELETE FROM Meetings WHERE ((BookingStatus = 4) OR (EndTime < {ts '2024-04-11 "
       "12:00:00'}))"},
      {DeleteFinishedMeetings(Scope(Dialect::kAccess), false, cut),
       "DELETE FROM Meetings WHERE ((BookingStatus = 4) OR (TimeBooked < {ts '2024-04-11 "
       "12:00:00'}))"},
      {DeleteFinishedMeetings(Scope(Dialect::kAccess, true), true, cut),
       "DELETE FROM Meetings WHERE ((Reserved2='Agent A') AND ((BookingStatus = 4) OR (EndTime < "
       "{ts '2024-04-11 12:00:00'})))"},
      {DeleteFinishedMeetings(Scope(Dialect::kAccess, true), false, cut),
       "DELETE FROM Meetings WHERE ((Reserved2='Agent A') AND ((BookingStatus = 4) OR (TimeBooked "
       "< {ts '2024-04-11 12:00:00'})))"},
      {SelectBookingNumbers(Scope(Dialect::kAccess)), "SELECT Office FROM Meetings"},
      {SelectBookingNumbers(Scope(Dialect::kAccess, true)),
       "SELECT Office FROM Meetings WHERE Reserved2='Agent A'"},
      {SelectNewBookings(Scope(Dialect::kAccess)), "SELECT * FROM Meetings WHERE (BookingStatus=1)"},
      {SelectNewBookings(Scope(Dialect::kAccess, true)),
       "SELECT * FROM Meetings WHERE ((BookingStatus=1) AND (Reserved2='Agent A'))"},
      {SelectPersonalGroup("Team", "Ann", Dialect::kSqlServer),
       "SELECT * FROM Groups WHERE ((Name='Team') AND (NTUser='Ann'))"},
      {SelectPersonalGroup("Team", "Ann", Dialect::kOracle),
       "SELECT * FROM KRVGroups WHERE ((Name='Team') AND (NTUser='Ann'))"},
      {SelectUserRow("KorvaleTable2", "O'Neil", Dialect::kMySql),
       "SELECT * FROM KorvaleTable2 WHERE (Status=9) AND (Name='O''Neil')"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.sql, c.expected);
}

}  // namespace
}  // namespace korvale
