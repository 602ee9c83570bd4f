// Telling a row refused for its own data from a database that fails, with the
// states and native codes the two drivers really report (measured), and the
// watch over the fill table on a real SQLite file that runs out of room.
#include "agent/database/sql_failure.h"

#include <gtest/gtest.h>

#include "agent/database/database_backend_for_test.h"
#include "agent/database/db_report.h"

namespace korvale {
namespace {

struct FailureCase {
  const char* what;
  Dialect dialect;
  SqlError error;
  SqlFailureKind kind;
};

const FailureCase kCases[] = {
    {"MariaDB: data too long",
     Dialect::kMySql,
     {"Data too long for column 'A'", -1, "22001", 1406},
     SqlFailureKind::kRowData},
    {"MariaDB: incorrect string value",
     Dialect::kMySql,
     {"Incorrect string value: '\\xFF'", -1, "22007", 1366},
     SqlFailureKind::kRowData},
    {"MariaDB: column cannot be null",
     Dialect::kMySql,
     {"Column 'A' cannot be null", -1, "23000", 1048},
     SqlFailureKind::kRowData},
    {"MariaDB: lost during the query",
     Dialect::kMySql,
     {"Lost connection to server during query", -1, "08S01", 2013},
     SqlFailureKind::kConnectionLost},
    {"MariaDB: connection not open",
     Dialect::kMySql,
     {"Connection not open", -1, "08003", 0},
     SqlFailureKind::kConnectionLost},
    {"MariaDB: gone away as a general error",
     Dialect::kMySql,
     {"MySQL server has gone away", -1, "HY000", 2006},
     SqlFailureKind::kConnectionLost},
    {"MariaDB: table is full",
     Dialect::kMySql,
     {"The table 'KorvaleTable2' is full", -1, "HY000", 1114},
     SqlFailureKind::kDatabase},
    {"MariaDB: lock wait timeout",
     Dialect::kMySql,
     {"Lock wait timeout exceeded", -1, "HY000", 1205},
     SqlFailureKind::kDatabase},
    {"MariaDB: read-only",
     Dialect::kMySql,
     {"running with the --read-only option", -1, "HY000", 1290},
     SqlFailureKind::kDatabase},
    {"MariaDB: unknown column",
     Dialect::kMySql,
     {"Unknown column 'C'", -1, "42S22", 1054},
     SqlFailureKind::kDatabase},
    {"SQLite: disk full",
     Dialect::kSQLite,
     {"database or disk is full (13)", -1, "HY000", 13},
     SqlFailureKind::kDatabase},
    {"SQLite: locked",
     Dialect::kSQLite,
     {"database is locked (5)", -1, "HY000", 5},
     SqlFailureKind::kDatabase},
    {"SQLite: read-only",
     Dialect::kSQLite,
     {"attempt to write a readonly database (8)", -1, "HY000", 8},
     SqlFailureKind::kDatabase},
    {"SQLite: no such column",
     Dialect::kSQLite,
     {"table T has no column named C (1)", -1, "HY000", 1},
     SqlFailureKind::kDatabase},
    {"SQLite: not null",
     Dialect::kSQLite,
     {"NOT NULL constraint failed: T.A (19)", -1, "HY000", 19},
     SqlFailureKind::kRowData},
    {"SQLite: unique (extended code)",
     Dialect::kSQLite,
     {"UNIQUE constraint failed", -1, "HY000", 2067},
     SqlFailureKind::kRowData},
    {"SQLite: commit without transaction",
     Dialect::kSQLite,
     {"cannot commit - no transaction is active", -1, "HY000", 1},
     SqlFailureKind::kDatabase},
};

TEST(SqlFailure, KindFollowsTheStateClassAndTheDriversGeneralErrors) {
  for (const FailureCase& c : kCases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(ClassifySqlFailure(c.error, c.dialect), c.kind);
  }
  // A MySQL native code means nothing to another driver.
  EXPECT_EQ(ClassifySqlFailure({"x", -1, "HY000", 2006}, Dialect::kSQLite), SqlFailureKind::kDatabase);
  EXPECT_EQ(ClassifySqlFailure({"x", -1, "HY000", 19}, Dialect::kMySql), SqlFailureKind::kDatabase);
}

TEST(SqlFailure, StatementNamesTheTableOnlyOutsideItsValues) {
  const Dialect s = Dialect::kSQLite;
  EXPECT_TRUE(StatementNamesTable("DELETE FROM KorvaleTable2", "KorvaleTable2", s));
  EXPECT_TRUE(StatementNamesTable("insert into korvaletable2 (Name) values('x')", "KorvaleTable2", s));
  EXPECT_TRUE(StatementNamesTable("SELECT * FROM \"KorvaleTable2\"", "KorvaleTable2", s));
  EXPECT_TRUE(StatementNamesTable("SELECT * FROM `KorvaleTable2`", "KorvaleTable2", Dialect::kMySql));
  EXPECT_FALSE(
      StatementNamesTable("UPDATE KorvaleConfig SET ActiveTable='KorvaleTable2'", "KorvaleTable2", s));
  EXPECT_FALSE(StatementNamesTable("SELECT * FROM KorvaleTable21", "KorvaleTable2", s));
  EXPECT_FALSE(StatementNamesTable("UPDATE Meetings SET Title='it''s KorvaleTable2'", "KorvaleTable2", s));
  // MySQL escapes inside values with a backslash; elsewhere it is a plain character.
  EXPECT_FALSE(StatementNamesTable("UPDATE Meetings SET Title='a\\\\'' KorvaleTable2'", "KorvaleTable2",
                                   Dialect::kMySql));
  EXPECT_TRUE(StatementNamesTable("UPDATE Meetings SET Title='C:\\' WHERE 1=0; DELETE FROM KorvaleTable2",
                                  "KorvaleTable2", s));
  EXPECT_FALSE(StatementNamesTable("DELETE FROM KorvaleTable2", "", s));
}

// A real full disk (SQLite's page limit) under the fill table: the first
// failure is the fault and is reported once, beside the caller's report of
// that row; the rows that follow are not reported again, and a row refused
// for its data before it was reported as usual.
TEST(DatabaseWatch, FullDiskOnTheFillTableIsOneFault) {
  testing::SqliteDsn dsn;
  AgentSettings settings = testing::SettingsFor(Dialect::kSQLite);
  settings.db = dsn.name();
  testing::RecordingLog log;
  auto db = OpenDatabase(settings, log);
  ASSERT_TRUE(db.ok());
  Database& d = **db;
  ASSERT_TRUE(d.Execute("create table KorvaleTable2 (Name varchar(2000) NOT NULL)").ok());
  d.WatchFillTable("KorvaleTable2");
  auto report = [&](const SqlResult<SqlDone>& done, const std::string& sql) {
    if (!done.ok()) LogTableEvent(d, 119, "KorvaleTable2", WithStatement(ErrorText(done.error()), sql));
  };
  const std::string null_row = "insert into KorvaleTable2 (Name) values(NULL)";
  report(d.Execute(null_row), null_row);
  EXPECT_FALSE(d.fault()) << "a row refused for its data is no fault";
  ASSERT_EQ(log.EventsWithId(119).size(), 1u);

  ASSERT_TRUE(d.Execute("PRAGMA max_page_count = 3").ok());
  const std::string row = "insert into KorvaleTable2 (Name) values('" + std::string(1500, 'x') + "')";
  int faults = 0;
  d.OnFault([&](const DatabaseFault& f) {
    ++faults;
    EXPECT_EQ(f.kind, SqlFailureKind::kDatabase);
  });
  for (int i = 0; i < 20; ++i) report(d.Execute(row), row);
  ASSERT_TRUE(d.fault());
  EXPECT_EQ(faults, 1);
  EXPECT_EQ(d.fault()->error.native_code, 13) << d.fault()->error.text;
  // The refused row, then the fault and the row that met it; nothing for the 19 rows after it.
  auto events = log.EventsWithId(119);
  ASSERT_EQ(events.size(), 3u) << log.Describe();
  EXPECT_NE(events[1].texts.at(2).find("KorvaleTable2 is not published"), std::string::npos)
      << events[1].texts.at(2);
  EXPECT_NE(events[1].texts.at(2).find("database or disk is full"), std::string::npos);
  EXPECT_NE(events[2].texts.at(2).find("database or disk is full"), std::string::npos);
  EXPECT_FALSE(d.connection_lost());
}

}  // namespace
}  // namespace korvale
