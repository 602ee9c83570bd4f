// The row writer against a real SQLite calendar table through unixODBC: what
// rows an appointment becomes, and how shared-table mode keeps, confirms and
// rewrites them.
#include "agent/scan/row_writer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "agent/database/optional_columns.h"
#include "agent/database/schema.h"
#include "agent/scan/row_writer_fixture.h"
#include "tests/fakes/recording_log.h"
#include "tests/support/sqlite_dsn.h"

namespace korvale {
namespace {

using scan_fixtures::At;
using scan_fixtures::Meeting;
using testing::RecordingLog;
using testing::SqliteDsn;

// One stored row, reduced to what the tests look at.
struct Stored {
  std::string start, end, title, location, organizer, attendees, reserved3;
  int64_t krv_update = -1;
};

class RowWriterTest : public ::testing::Test {
 protected:
  // Creates KorvaleTable1 with the real schema for the current settings.
  void Open() {
    settings_.sqlite = 1;
    settings_.sqlite_flag = true;
    settings_.db = dsn_.name();
    auto conn = OpenSqlConnection(dsn_.ConnectString());
    ASSERT_TRUE(conn.ok()) << conn.error().text;
    db_ = std::make_unique<Database>(settings_, log_, std::move(*conn));
    columns_ = SelectOptionalColumns(settings_.fields);
    ASSERT_TRUE(db_->Execute(CreateCalendarTable(settings_, "KorvaleTable1", columns_)).ok());
    log_.Clear();
  }

  void Add(const MeetingRow& row, const std::string& table = "KorvaleTable1",
           const std::string& instance = "Caldrun") {
    RowWriterContext ctx{*db_,          settings_,   table,    instance, columns_.column_name_list,
                         window_start_, window_end_, &db_time_};
    CheckAndAddMeeting(ctx, row);
  }

  std::vector<Stored> Rows(const std::string& where = "") {
    auto rows = db_->Query("SELECT * FROM KorvaleTable1" + where + " ORDER BY Start");
    EXPECT_TRUE(rows.ok()) << rows.error().text;
    std::vector<Stored> out;
    if (!rows.ok()) return out;
    for (const SqlRow& r : *rows) {
      Stored s;
      s.start = r.Text("Start").value_or("NULL").substr(0, 16);
      s.end = r.Text("EndTime").value_or("NULL").substr(0, 16);
      s.title = r.Text("Title").value_or("NULL");
      s.location = r.Text("Location").value_or("NULL");
      s.organizer = r.Text("Organizer").value_or("NULL");
      s.attendees = r.Text("Attendees").value_or("NULL");
      s.reserved3 = r.Text("Reserved3").value_or("NULL");
      if (r.Has("KRVUpdate")) s.krv_update = r.Int("KRVUpdate").value_or(-1);
      out.push_back(s);
    }
    return out;
  }

  std::vector<std::pair<std::string, std::string>> Spans() {
    std::vector<std::pair<std::string, std::string>> spans;
    for (const Stored& s : Rows()) spans.emplace_back(s.start, s.end);
    return spans;
  }

  MeetingRow Span(SYSTEMTIME start, SYSTEMTIME end) {
    MeetingRow row = Meeting();
    row.start = start;
    row.end = end;
    return row;
  }

  SqliteDsn dsn_;
  AgentSettings settings_;
  RecordingLog log_;
  std::unique_ptr<Database> db_;
  OptionalColumns columns_;
  SYSTEMTIME window_start_ = At(2021, 3, 1);
  SYSTEMTIME window_end_ = At(2021, 3, 31, 23, 59, 59);
  std::chrono::steady_clock::duration db_time_{};
};

using Pairs = std::vector<std::pair<std::string, std::string>>;

// Every value lands in its own column.
TEST_F(RowWriterTest, WritesEveryValueToItsColumn) {
  Open();
  Add(Meeting());
  auto rows = db_->Query("SELECT * FROM KorvaleTable1");
  ASSERT_TRUE(rows.ok());
  ASSERT_EQ(rows->size(), 1u);
  const SqlRow& r = rows->front();
  EXPECT_EQ(r.Text("Name"), "Ann");
  EXPECT_EQ(r.Text("Start"), "2021-03-08 10:00:00");
  EXPECT_EQ(r.Text("EndTime"), "2021-03-08 11:00:00");
  EXPECT_EQ(r.Text("Title"), "Weekly");
  EXPECT_EQ(r.Int("Status"), 2);
  EXPECT_EQ(r.Text("Location"), "Room 1");
  EXPECT_EQ(r.Text("Category"), "Team");
  EXPECT_EQ(r.Text("Organizer"), "Bob");
  EXPECT_EQ(r.Text("Attendees"), "Ann; Carl");
  EXPECT_EQ(r.Text("DL"), "//Sales//");
  EXPECT_EQ(r.Text("Datasource"), "$local");
  EXPECT_EQ(r.Double("TimeDifference"), 1.0);
  EXPECT_EQ(r.Text("Alias"), "ann");
  EXPECT_EQ(r.Text("Department"), "Sales");
  EXPECT_EQ(r.Text("Reserved3"), "r3");
  EXPECT_EQ(r.Text("ACL"), "DOMAIN\\ann");
  EXPECT_EQ(r.Text("Phone"), "555");
  EXPECT_EQ(r.Text("ACLw"), "DOMAIN\\bob");
  EXPECT_TRUE(log_.events().empty()) << log_.Describe();
}

// 10:00 to 00:00 of the next day is one row ending at 23:59.
TEST_F(RowWriterTest, MidnightEndIsOneRow) {
  Open();
  Add(Span(At(2021, 3, 8, 10, 0), At(2021, 3, 9, 0, 0)));
  EXPECT_EQ(Spans(), (Pairs{{"2021-03-08 10:00", "2021-03-08 23:59"}}));
}

// Monday 22:00 to Wednesday 02:00 is three rows.
TEST_F(RowWriterTest, MultiDayIsOneRowPerDay) {
  Open();
  Add(Span(At(2021, 3, 8, 22, 0), At(2021, 3, 10, 2, 0)));
  EXPECT_EQ(Spans(), (Pairs{{"2021-03-08 22:00", "2021-03-08 23:59"},
                            {"2021-03-09 00:00", "2021-03-09 23:59"},
                            {"2021-03-10 00:00", "2021-03-10 02:00"}}));
}

// Rows are clipped to the scan window at both ends.
TEST_F(RowWriterTest, MultiDayIsClippedToTheWindow) {
  Open();
  Add(Span(At(2021, 2, 27, 10, 0), At(2021, 3, 2, 12, 0)));
  Add(Span(At(2021, 3, 30, 10, 0), At(2021, 4, 2, 12, 0)));
  EXPECT_EQ(Spans(), (Pairs{{"2021-03-01 00:00", "2021-03-01 23:59"},
                            {"2021-03-02 00:00", "2021-03-02 12:00"},
                            {"2021-03-30 10:00", "2021-03-30 23:59"},
                            {"2021-03-31 00:00", "2021-03-31 23:59"}}));
}

// SkipMeetingsWithDuration0 drops a zero-length appointment and a zero-length day row only.
TEST_F(RowWriterTest, SkipMeetingsWithDuration0) {
  settings_.skip_meetings_with_duration0 = 1;
  Open();
  Add(Span(At(2021, 3, 8, 10, 0), At(2021, 3, 8, 10, 0)));
  Add(Span(At(2021, 3, 9, 23, 59), At(2021, 3, 10, 9, 0)));
  EXPECT_EQ(Spans(), (Pairs{{"2021-03-10 00:00", "2021-03-10 09:00"}}));
}

// Without the setting, zero-length rows are written like any other.
TEST_F(RowWriterTest, ZeroLengthKeptWithoutTheSetting) {
  Open();
  Add(Span(At(2021, 3, 8, 10, 0), At(2021, 3, 8, 10, 0)));
  Add(Span(At(2021, 3, 9, 23, 59), At(2021, 3, 10, 9, 0)));
  EXPECT_EQ(Spans(), (Pairs{{"2021-03-08 10:00", "2021-03-08 10:00"},
                            {"2021-03-09 23:59", "2021-03-09 23:59"},
                            {"2021-03-10 00:00", "2021-03-10 09:00"}}));
}

// GlobalTimeDiff moves start and end strictly inside the [DST] period, once,
// for one-day and multi-day appointments alike.
TEST_F(RowWriterTest, GlobalTimeDiffInsideTheDstPeriod) {
  settings_.global_time_diff = 1;
  settings_.dst_start = At(2021, 3, 28, 2);
  settings_.dst_end = At(2021, 10, 31, 3);
  window_end_ = At(2021, 4, 30, 23, 59, 59);
  Open();
  Add(Span(At(2021, 3, 28, 2, 0), At(2021, 3, 28, 2, 30)));  // start on the limit: outside
  Add(Span(At(2021, 4, 1, 10, 0), At(2021, 4, 1, 11, 0)));   // inside
  Add(Span(At(2021, 4, 5, 22, 0), At(2021, 4, 6, 22, 0)));   // multi-day, inside
  EXPECT_EQ(Spans(), (Pairs{{"2021-03-28 02:00", "2021-03-28 03:30"},
                            {"2021-04-01 11:00", "2021-04-01 12:00"},
                            {"2021-04-05 23:00", "2021-04-05 23:59"},
                            {"2021-04-06 00:00", "2021-04-06 23:00"}}));
  EXPECT_TRUE(log_.events().empty()) << log_.Describe();
}

// A [DST] period that is no date cannot be tested: reported, and the times stay.
TEST_F(RowWriterTest, GlobalTimeDiffWithoutPeriodIsReported) {
  settings_.global_time_diff = 1;
  Open();
  Add(Meeting());
  EXPECT_EQ(Spans(), (Pairs{{"2021-03-08 10:00", "2021-03-08 11:00"}}));
  const auto events = log_.EventsWithId(137);
  ASSERT_EQ(events.size(), 2u) << "start and end each";
  EXPECT_EQ(events[0].texts.at(0), "General Error determining DST of an appointment in mailbox Ann.");
}

// The location is trimmed, stored with its apostrophe once, and cut to 50 characters.
TEST_F(RowWriterTest, LocationIsTrimmedEscapedAndCut) {
  Open();
  MeetingRow row = Meeting();
  row.location = "  O'Brien's room \t";
  Add(row);
  row = Span(At(2021, 3, 9, 10, 0), At(2021, 3, 9, 11, 0));
  row.location = std::string(60, 'L');
  Add(row);
  const auto rows = Rows();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].location, "O'Brien's room");
  EXPECT_EQ(rows[1].location, std::string(50, 'L'));
}

// Empty attendees leave the column out of the insert: it stays NULL.
TEST_F(RowWriterTest, EmptyAttendeesAreLeftOut) {
  Open();
  MeetingRow row = Meeting();
  row.attendees.clear();
  Add(row);
  EXPECT_EQ(Rows().at(0).attendees, "NULL");
  EXPECT_FALSE(log_.Traced("Attendees"));
}

// Minimum security always blanks the location; organizer and attendees only when asked.
TEST_F(RowWriterTest, MinimumSecurity) {
  Open();
  MeetingRow row = Meeting();
  row.minimum_security = 1;
  Add(row);
  settings_.no_organizer_for_min_security_users = 1;
  settings_.no_attendees_for_min_security_users = 1;
  row.start = At(2021, 3, 9, 10, 0);
  row.end = At(2021, 3, 9, 11, 0);
  Add(row);
  const auto rows = Rows();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].location, "");
  EXPECT_EQ(rows[0].organizer, "Bob");
  EXPECT_EQ(rows[0].attendees, "Ann; Carl");
  EXPECT_EQ(rows[1].location, "");
  EXPECT_EQ(rows[1].organizer, "");
  EXPECT_EQ(rows[1].attendees, "NULL");
}

// Custom fields and extra columns are written; the escaped body loses its markers.
TEST_F(RowWriterTest, CustomFieldsAndExtraColumns) {
  settings_.custom_field_names = {"Project"};
  settings_.custom_field_types = {30};
  settings_.fields = "AllDayEvent; Text";
  Open();
  MeetingRow row = Meeting();
  row.custom_field_values = {"'Apollo'"};
  row.extra_values = EscapeApptText(columns_.column_name_list, ", 1, '@ApptText@It's in the notes@ApptText@'",
                                    Dialect::kSQLite);
  Add(row);
  ASSERT_TRUE(log_.events().empty()) << log_.Describe();
  auto rows = db_->Query("SELECT * FROM KorvaleTable1");
  ASSERT_TRUE(rows.ok());
  ASSERT_EQ(rows->size(), 1u);
  EXPECT_EQ(rows->front().Text("Project"), "Apollo");
  EXPECT_EQ(rows->front().Int("AllDayEvent"), 1);
  EXPECT_EQ(rows->front().Text("ApptText"), "It's in the notes");
}

// A refused statement is reported per row with the right event, and the other
// day rows are still written.
TEST_F(RowWriterTest, FailuresAreReportedPerRow) {
  Open();
  Add(Meeting(), "Missing");
  ASSERT_EQ(log_.events().size(), 1u) << log_.Describe();
  EXPECT_EQ(log_.events()[0].id, 119u);
  EXPECT_EQ(log_.events()[0].texts.at(0), "Missing");
  EXPECT_EQ(log_.events()[0].texts.at(1), dsn_.name());
  EXPECT_NE(log_.events()[0].texts.at(2).find("\r\nSQL- statement:\r\ninsert into Missing (Start, "),
            std::string::npos);
  log_.Clear();
  Add(Span(At(2021, 3, 8, 22, 0), At(2021, 3, 10, 2, 0)), "Missing");
  EXPECT_EQ(log_.EventsWithId(120).size(), 3u) << log_.Describe();
}

// With TimeLog the call's time is added to the mailbox's database time.
TEST_F(RowWriterTest, TimeLogAccumulatesDatabaseTime) {
  Open();
  Add(Meeting());
  EXPECT_EQ(db_time_.count(), 0) << "nothing is measured without TimeLog";
  settings_.time_log = 1;
  Add(Meeting());
  EXPECT_GT(db_time_.count(), 0);
}

class SharedTableTest : public RowWriterTest {
 protected:
  void SetUp() override {
    settings_.table_mode = TableMode::kShared;
    Open();
  }
  // What the mailbox scan does before it reads the calendar.
  void MarkStale() { ASSERT_TRUE(db_->Execute("UPDATE KorvaleTable1 SET KRVUpdate = 1").ok()); }
  std::string LastStatement() { return log_.sql().empty() ? "" : log_.sql().back(); }
};

// A new appointment is inserted as current with this agent's name.
TEST_F(SharedTableTest, NewRowIsInserted) {
  Add(Meeting());
  const auto rows = Rows(" WHERE KRVService = 'Caldrun' AND ApptID = '00000000AB12CD'");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].krv_update, 0);
  EXPECT_TRUE(log_.events().empty()) << log_.Describe();
}

// Seen again unchanged: one lookup and the small update, nothing else changes.
TEST_F(SharedTableTest, UnchangedRowIsOnlyConfirmed) {
  Add(Meeting());
  MarkStale();
  log_.Clear();
  Add(Meeting());
  ASSERT_EQ(log_.sql().size(), 2u);
  EXPECT_EQ(LastStatement().rfind("UPDATE KorvaleTable1 SET KRVUpdate = 0 WHERE ", 0), 0u) << LastStatement();
  const auto rows = Rows();
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].krv_update, 0);
}

// Values with apostrophes compare equal to what the table holds.
TEST_F(SharedTableTest, EscapedValuesCompareWithTheStoredText) {
  MeetingRow row = Meeting();
  row.subject = "Ann''s review";
  row.location = "O'Brien's room";
  Add(row);
  log_.Clear();
  Add(row);
  EXPECT_EQ(LastStatement().rfind("UPDATE KorvaleTable1 SET KRVUpdate = 0 WHERE ", 0), 0u) << LastStatement();
  EXPECT_EQ(Rows().at(0).title, "Ann's review");
}

// A changed subject rewrites the row.
TEST_F(SharedTableTest, ChangedSubjectRewritesTheRow) {
  Add(Meeting());
  MarkStale();
  MeetingRow row = Meeting();
  row.subject = "Moved";
  row.reserved3 = "new";
  Add(row);
  const auto rows = Rows();
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].title, "Moved");
  EXPECT_EQ(rows[0].reserved3, "new");
  EXPECT_EQ(rows[0].krv_update, 0);
}

// Reserved3 is not compared: a change of it alone leaves the row as it was.
TEST_F(SharedTableTest, ChangedReserved3AloneIsUnchanged) {
  Add(Meeting());
  MarkStale();
  MeetingRow row = Meeting();
  row.reserved3 = "new";
  Add(row);
  const auto rows = Rows();
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].reserved3, "r3");
  EXPECT_EQ(rows[0].krv_update, 0);
}

// Changed attendees reach the row, so the next cycle finds it unchanged.
TEST_F(SharedTableTest, ChangedAttendeesReachTheRow) {
  Add(Meeting());
  MeetingRow row = Meeting();
  row.attendees = "Ann; Dora";
  Add(row);
  EXPECT_EQ(Rows().at(0).attendees, "Ann; Dora");
  log_.Clear();
  Add(row);
  EXPECT_EQ(LastStatement().rfind("UPDATE KorvaleTable1 SET KRVUpdate = 0 WHERE ", 0), 0u) << LastStatement();
}

// Another agent's row with the same key is not touched: each instance keeps its own.
TEST_F(SharedTableTest, RowsOfAnotherInstanceStayApart) {
  Add(Meeting(), "KorvaleTable1", "Other");
  Add(Meeting());
  EXPECT_EQ(Rows(" WHERE KRVService = 'Other'").size(), 1u);
  EXPECT_EQ(Rows(" WHERE KRVService = 'Caldrun'").size(), 1u);
}

// Each day row of a multi-day appointment is its own shared row.
TEST_F(SharedTableTest, DayRowsAreConfirmedOneByOne) {
  const MeetingRow row = Span(At(2021, 3, 8, 22, 0), At(2021, 3, 10, 2, 0));
  Add(row);
  MarkStale();
  Add(row);
  const auto rows = Rows();
  ASSERT_EQ(rows.size(), 3u);
  for (const Stored& s : rows) EXPECT_EQ(s.krv_update, 0) << s.start;
}

}  // namespace
}  // namespace korvale
