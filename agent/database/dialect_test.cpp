// The dialect table, value quoting and date literals: the literal texts each
// dialect must produce, since the web pages and other agents read the same
// tables.
#include "agent/database/dialect.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "agent/database/column_types.h"
#include "agent/database/dialect_settings_for_test.h"

namespace korvale {
namespace {

using testing::DialectName;
using testing::SettingsFor;

constexpr Dialect kAll[] = {Dialect::kAccess, Dialect::kSqlServer, Dialect::kMySql, Dialect::kOracle,
                            Dialect::kSQLite};

struct DialectRow {
  Dialect dialect;
  const char* time_function;
  const char* start_column;
  const char* text50;
  const char* text254;
  const char* text255;
  const char* default0;
  const char* date_type;
  const char* small_int;
  const char* time_difference;
  const char* binary160;
  const char* bool_type;
  const char* empty_fill_table;
};

const DialectRow kDialectTable[] = {
    {Dialect::kAccess, "Now", "Start", "TEXT(50)", "TEXT(254)", "LONGTEXT", "", "datetime", "smallint",
     "REAL", "BINARY(160)", "bit", "DROP TABLE KorvaleTable2"},
    {Dialect::kSqlServer, "GETDATE()", "Start", "varchar(50)", "varchar(254)", "text", " DEFAULT 0",
     "datetime", "smallint", "NUMERIC(2,1)", "BINARY(160)", "bit DEFAULT 0", "TRUNCATE TABLE KorvaleTable2"},
    {Dialect::kMySql, "NOW()", "Start", "varchar(50)", "varchar(254)", "text", " DEFAULT 0", "datetime",
     "smallint", "NUMERIC(2,1)", "BINARY(160)", "bit DEFAULT 0", "TRUNCATE TABLE KorvaleTable2"},
    {Dialect::kOracle, "SYSDATE", "StartTime", "varchar2(50)", "varchar2(254)", "varchar2(2000)",
     " DEFAULT 0", "DATE", "NUMBER", "NUMBER(2,1)", "RAW(160)", "NUMBER DEFAULT 0",
     "TRUNCATE TABLE KorvaleTable2"},
    {Dialect::kSQLite, "datetime('now','localtime')", "Start", "varchar(50)", "varchar(254)", "text",
     " DEFAULT 0", "datetime", "smallint", "NUMERIC(2,1)", "BINARY(160)", "bit DEFAULT 0",
     "DELETE FROM KorvaleTable2"},
};

// Every entry of the dialect table, one dialect per row.
TEST(DialectTable, EachDialectUsesItsOwnWords) {
  for (const DialectRow& row : kDialectTable) {
    SCOPED_TRACE(DialectName(row.dialect));
    const AgentSettings settings = SettingsFor(row.dialect);
    EXPECT_EQ(StatementDialect(settings), row.dialect);
    EXPECT_STREQ(TimeFunction(row.dialect), row.time_function);
    EXPECT_STREQ(StartColumn(row.dialect), row.start_column);
    EXPECT_EQ(SqlTypeName(settings, 50), row.text50);
    EXPECT_EQ(SqlTypeName(settings, 254), row.text254);
    EXPECT_EQ(SqlTypeName(settings, 255), row.text255);
    EXPECT_EQ(SqlTypeName(settings, 1024), row.text255);
    EXPECT_EQ(DefaultClause(settings, 0), row.default0);
    EXPECT_STREQ(DateTypeName(settings), row.date_type);
    EXPECT_STREQ(SmallIntTypeName(settings), row.small_int);
    EXPECT_STREQ(TimeDifferenceTypeName(settings), row.time_difference);
    EXPECT_STREQ(IdentifierBinaryTypeName(settings), row.binary160);
    EXPECT_EQ(BoolColumnType(settings), row.bool_type);
    EXPECT_EQ(EmptyTableStatement(row.dialect, "KorvaleTable2"), row.empty_fill_table);
  }
}

// Statements test Oracle, MySQL, SQL Server in that order; column types the
// SQL Server family first. Only a hand-edited file sets two keys at once.
TEST(DialectTable, PrecedenceWhenSeveralKeysAreSet) {
  AgentSettings both = SettingsFor(Dialect::kOracle);
  both.my_sql = 1;
  both.mysql_flag = true;
  both.sql_server_family_flag = true;
  EXPECT_EQ(StatementDialect(both), Dialect::kOracle);
  EXPECT_EQ(SqlTypeName(both, 50), "varchar(50)");

  AgentSettings sql_server_two;
  sql_server_two.sql_server = 2;  // only exactly 1 selects SQL Server
  EXPECT_EQ(StatementDialect(sql_server_two), Dialect::kAccess);
}

TEST(DialectTable, QuotedIdentifiersUseBackQuotesOnlyForMySql) {
  EXPECT_EQ(QuoteIdentifier(Dialect::kMySql, "Cost Centre"), "`Cost Centre`");
  for (Dialect d : {Dialect::kAccess, Dialect::kSqlServer, Dialect::kOracle, Dialect::kSQLite}) {
    EXPECT_EQ(QuoteIdentifier(d, "Cost Centre"), "\"Cost Centre\"") << DialectName(d);
  }
}

struct QuoteCase {
  const char* what;
  std::string value;
  int max_len;
  Dialect dialect;
  std::string expected;
};

// The quoting rules, including the examples the web pages' authors rely on.
TEST(QuoteForSql, DoublesApostrophesCutsAndNeverLeavesADanglingHalf) {
  const std::string sixty = std::string(49, 'a') + "'" + std::string(10, 'b');
  const std::vector<QuoteCase> cases = {
      {"one apostrophe doubled", "O'Neil", 50, Dialect::kAccess, "O''Neil"},
      {"cut through a doubled pair drops its half", sixty, 50, Dialect::kAccess, std::string(49, 'a')},
      {"a pair that fits stays", std::string(48, 'a') + "'b", 50, Dialect::kAccess,
       std::string(48, 'a') + "''"},
      {"cut counts the escaped text", "''''", 3, Dialect::kAccess, "''"},
      {"a lone apostrophe after a cut goes", "'", 1, Dialect::kAccess, ""},
      {"no cut at 1024 and above", std::string(5000, 'x'), 1024, Dialect::kSqlServer, std::string(5000, 'x')},
      {"Oracle cuts at 4000", std::string(5000, 'x'), 1024, Dialect::kOracle, std::string(4000, 'x')},
      {"Oracle below 1024 uses max_len", std::string(100, 'x'), 50, Dialect::kOracle, std::string(50, 'x')},
      {"empty stays empty", "", 50, Dialect::kAccess, ""},
      {"counts characters, not bytes", "äöüß€😀xyz", 6, Dialect::kSQLite, "äöüß€😀"},
      {"never cuts inside a character", "ab😀", 3, Dialect::kMySql, "ab😀"},
      {"multi-byte text with apostrophe", "Zoë's €", 5, Dialect::kSQLite, "Zoë''"},
      {"broken UTF-8 is repaired, each bad byte one U+FFFD",
       "a\xff\xfe"
       "b",
       3, Dialect::kSQLite, "a\uFFFD\uFFFD"},
      {"a cut-off sequence is one U+FFFD", "\xE2\x82'x", 50, Dialect::kMySql, "\uFFFD''x"},
      {"the cut counts repaired characters", "\xE0\x80\x80yz", 2, Dialect::kOracle, "\uFFFD\uFFFD"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(QuoteForSql(c.value, c.max_len, c.dialect), c.expected) << c.what;
  }
}

TEST(QuoteForSql, OddRunOfApostrophesAtTheCutLosesOnlyTheBrokenPair) {
  // "x''" escapes to "x''''"; cut at 4 leaves "x'''", which would end the literal early.
  EXPECT_EQ(QuoteForSql("x''", 4, Dialect::kAccess), "x''");
}

TEST(StripLineFeeds, EveryLineFeedBecomesABlank) {
  EXPECT_EQ(StripLineFeeds("[SQLite]no such table\nsecond\r\nthird"), "[SQLite]no such table second\r third");
}

TEST(MySqlFilter, EveryBackslashIsDoubled) {
  EXPECT_EQ(MySqlFilter("insert into T values('dom\\user', 'a\\\\b')"),
            "insert into T values('dom\\\\user', 'a\\\\\\\\b')");
  EXPECT_EQ(MySqlFilter("no backslash"), "no backslash");
}

struct DateCase {
  const char* format;
  const char* expected;
};

// Date literals as the databases receive them; independent of locale and zone.
TEST(FormatDateLiteral, ConversionsOfTheDateLiteralFormat) {
  SYSTEMTIME t;
  t.wYear = 2010;
  t.wMonth = 12;
  t.wDay = 3;
  t.wHour = 15;
  t.wMinute = 2;
  t.wSecond = 9;
  t.wDayOfWeek = 0;  // deliberately wrong: the weekday is computed from the date
  const DateCase cases[] = {
      {"{ts '%Y-%m-%d %H:%M:%S'}", "{ts '2010-12-03 15:02:09'}"},
      {"'%d.%m.%y %I:%M %p'", "'03.12.10 03:02 PM'"},
      {"%a %A %b %B", "Fri Friday Dec December"},
      {"%j", "337"},
      {"%c", "Fri Dec  3 15:02:09 2010"},
      {"%x %X", "12/03/10 15:02:09"},
      {"100%% %#d.%#m.", "100% 3.12."},
      {"%q stays", "%q stays"},
      {"trailing %", "trailing %"},
      {"[%e][%#e][%#H:%#M]", "[ 3][3][15:2]"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatDateLiteral(c.format, t), c.expected) << c.format;
  }
  SYSTEMTIME midnight;
  midnight.wYear = 2012;
  midnight.wMonth = 2;
  midnight.wDay = 29;
  EXPECT_EQ(FormatDateLiteral("%I %p %j %a", midnight), "12 AM 060 Wed") << "leap day";
  SYSTEMTIME early;
  early.wYear = 33;
  early.wMonth = 1;
  early.wDay = 21;
  EXPECT_EQ(FormatDateLiteral("%Y|%#Y|%y|%e|%j", early), "0033|33|33|21|021") << "padding to the width";
}

}  // namespace
}  // namespace korvale
