// The statements of the marker rows, the shared-table protocol, the append
// table and the publication, per dialect, against their literal texts: other
// agents sharing a table and the web pages depend on exactly these rows.
#include <gtest/gtest.h>

#include "agent/database/append_table.h"
#include "agent/database/dialect_settings_for_test.h"
#include "agent/database/marker_rows.h"
#include "agent/database/publication.h"
#include "agent/database/shared_table.h"

namespace korvale {
namespace {

using testing::DialectName;
using testing::SettingsFor;

AgentSettings Shared(Dialect dialect) {
  AgentSettings s = SettingsFor(dialect);
  s.table_mode = TableMode::kShared;
  return s;
}

struct MaintenanceRow {
  Dialect dialect;
  const char* update;
  const char* insert;
  const char* shared_update;
  const char* shared_insert;
};

TEST(MarkerStatements, MaintenanceRow) {
  const MaintenanceRow rows[] = {
      {Dialect::kAccess,
       "UPDATE KorvaleTable2 SET Start = Now, EndTime = Now WHERE ((Status = 8) AND (Name = "
       "'$maintenance'))",
       "insert into KorvaleTable2 (Start, EndTime, Name, Status) values(Now, Now, '$maintenance', 8)",
       "UPDATE KorvaleTable1 SET Start = Now, EndTime = Now, KRVUpdate=0 WHERE ((Status = 8) AND "
       "(Name = '$maintenance') AND (KRVService = 'Svc 1'))",
       "insert into KorvaleTable1 (Start, EndTime, Name, Status, KRVUpdate, KRVService) values(Now, "
       "Now, '$maintenance', 8, 0, 'Svc 1')"},
      {Dialect::kSqlServer,
       "UPDATE KorvaleTable2 SET Start = GETDATE(), EndTime = GETDATE() WHERE ((Status = 8) AND "
       "(Name = '$maintenance'))",
       "insert into KorvaleTable2 (Start, EndTime, Name, Status) values(GETDATE(), GETDATE(), "
       "'$maintenance', 8)",
       "UPDATE KorvaleTable1 SET Start = GETDATE(), EndTime = GETDATE(), KRVUpdate=0 WHERE ((Status "
       "= 8) AND (Name = '$maintenance') AND (KRVService = 'Svc 1'))",
       "insert into KorvaleTable1 (Start, EndTime, Name, Status, KRVUpdate, KRVService) "
       "values(GETDATE(), GETDATE(), '$maintenance', 8, 0, 'Svc 1')"},
      {Dialect::kMySql,
       "UPDATE KorvaleTable2 SET Start = NOW(), EndTime = NOW() WHERE ((Status = 8) AND (Name = "
       "'$maintenance'))",
       "insert into KorvaleTable2 (Start, EndTime, Name, Status) values(NOW(), NOW(), "
       "'$maintenance', 8)",
       "UPDATE KorvaleTable1 SET Start = NOW(), EndTime = NOW(), KRVUpdate=0 WHERE ((Status = 8) "
       "AND (Name = '$maintenance') AND (KRVService = 'Svc 1'))",
       "insert into KorvaleTable1 (Start, EndTime, Name, Status, KRVUpdate, KRVService) "
       "values(NOW(), NOW(), '$maintenance', 8, 0, 'Svc 1')"},
      {Dialect::kOracle,
       "UPDATE KorvaleTable2 SET StartTime = SYSDATE, EndTime = SYSDATE WHERE ((Status = 8) AND "
       "(Name = '$maintenance'))",
       "insert into KorvaleTable2 (StartTime, EndTime, Name, Status) values(SYSDATE, SYSDATE, "
       "'$maintenance', 8)",
       "UPDATE KorvaleTable1 SET StartTime = SYSDATE, EndTime = SYSDATE, KRVUpdate=0 WHERE ((Status "
       "= 8) AND (Name = '$maintenance') AND (KRVService = 'Svc 1'))",
       "insert into KorvaleTable1 (StartTime, EndTime, Name, Status, KRVUpdate, KRVService) "
       "values(SYSDATE, SYSDATE, '$maintenance', 8, 0, 'Svc 1')"},
      {Dialect::kSQLite,
       "UPDATE KorvaleTable2 SET Start = datetime('now','localtime'), EndTime = "
       "datetime('now','localtime') WHERE ((Status = 8) AND (Name = '$maintenance'))",
       "insert into KorvaleTable2 (Start, EndTime, Name, Status) values(datetime('now','localtime'), "
       "datetime('now','localtime'), '$maintenance', 8)",
       "UPDATE KorvaleTable1 SET Start = datetime('now','localtime'), EndTime = "
       "datetime('now','localtime'), KRVUpdate=0 WHERE ((Status = 8) AND (Name = '$maintenance') "
       "AND (KRVService = 'Svc 1'))",
       "insert into KorvaleTable1 (Start, EndTime, Name, Status, KRVUpdate, KRVService) "
       "values(datetime('now','localtime'), datetime('now','localtime'), '$maintenance', 8, 0, "
       "'Svc 1')"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(DialectName(row.dialect));
    const AgentSettings plain = SettingsFor(row.dialect);
    const AgentSettings shared = Shared(row.dialect);
    EXPECT_EQ(MaintenanceUpdateStatement(plain, "KorvaleTable2", "Svc 1"), row.update);
    EXPECT_EQ(MarkerInsertStatement(plain, "KorvaleTable2", "$maintenance", "Svc 1"), row.insert);
    EXPECT_EQ(MaintenanceUpdateStatement(shared, "KorvaleTable1", "Svc 1"), row.shared_update);
    EXPECT_EQ(MarkerInsertStatement(shared, "KorvaleTable1", "$maintenance", "Svc 1"), row.shared_insert);
  }
}

TEST(MarkerStatements, MarkerSelect) {
  EXPECT_EQ(MarkerSelectStatement(SettingsFor(Dialect::kOracle), "KorvaleTable2", "$maintenance", "Svc"),
            "SELECT * FROM KorvaleTable2 WHERE ((Status=8) AND (Name='$maintenance'))");
  EXPECT_EQ(MarkerSelectStatement(Shared(Dialect::kSQLite), "KorvaleTable1", "$canbookmeetings", "O'Svc"),
            "SELECT * FROM KorvaleTable1 WHERE ((Status=8) AND (Name='$canbookmeetings') AND "
            "(KRVService='O''Svc'))");
}

struct CanBookRow {
  Dialect dialect;
  const char* insert;
  const char* shared_update;
};

TEST(MarkerStatements, CanBookMeetingsAtTheEndOfTheCycle) {
  const CanBookRow rows[] = {
      {Dialect::kAccess,
       "INSERT INTO KorvaleTable2 (Start, EndTime, ACL, Status, Name) values (Now, Now, 'a; O''Neil', "
       "8, '$canbookmeetings')",
       "UPDATE KorvaleTable1 SET Start = Now, EndTime = Now, KRVUpdate=0, ACL='a; O''Neil' WHERE "
       "((Status = 8) AND (Name = '$canbookmeetings') AND (KRVService = 'Svc'))"},
      {Dialect::kSqlServer,
       "INSERT INTO KorvaleTable2 (Start, EndTime, ACL, Status, Name) values (GETDATE(), GETDATE(), "
       "'a; O''Neil', 8, '$canbookmeetings')",
       "UPDATE KorvaleTable1 SET Start = GETDATE(), EndTime = GETDATE(), KRVUpdate=0, ACL='a; "
       "O''Neil' WHERE ((Status = 8) AND (Name = '$canbookmeetings') AND (KRVService = 'Svc'))"},
      {Dialect::kMySql,
       "INSERT INTO KorvaleTable2 (Start, EndTime, ACL, Status, Name) values (NOW(), NOW(), 'a; "
       "O''Neil', 8, '$canbookmeetings')",
       "UPDATE KorvaleTable1 SET Start = NOW(), EndTime = NOW(), KRVUpdate=0, ACL='a; O''Neil' "
       "WHERE ((Status = 8) AND (Name = '$canbookmeetings') AND (KRVService = 'Svc'))"},
      {Dialect::kOracle,
       "INSERT INTO KorvaleTable2 (StartTime, EndTime, ACL, Status, Name) values (SYSDATE, SYSDATE, "
       "'a; O''Neil', 8, '$canbookmeetings')",
       "UPDATE KorvaleTable1 SET StartTime = SYSDATE, EndTime = SYSDATE, KRVUpdate=0, ACL='a; "
       "O''Neil' WHERE ((Status = 8) AND (Name = '$canbookmeetings') AND (KRVService = 'Svc'))"},
      {Dialect::kSQLite,
       "INSERT INTO KorvaleTable2 (Start, EndTime, ACL, Status, Name) values "
       "(datetime('now','localtime'), datetime('now','localtime'), 'a; O''Neil', 8, "
       "'$canbookmeetings')",
       "UPDATE KorvaleTable1 SET Start = datetime('now','localtime'), EndTime = "
       "datetime('now','localtime'), KRVUpdate=0, ACL='a; O''Neil' WHERE ((Status = 8) AND (Name = "
       "'$canbookmeetings') AND (KRVService = 'Svc'))"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(DialectName(row.dialect));
    EXPECT_EQ(CanBookMeetingsEndStatement(SettingsFor(row.dialect), "KorvaleTable2", "a; O'Neil", "Svc"),
              row.insert);
    EXPECT_EQ(CanBookMeetingsEndStatement(Shared(row.dialect), "KorvaleTable1", "a; O'Neil", "Svc"),
              row.shared_update);
  }
}

TEST(CycleStatements, SharedTableAppendAndPublication) {
  for (Dialect d :
       {Dialect::kAccess, Dialect::kSqlServer, Dialect::kMySql, Dialect::kOracle, Dialect::kSQLite}) {
    SCOPED_TRACE(DialectName(d));
    const AgentSettings s = Shared(d);
    EXPECT_EQ(MarkStaleRowsStatement(s, "KorvaleTable1", "Korvale Update Service"),
              "UPDATE KorvaleTable1 SET KRVUpdate = 1 WHERE (((KRVService='Korvale Update "
              "Service') AND (Status<>8)) OR (KRVService IS NULL))");
    EXPECT_EQ(DeleteStaleRowsStatement(s, "KorvaleTable1", "Korvale Update Service"),
              "DELETE FROM KorvaleTable1 WHERE ((KRVUpdate = 1) AND ((KRVService='Korvale Update "
              "Service') OR (KRVService IS NULL)))");
    // The per-mailbox pair leaves the booking user rows (Status 9) alone and
    // takes the mailbox name as the scan already quoted it.
    EXPECT_EQ(MarkMailboxRowsStatement(d, "KorvaleTable1", "O''Neil", "Ann's"),
              "UPDATE KorvaleTable1 SET KRVUpdate = 1 WHERE ((Name='O''Neil') AND (Status <> 9) AND "
              "((KRVService='Ann''s') OR (KRVService IS NULL)))");
    EXPECT_EQ(DeleteUnconfirmedMailboxRowsStatement(d, "KorvaleTable1", "O''Neil", "Ann's"),
              "DELETE FROM KorvaleTable1 WHERE ((Name='O''Neil') AND (Status <> 9) AND (KRVUpdate = "
              "1) AND (KRVService = 'Ann''s'))");
  }
  EXPECT_EQ(AppendTableStatement("KorvaleTable2", "Holidays"),
            "INSERT INTO KorvaleTable2 SELECT * FROM Holidays");
  EXPECT_EQ(PublishStatement("KorvaleTable2"),
            "insert into KorvaleConfig (ActiveTable) values('KorvaleTable2')");
  EXPECT_EQ(SwitchStatement("KorvaleTable2"), "UPDATE KorvaleConfig SET ActiveTable='KorvaleTable2'")
      << "one statement, so the pages never find KorvaleConfig without a row";
}

}  // namespace
}  // namespace korvale
