// Shared pieces of the booking tests: settings per dialect, canned Meetings
// rows for the statement tests, and a real SQLite calendar database reached
// through unixODBC for the end-to-end cases.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "agent/database/database.h"
#include "agent/database/dialect_settings_for_test.h"
#include "agent/database/optional_columns.h"
#include "agent/database/schema.h"
#include "tests/fakes/canned_sql_connection.h"
#include "tests/fakes/recording_log.h"
#include "tests/support/sqlite_dsn.h"

namespace korvale::testing {

inline SYSTEMTIME Time(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
  SYSTEMTIME st;
  st.wYear = static_cast<uint16_t>(year);
  st.wMonth = static_cast<uint16_t>(month);
  st.wDay = static_cast<uint16_t>(day);
  st.wHour = static_cast<uint16_t>(hour);
  st.wMinute = static_cast<uint16_t>(minute);
  st.wSecond = static_cast<uint16_t>(second);
  return st;
}

inline SqlTimestamp Stamp(const SYSTEMTIME& t) {
  return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
}

// Settings selecting one dialect, with the scan groups Sales and Rooms.
inline AgentSettings SalesAndRoomsSettings(Dialect dialect) {
  AgentSettings s = SettingsFor(dialect);
  s.db = "KorvaleDB";
  s.group_names = {"Sales", "Rooms"};
  return s;
}

// The values of one Meetings row, as a web page would have written them.
struct Meeting {
  std::string name = "Ann";
  SYSTEMTIME start = Time(2024, 6, 12, 10, 0);
  SYSTEMTIME end = Time(2024, 6, 12, 11, 0);
  std::string title = "Review";
  int status = 2;
  std::string location;
  std::string phone;
  std::string office = "B-1";
  std::string initials;
  std::string acl;
  std::string category;
  std::string dl = "Sales";
  std::string organizer = "Ann";
  int booking_status = 1;
  std::string attendees = "Bob; Carl";
  std::string aclw;
  std::string reserved2;
  SYSTEMTIME time_booked = Time(2024, 6, 1, 9, 0);

  // A result row as the dialect's driver hands it back: Oracle in upper case
  // with numbers as doubles.
  SqlRow ToRow(Dialect dialect) const {
    bool oracle = dialect == Dialect::kOracle;
    auto number = [&](int v) -> SqlValue {
      if (oracle) return static_cast<double>(v) + 0.25;  // truncated on reading
      return static_cast<int64_t>(v);
    };
    auto col = [&](std::string name) {
      if (oracle) {
        for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      }
      return name;
    };
    return CannedRow({{col("Name"), name},
                      {col(oracle ? "StartTime" : "Start"), Stamp(start)},
                      {col("EndTime"), Stamp(end)},
                      {col("Title"), title},
                      {col("Status"), number(status)},
                      {col("Location"), location},
                      {col("Phone"), phone},
                      {col("Office"), office},
                      {col("Initials"), initials},
                      {col("ACL"), acl},
                      {col("Category"), category},
                      {col("DL"), dl},
                      {col("Organizer"), organizer},
                      {col("BookingStatus"), number(booking_status)},
                      {col("Attendees"), attendees},
                      {col("ACLw"), aclw}});
  }
};

// A Database over a canned connection, for the statement texts of a dialect.
struct CannedDatabase {
  explicit CannedDatabase(Dialect dialect) : settings(SalesAndRoomsSettings(dialect)) {}
  // Builds the Database once the canned answers are set up.
  Database& Open() {
    auto owned = std::make_unique<CannedSqlConnection>();
    owned_connection = owned.get();
    // Failures first: they single out statements that a row answer also matches.
    for (auto& rule : pending_failures) owned->Fail(rule.first, rule.second);
    for (auto& fragment : pending_throws) owned->Throw(fragment);
    for (auto& rule : pending_rows) owned->AnswerRows(rule.first, rule.second);
    db = std::make_unique<Database>(settings, log, std::move(owned));
    return *db;
  }
  CannedSqlConnection& connection() { return *owned_connection; }

  AgentSettings settings;
  RecordingLog log;
  std::vector<std::pair<std::string, std::vector<SqlRow>>> pending_rows;
  std::vector<std::pair<std::string, std::string>> pending_failures;
  std::vector<std::string> pending_throws;
  std::unique_ptr<Database> db;
  CannedSqlConnection* owned_connection = nullptr;
};

// A calendar database with fresh tables Meetings, Groups and KorvaleTable1,
// reached through unixODBC with a data source name as the agent reaches it:
// a temporary SQLite file, or any other data source (the MariaDB test server).
class TestCalendar {
 public:
  explicit TestCalendar(AgentSettings settings) : TestCalendar(std::move(settings), std::string()) {}

  TestCalendar(AgentSettings settings, const std::string& connect_string) : settings_(std::move(settings)) {
    settings_.db = connect_string.empty() ? sqlite_.name() : "test server";
    auto conn = OpenSqlConnection(connect_string.empty() ? sqlite_.ConnectString() : connect_string);
    if (!conn.ok()) {
      error_ = conn.error().text;
      return;
    }
    db_ = std::make_unique<Database>(settings_, log_, std::move(*conn));
    // A shared server may hold the tables of an earlier test.
    for (const char* table : {"Meetings", "Groups", "KorvaleTable1"}) {
      (void)db_->Execute(std::string("DROP TABLE ") + table);
    }
    for (const std::string& sql :
         {CreateMeetingsTable(settings_), CreateGroupsTable(settings_),
          CreateCalendarTable(settings_, kKorvaleTable1, SelectOptionalColumns(""))}) {
      auto done = db_->Execute(sql);
      if (!done.ok()) error_ += done.error().text;
    }
    log_.Clear();
  }

  bool ok() const { return db_ != nullptr && error_.empty(); }
  const std::string& error() const { return error_; }
  Database& db() { return *db_; }
  RecordingLog& log() { return log_; }
  AgentSettings& settings() { return settings_; }

  void Insert(const Meeting& m) {
    auto lit = [&](const SYSTEMTIME& t) { return FormatDateLiteral(settings_.date_literal_format, t); };
    auto q = [&](const std::string& v) { return "'" + QuoteForSql(v, 1024, db_->dialect()) + "'"; };
    std::string sql =
        "INSERT INTO Meetings (Name, Start, EndTime, Title, Status, Location, Phone, Office, "
        "Initials, ACL, Category, DL, Organizer, Attendees, TimeBooked, BookingStatus, Reserved2, "
        "ACLw) VALUES (" +
        q(m.name) + ", " + lit(m.start) + ", " + lit(m.end) + ", " + q(m.title) + ", " +
        std::to_string(m.status) + ", " + q(m.location) + ", " + q(m.phone) + ", " + q(m.office) + ", " +
        q(m.initials) + ", " + q(m.acl) + ", " + q(m.category) + ", " + q(m.dl) + ", " + q(m.organizer) +
        ", " + q(m.attendees) + ", " + lit(m.time_booked) + ", " + std::to_string(m.booking_status) + ", " +
        q(m.reserved2) + ", " + q(m.aclw) + ")";
    Run(sql);
  }

  void Run(const std::string& sql) {
    auto done = db_->Execute(sql);
    ASSERT_TRUE(done.ok()) << sql << "\n" << done.error().text;
  }

  std::vector<SqlRow> Rows(const std::string& sql) {
    auto rows = db_->Query(sql);
    EXPECT_TRUE(rows.ok()) << sql << "\n" << (rows.ok() ? "" : rows.error().text);
    return rows.ok() ? *rows : std::vector<SqlRow>{};
  }

  // BookingStatus of the row with this booking number; -1 when it is gone.
  int StatusOf(const std::string& office) {
    auto rows = Rows("SELECT BookingStatus FROM Meetings WHERE Office='" + office + "'");
    if (rows.empty()) return -1;
    return static_cast<int>(rows.front().Int("BookingStatus").value_or(-2));
  }

 private:
  SqliteDsn sqlite_;
  AgentSettings settings_;
  RecordingLog log_;
  std::unique_ptr<Database> db_;
  std::string error_;
};

}  // namespace korvale::testing
