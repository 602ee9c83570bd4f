// The statements of the row writer per dialect, checked as text: the three
// server dialects and Access are not available here, so a recording
// connection takes their statements.
#include <gtest/gtest.h>

#include <memory>

#include "agent/scan/row_statements.h"
#include "agent/scan/row_writer.h"
#include "agent/scan/row_writer_fixture.h"
#include "tests/fakes/canned_sql_connection.h"
#include "tests/fakes/recording_log.h"

namespace korvale {
namespace {

using scan_fixtures::At;
using scan_fixtures::Meeting;
using scan_fixtures::SettingsFor;
using testing::CannedRow;
using testing::CannedSqlConnection;
using testing::RecordingLog;

constexpr char kValues[] =
    "{ts '2021-03-08 10:00:00'}, {ts '2021-03-08 11:00:00'}, 'Ann', 'Weekly', 2, 'Room 1', '555', "
    "'DOMAIN\\ann', 'Team', '//Sales//', 'Bob', '$local', 1.000000, 'ann', 'Sales', 'r3', ''";
constexpr char kColumns[] =
    "EndTime, Name, Title, Status, Location, Phone, ACL, Category, DL, Organizer, Datasource, "
    "TimeDifference, Alias, Department, Reserved3, KRVBookingNumber";
constexpr char kKey[] =
    "((ApptID='00000000AB12CD') AND (Name='Ann') AND (Start={ts '2021-03-08 10:00:00'}) AND "
    "(EndTime={ts '2021-03-08 11:00:00'}) AND (KRVService='Caldrun'))";

// Runs the writer for one appointment against a recording connection.
class DialectStatements : public ::testing::Test {
 protected:
  std::vector<std::string> Write(Dialect dialect, const MeetingRow& row, int new_db = 0) {
    settings_ = SettingsFor(dialect);
    settings_.table_mode = new_db == 1 ? TableMode::kShared : TableMode::kRotation;
    settings_.oracle_hint = "/*+ APPEND */";
    Adjust(settings_);
    auto conn = std::make_unique<CannedSqlConnection>();
    CannedSqlConnection* raw = conn.get();
    Answer(*raw);
    Database db(settings_, log_, std::move(conn));
    RowWriterContext ctx{db,
                         settings_,
                         "KorvaleTable1",
                         "Caldrun",
                         extra_columns_,
                         At(2021, 3, 1),
                         At(2021, 3, 31, 23, 59, 59)};
    CheckAndAddMeeting(ctx, row);
    return raw->statements();
  }
  virtual void Adjust(AgentSettings&) {}
  virtual void Answer(CannedSqlConnection&) {}

  AgentSettings settings_;
  RecordingLog log_;
  std::string extra_columns_;
};

// Rotation mode: one insert per dialect, Oracle with its hint and StartTime.
TEST_F(DialectStatements, RotationInsertPerDialect) {
  const std::string tail =
      ", Attendees, ACLw) values(" + std::string(kValues) + ", 'Ann; Carl', 'DOMAIN\\bob')";
  EXPECT_EQ(Write(Dialect::kAccess, Meeting()),
            std::vector<std::string>{"insert into KorvaleTable1 (Start, " + std::string(kColumns) + tail});
  EXPECT_EQ(Write(Dialect::kSqlServer, Meeting()),
            std::vector<std::string>{"insert into KorvaleTable1 (Start, " + std::string(kColumns) + tail});
  EXPECT_EQ(Write(Dialect::kOracle, Meeting()),
            std::vector<std::string>{"insert /*+ APPEND */ into KorvaleTable1 (StartTime, " +
                                     std::string(kColumns) + tail});
  // MySQL gets every backslash doubled by the statement filter.
  EXPECT_EQ(Write(Dialect::kMySql, Meeting()),
            std::vector<std::string>{
                "insert into KorvaleTable1 (Start, " + std::string(kColumns) + ", Attendees, ACLw) values(" +
                "{ts '2021-03-08 10:00:00'}, {ts '2021-03-08 11:00:00'}, 'Ann', 'Weekly', 2, "
                "'Room 1', '555', 'DOMAIN\\\\ann', 'Team', '//Sales//', 'Bob', '$local', "
                "1.000000, 'ann', 'Sales', 'r3', '', 'Ann; Carl', 'DOMAIN\\\\bob')"});
}

// A new row in shared-table mode: ApptID converted per dialect, KRVUpdate 0, KRVService.
TEST_F(DialectStatements, SharedInsertConvertsTheIdentifierPerDialect) {
  const std::string head = "insert into KorvaleTable1 (Start, " + std::string(kColumns) +
                           ", ApptID, KRVUpdate, Attendees, KRVService, ACLw) values(" + kValues + ", ";
  const std::string tail = ", 0, 'Ann; Carl', 'Caldrun', 'DOMAIN\\bob')";
  EXPECT_EQ(Write(Dialect::kAccess, Meeting(), 1).at(1), head + "'00000000AB12CD'" + tail);
  EXPECT_EQ(Write(Dialect::kSQLite, Meeting(), 1).at(1), head + "'00000000AB12CD'" + tail);
  EXPECT_EQ(Write(Dialect::kSqlServer, Meeting(), 1).at(1),
            head + "CONVERT(BINARY(160), '00000000AB12CD')" + tail);
  const std::string oracle = Write(Dialect::kOracle, Meeting(), 1).at(1);
  EXPECT_EQ(oracle.rfind("insert /*+ APPEND */ into KorvaleTable1 (StartTime, ", 0), 0u) << oracle;
  EXPECT_NE(oracle.find(", '00000000AB12CD', 0, 'Ann; Carl', 'Caldrun'"), std::string::npos) << oracle;
  const std::string mysql = Write(Dialect::kMySql, Meeting(), 1).at(1);
  EXPECT_NE(mysql.find(", CONVERT('00000000AB12CD',BINARY(160)), 0, "), std::string::npos) << mysql;
}

// The lookup names the row by its key; Oracle compares STARTTIME.
TEST_F(DialectStatements, LookupByRowKey) {
  EXPECT_EQ(Write(Dialect::kSqlServer, Meeting(), 1).at(0),
            "SELECT * FROM KorvaleTable1 WHERE " + std::string(kKey));
  const std::string oracle = Write(Dialect::kOracle, Meeting(), 1).at(0);
  EXPECT_NE(oracle.find("AND (STARTTIME={ts '2021-03-08 10:00:00'}) AND"), std::string::npos) << oracle;
}

// Empty attendees leave the column out; ContactCompanyName comes with its setting, escaped.
class OptionalTails : public DialectStatements {
  void Adjust(AgentSettings& s) override {
    s.get_contact_company = 1;
    s.custom_field_names = {"Project", "", "Cost's"};
  }
};
TEST_F(OptionalTails, ColumnsFollowTheValuesThatAreThere) {
  extra_columns_ = ", AllDayEvent, ApptText";
  MeetingRow row = Meeting();
  row.attendees.clear();
  row.contact_company = "O'Neil & Co";
  row.custom_field_values = {"'Apollo'", "NULL", "12"};
  row.extra_values = ", 1, '@ApptText@Notes@ApptText@'";
  const std::string sql = Write(Dialect::kSqlServer, row).at(0);
  EXPECT_EQ(sql.find("Attendees"), std::string::npos) << sql;
  EXPECT_NE(sql.find(", KRVBookingNumber, ContactCompanyName, ACLw, \"Project\", \"Cost''s\", AllDayEvent, "
                     "ApptText) values("),
            std::string::npos)
      << sql;
  EXPECT_NE(sql.find(", '', 'O''Neil & Co', 'DOMAIN\\bob', 'Apollo', 12, 1, 'Notes')"), std::string::npos)
      << sql;
  const std::string mysql = Write(Dialect::kMySql, row).at(0);
  EXPECT_NE(mysql.find(", `Project`, `Cost''s`, AllDayEvent"), std::string::npos) << mysql;
}

// A stored row equal in every compared column is only confirmed.
class StoredRowAnswers : public DialectStatements {
 protected:
  void Answer(CannedSqlConnection& conn) override {
    conn.AnswerRows("SELECT * FROM KorvaleTable1", {CannedRow({{"TITLE", std::string("Weekly")},
                                                               {"STATUS", int64_t{2}},
                                                               {"LOCATION", std::string("Room 1")},
                                                               {"CATEGORY", std::string("Team")},
                                                               {"DL", std::string("//Sales//")},
                                                               {"ORGANIZER", std::string("Bob")},
                                                               {"ATTENDEES", std::string("Ann; Carl")},
                                                               {"DATASOURCE", std::string("$local")},
                                                               {"TIMEDIFFERENCE", 1.0},
                                                               {"ALIAS", std::string("ann")},
                                                               {"DEPARTMENT", std::string("Sales")},
                                                               {"ACL", std::string("DOMAIN\\ann")},
                                                               {"PHONE", std::string("555")},
                                                               {"KRVBOOKINGNUMBER", std::monostate{}},
                                                               {"RESERVED3", std::string("old")}})});
  }
};
TEST_F(StoredRowAnswers, UnchangedRowIsOnlyConfirmed) {
  const auto statements = Write(Dialect::kOracle, Meeting(), 1);
  ASSERT_EQ(statements.size(), 2u);
  EXPECT_EQ(statements[1].rfind("UPDATE KorvaleTable1 SET KRVUpdate = 0 WHERE ((ApptID='00000000AB12CD')", 0),
            0u)
      << statements[1];
}

// Any compared difference rewrites the row with the full update, attendees included.
TEST_F(StoredRowAnswers, ChangedRowIsRewritten) {
  MeetingRow row = Meeting();
  row.attendees = "Ann";
  const auto statements = Write(Dialect::kSqlServer, row, 1);
  ASSERT_EQ(statements.size(), 2u);
  EXPECT_EQ(statements[1],
            "UPDATE KorvaleTable1 SET Title = 'Weekly', Status = 2, Location = 'Room 1', Phone = '555', "
            "ACL = 'DOMAIN\\ann', Category = 'Team', DL = '//Sales//', Organizer = 'Bob', Attendees = 'Ann', "
            "Datasource = '$local', TimeDifference = 1.000000, Alias = 'ann', Department = 'Sales', "
            "Reserved3 = 'r3', KRVBookingNumber = '', KRVUpdate = 0, ACLw = 'DOMAIN\\bob' WHERE " +
                std::string(kKey));
}

// With GetContactCompany the company takes part in compare and update.
class ContactCompanyAnswers : public StoredRowAnswers {
  void Adjust(AgentSettings& s) override { s.get_contact_company = 1; }
};
TEST_F(ContactCompanyAnswers, CompanyIsComparedAndWritten) {
  MeetingRow row = Meeting();
  row.contact_company = "Acme";
  const auto statements = Write(Dialect::kSqlServer, row, 1);
  ASSERT_EQ(statements.size(), 2u);
  EXPECT_NE(statements[1].find("KRVBookingNumber = '', ContactCompanyName = 'Acme', KRVUpdate = 0, ACLw"),
            std::string::npos)
      << statements[1];
}

// A failing statement is reported with the table, the data source and the
// statement; the scan is not interrupted.
class FailingInsert : public DialectStatements {
  void Answer(CannedSqlConnection& conn) override { conn.Fail("insert into", "[driver]\nrefused"); }
};
TEST_F(FailingInsert, ReportedWithTableSourceAndStatement) {
  const auto statements = Write(Dialect::kSqlServer, Meeting());
  ASSERT_EQ(log_.events().size(), 1u) << log_.Describe();
  const auto& event = log_.events()[0];
  EXPECT_EQ(event.type, EventType::kError);
  EXPECT_EQ(event.id, 119u);
  EXPECT_EQ(event.texts.at(0), "KorvaleTable1");
  EXPECT_EQ(event.texts.at(1), "Calendar");
  EXPECT_EQ(event.texts.at(2), "[driver] refused\r\nSQL- statement:\r\n" + statements.at(0));
}

// A failure inside the binding ends the call with the general report.
class ThrowingConnection : public DialectStatements {
  void Answer(CannedSqlConnection& conn) override { conn.Throw("insert into"); }
};
TEST_F(ThrowingConnection, GeneralErrorNamesTheMailbox) {
  Write(Dialect::kAccess, Meeting());
  ASSERT_EQ(log_.events().size(), 1u) << log_.Describe();
  EXPECT_EQ(log_.events()[0].type, EventType::kWarning);
  EXPECT_EQ(log_.events()[0].id, 137u);
  EXPECT_EQ(log_.events()[0].texts.at(0),
            "General Error checking and adding meeting of mailbox Ann to database.");
}

// The body text between the markers is escaped and cut; everything else is left alone.
TEST(EscapeApptText, EscapesOnlyBetweenTheFirstTwoMarkers) {
  const std::string values = ", 1, '@ApptText@It's done@ApptText@'";
  EXPECT_EQ(EscapeApptText(", AllDayEvent, ApptText", values, Dialect::kAccess),
            ", 1, '@ApptText@It''s done@ApptText@'");
  EXPECT_EQ(EscapeApptText(", AllDayEvent", values, Dialect::kAccess), values);
  EXPECT_EQ(EscapeApptText(", ApptText", ", '@ApptText@It's", Dialect::kAccess), ", '@ApptText@It's");
  const std::string long_body = ", '@ApptText@" + std::string(300, 'x') + "@ApptText@'";
  EXPECT_EQ(EscapeApptText(", ApptText", long_body, Dialect::kAccess),
            ", '@ApptText@" + std::string(250, 'x') + "@ApptText@'");
}

TEST(FixedSix, WritesSixDecimals) {
  EXPECT_EQ(FixedSix(0), "0.000000");
  EXPECT_EQ(FixedSix(-3), "-3.000000");
  EXPECT_EQ(FixedSix(1.5), "1.500000");
}

}  // namespace
}  // namespace korvale
