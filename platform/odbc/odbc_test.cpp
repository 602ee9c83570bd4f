// The ODBC binding against the real driver manager with the SQLite3 driver and
// (when a server is there) the MariaDB driver: values come back as stored,
// failures carry the driver's diagnostics.
#include "platform/odbc/odbc.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/support/mariadb_dsn.h"
#include "tests/support/sqlite_dsn.h"

namespace korvale {
namespace {

using testing::MariaDbDsn;
using testing::SqliteDsn;

std::unique_ptr<SqlConnection> Connect(const std::string& connect_string) {
  auto connection = OpenSqlConnection(connect_string);
  if (!connection.ok()) {
    ADD_FAILURE() << "cannot connect: " << connection.error().text;
    return nullptr;
  }
  return std::move(*connection);
}

void MustExecute(SqlConnection& db, const std::string& sql) {
  auto done = db.Execute(sql);
  ASSERT_TRUE(done.ok()) << sql << ": " << done.error().text;
}

// Every kind of value the agent stores, read back through one table. Shared by
// both drivers, because each maps column types differently.
void CheckValueRoundTrip(SqlConnection& db, const std::string& table) {
  ASSERT_NO_FATAL_FAILURE(
      MustExecute(db, "create table " + table +
                          " (Name varchar(50) NOT NULL, Start datetime NOT NULL, Title varchar(250), "
                          "Notes text, Status smallint NOT NULL, Size int NULL, TimeDifference NUMERIC(2,1), "
                          "Flag bit DEFAULT 0, ApptID BINARY(160))"));
  const std::string long_text = std::string(20000, 'x') + "é€😀";  // longer than one read piece
  ASSERT_NO_FATAL_FAILURE(
      MustExecute(db, "insert into " + table +
                          " (Name, Start, Title, Notes, Status, Size, TimeDifference, Flag) values('Grüße "
                          "😀', {ts '2010-12-03 15:12:32'}, '', '" +
                          long_text + "', 8, -42, 1.5, 1)"));

  auto rows = db.Query("SELECT * FROM " + table);
  ASSERT_TRUE(rows.ok()) << rows.error().text;
  ASSERT_EQ(rows->size(), 1u);
  const SqlRow& row = rows->front();
  EXPECT_EQ(row.Text("name"), "Grüße 😀") << "multi-byte text and case-insensitive names";
  EXPECT_EQ(row.Timestamp("Start"), (SqlTimestamp{2010, 12, 3, 15, 12, 32}));
  EXPECT_EQ(row.Text("Title"), "") << "an empty text is not NULL";
  EXPECT_FALSE(row.IsNull("Title"));
  EXPECT_EQ(row.Text("Notes"), long_text) << "long texts are read in pieces, never cut";
  EXPECT_EQ(row.Int("Status"), 8);
  EXPECT_EQ(row.Int("Size"), -42);
  EXPECT_DOUBLE_EQ(row.Double("TimeDifference").value_or(0), 1.5);
  EXPECT_EQ(row.Int("Flag"), 1);
  EXPECT_TRUE(row.IsNull("ApptID")) << "NULL stays NULL";
  EXPECT_FALSE(row.Binary("ApptID").has_value());
  EXPECT_TRUE(row.IsNull("NoSuchColumn"));
}

TEST(OdbcSqlite, ValuesComeBackAsStored) {
  SqliteDsn dsn;
  auto db = Connect(dsn.ConnectString());
  ASSERT_TRUE(db);
  CheckValueRoundTrip(*db, "RoundTrip");
}

TEST(OdbcSqlite, QueryFirstReadsOneRowAndTellsAnEmptyResult) {
  SqliteDsn dsn;
  auto db = Connect(dsn.ConnectString());
  ASSERT_TRUE(db);
  MustExecute(*db, "create table T (N int)");
  auto none = db->QueryFirst("SELECT * FROM T");
  ASSERT_TRUE(none.ok());
  EXPECT_FALSE(none->has_value());
  MustExecute(*db, "insert into T (N) values(1)");
  MustExecute(*db, "insert into T (N) values(2)");
  auto first = db->QueryFirst("SELECT * FROM T ORDER BY N");
  ASSERT_TRUE(first.ok());
  ASSERT_TRUE(first->has_value());
  EXPECT_EQ((*first)->Int("N"), 1);
}

TEST(OdbcSqlite, BinaryValuesKeepEveryByte) {
  SqliteDsn dsn;
  auto db = Connect(dsn.ConnectString());
  ASSERT_TRUE(db);
  MustExecute(*db, "create table B (Id BINARY(160))");
  MustExecute(*db, "insert into B (Id) values(X'00FF00" + std::string(314, 'A') + "')");
  auto row = db->QueryFirst("SELECT * FROM B");
  ASSERT_TRUE(row.ok() && row->has_value());
  auto bytes = (*row)->Binary("Id");
  ASSERT_TRUE(bytes.has_value());
  ASSERT_EQ(bytes->size(), 160u) << "zero bytes inside a binary do not end it";
  EXPECT_EQ((*bytes)[0], 0x00);
  EXPECT_EQ((*bytes)[1], 0xFF);
  EXPECT_EQ((*bytes)[159], 0xAA);
}

TEST(OdbcSqlite, RefusedStatementCarriesTheDriversDiagnostics) {
  SqliteDsn dsn;
  auto db = Connect(dsn.ConnectString());
  ASSERT_TRUE(db);
  auto result = db->QueryFirst("SELECT * FROM Missing");
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.error().return_code, -1) << "SQL_ERROR";
  EXPECT_NE(result.error().text.find("Missing"), std::string::npos) << result.error().text;
  EXPECT_EQ(result.error().sql_state.size(), 5u);
  EXPECT_EQ(result.error().StateNativeOrigin().rfind("State:" + result.error().sql_state + ",Native:", 0), 0u)
      << result.error().StateNativeOrigin();
}

TEST(OdbcSqlite, UnknownDataSourceFailsWithoutPrompting) {
  SqliteDsn dsn;  // makes sure ODBCINI points to a test file, not the machine's
  auto connection = OpenSqlConnection("DSN=korvale_no_such_source");
  ASSERT_FALSE(connection.ok());
  EXPECT_EQ(connection.error().return_code, -1);
  EXPECT_EQ(connection.error().sql_state, "IM002") << connection.error().text;
}

TEST(OdbcSqlite, RolledBackTransactionLeavesNothingAndCommittedOneStays) {
  SqliteDsn dsn;
  auto db = Connect(dsn.ConnectString());
  ASSERT_TRUE(db);
  MustExecute(*db, "create table T (N int)");
  ASSERT_TRUE(db->BeginTransaction().ok());
  MustExecute(*db, "insert into T (N) values(1)");
  ASSERT_TRUE(db->RollbackTransaction().ok());
  ASSERT_TRUE(db->BeginTransaction().ok());
  MustExecute(*db, "insert into T (N) values(2)");
  ASSERT_TRUE(db->CommitTransaction().ok());
  MustExecute(*db, "insert into T (N) values(3)");  // back to autocommit
  auto second = Connect(dsn.ConnectString());
  ASSERT_TRUE(second);
  auto rows = second->Query("SELECT * FROM T ORDER BY N");
  ASSERT_TRUE(rows.ok());
  ASSERT_EQ(rows->size(), 2u);
  EXPECT_EQ(rows->at(0).Int("N"), 2);
  EXPECT_EQ(rows->at(1).Int("N"), 3);
}

// The rows an UPDATE or DELETE touched: the booking engine takes a Meetings row
// only when its update found it.
void CheckRowCounts(SqlConnection& db, const std::string& table) {
  ASSERT_NO_FATAL_FAILURE(MustExecute(db, "create table " + table + " (N int)"));
  ASSERT_NO_FATAL_FAILURE(MustExecute(db, "insert into " + table + " (N) values(1)"));
  ASSERT_NO_FATAL_FAILURE(MustExecute(db, "insert into " + table + " (N) values(1)"));
  auto two = db.Execute("UPDATE " + table + " SET N = 2 WHERE N = 1");
  ASSERT_TRUE(two.ok());
  EXPECT_EQ(two->rows, 2);
  auto none = db.Execute("UPDATE " + table + " SET N = 3 WHERE N = 7");
  ASSERT_TRUE(none.ok()) << "a searched update that finds nothing is no failure";
  EXPECT_EQ(none->rows, 0);
  auto deleted = db.Execute("DELETE FROM " + table);
  ASSERT_TRUE(deleted.ok());
  EXPECT_EQ(deleted->rows, 2);
}

TEST(OdbcSqlite, ExecuteCountsTheRowsTouched) {
  SqliteDsn dsn;
  auto db = Connect(dsn.ConnectString());
  ASSERT_TRUE(db);
  CheckRowCounts(*db, "T");
}

TEST(OdbcMariaDb, ExecuteCountsTheRowsTouched) {
  MariaDbDsn dsn;
  KORVALE_REQUIRE_MARIADB(dsn);
  auto db = Connect(dsn.ConnectString());
  ASSERT_TRUE(db);
  MustExecute(*db, "DROP TABLE IF EXISTS OdbcRowCount");
  CheckRowCounts(*db, "OdbcRowCount");
  MustExecute(*db, "DROP TABLE OdbcRowCount");
}

TEST(OdbcSqlite, TwoDataSourcesInOneProcessStayApart) {
  SqliteDsn first;
  auto a = Connect(first.ConnectString());
  SqliteDsn second;  // registered after the driver manager read the file once
  auto b = Connect(second.ConnectString());
  ASSERT_TRUE(a && b);
  MustExecute(*a, "create table OnlyInFirst (N int)");
  EXPECT_FALSE(b->QueryFirst("SELECT * FROM OnlyInFirst").ok());
  EXPECT_EQ(a->DatabaseName(), first.database_file());
}

TEST(OdbcMariaDb, ValuesComeBackAsStored) {
  MariaDbDsn dsn;
  KORVALE_REQUIRE_MARIADB(dsn);
  auto db = Connect(dsn.ConnectString());
  ASSERT_TRUE(db);
  MustExecute(*db, "DROP TABLE IF EXISTS OdbcRoundTrip");
  CheckValueRoundTrip(*db, "OdbcRoundTrip");
  EXPECT_EQ(db->DatabaseName(), dsn.database());
  MustExecute(*db, "DROP TABLE OdbcRoundTrip");
}

TEST(OdbcMariaDb, RefusedStatementCarriesTheServersState) {
  MariaDbDsn dsn;
  KORVALE_REQUIRE_MARIADB(dsn);
  auto db = Connect(dsn.ConnectString());
  ASSERT_TRUE(db);
  auto result = db->QueryFirst("SELECT * FROM KorvaleNoSuchTable");
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.error().sql_state, "42S02");
  EXPECT_EQ(result.error().native_code, 1146);
}

// Two agents of one test each get a data source; the second does not wait
// for the first to let go of the server.
TEST(OdbcMariaDb, TwoDataSourcesInOneProcess) {
  MariaDbDsn first;
  KORVALE_REQUIRE_MARIADB(first);
  MariaDbDsn second;
  ASSERT_TRUE(second.available()) << second.unavailable_reason();
  EXPECT_NE(first.name(), second.name());
  auto a = Connect(first.ConnectString());
  auto b = Connect(second.ConnectString());
  EXPECT_TRUE(a && b);
}

}  // namespace
}  // namespace korvale
