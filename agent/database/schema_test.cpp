// CREATE TABLE statements and the optional columns, against their literal
// texts: other programs read these tables by these names and types.
#include "agent/database/schema.h"

#include <gtest/gtest.h>

#include "agent/database/dialect_settings_for_test.h"
#include "agent/database/optional_columns.h"

namespace korvale {
namespace {

using testing::DialectName;
using testing::SettingsFor;

struct StatementRow {
  Dialect dialect;
  const char* expected;
};

TEST(Schema, GroupsTable) {
  const StatementRow rows[] = {
      {Dialect::kAccess,
       "create table Groups (Name TEXT(50) NOT NULL, NTUser TEXT(50) NOT NULL, "
       "Members LONGTEXT, Title TEXT(250) NOT NULL)"},
      {Dialect::kSqlServer,
       "create table Groups (Name varchar(50) NOT NULL, NTUser varchar(50) NOT "
       "NULL, Members text, Title varchar(250) NOT NULL)"},
      {Dialect::kMySql,
       "create table Groups (Name varchar(50) NOT NULL, NTUser varchar(50) NOT "
       "NULL, Members text, Title varchar(250) NOT NULL)"},
      {Dialect::kOracle,
       "create table KRVGroups (Name varchar2(50) NOT NULL, NTUser varchar2(50) "
       "NOT NULL, Members varchar2(2000), Title varchar2(250) NOT NULL)"},
      {Dialect::kSQLite,
       "create table Groups (Name varchar(50) NOT NULL, NTUser varchar(50) NOT "
       "NULL, Members text, Title varchar(250) NOT NULL)"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(CreateGroupsTable(SettingsFor(row.dialect)), row.expected) << DialectName(row.dialect);
  }
}

TEST(Schema, MeetingsTable) {
  const StatementRow rows[] = {
      {Dialect::kAccess,
       "create table Meetings (Name TEXT(50) NOT NULL, Start datetime NOT NULL, EndTime datetime "
       "NOT NULL, Title TEXT(250), Status smallint NOT NULL, Location TEXT(50), Phone TEXT(50), "
       "Office TEXT(50), Initials TEXT(50), ACL LONGTEXT, Category TEXT(50), DL TEXT(250), "
       "Organizer TEXT(50), Attendees LONGTEXT, TimeBooked datetime, BookingStatus smallint, "
       "Reserved1 TEXT(50), Reserved2 TEXT(50), Reserved3 TEXT(50), ACLw LONGTEXT)"},
      {Dialect::kSqlServer,
       "create table Meetings (Name varchar(50) NOT NULL, Start datetime NOT NULL, EndTime "
       "datetime NOT NULL, Title varchar(250), Status smallint NOT NULL, Location varchar(50), "
       "Phone varchar(50), Office varchar(50), Initials varchar(50), ACL text, Category "
       "varchar(50), DL varchar(250), Organizer varchar(50), Attendees text, TimeBooked datetime, "
       "BookingStatus smallint, Reserved1 varchar(50), Reserved2 varchar(50), Reserved3 "
       "varchar(50), ACLw text)"},
      {Dialect::kOracle,
       "create table Meetings (Name varchar2(50) NOT NULL, StartTime DATE NOT NULL, EndTime DATE "
       "NOT NULL, Title varchar2(250), Status NUMBER NOT NULL, Location varchar2(50), Phone "
       "varchar2(50), Office varchar2(50), Initials varchar2(50), ACL varchar2(2000), Category "
       "varchar2(50), DL varchar2(250), Organizer varchar2(50), Attendees varchar2(2000), "
       "TimeBooked DATE, BookingStatus NUMBER, Reserved1 varchar2(50), Reserved2 varchar2(50), "
       "Reserved3 varchar2(50), ACLw varchar2(2000))"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(CreateMeetingsTable(SettingsFor(row.dialect)), row.expected) << DialectName(row.dialect);
  }
  // MySQL and SQLite write the SQL Server types.
  EXPECT_EQ(CreateMeetingsTable(SettingsFor(Dialect::kMySql)),
            CreateMeetingsTable(SettingsFor(Dialect::kSqlServer)));
  EXPECT_EQ(CreateMeetingsTable(SettingsFor(Dialect::kSQLite)),
            CreateMeetingsTable(SettingsFor(Dialect::kSqlServer)));
}

TEST(Schema, WebPageTables) {
  struct Row {
    Dialect dialect;
    const char* profiles;
    const char* user_pics;
    const char* krv_users;
    const char* config;
  };
  const Row rows[] = {
      {Dialect::kAccess,
       "create table Profiles (NTUser TEXT(250), P1 TEXT(250), P2 TEXT(250), P3 TEXT(250), P4 "
       "TEXT(250), P5 LONGTEXT)",
       "create table UserPics (Alias TEXT(250), PicPath LONGTEXT)",
       "create table KRVUsers (Ausername TEXT(250) NULL, Apassword TEXT(250) NULL, Aregdate "
       "datetime NULL, Afirstusedate datetime NULL, Alastusedate datetime NULL, Aneedpwchange bit "
       "NULL)",
       "create table KorvaleConfig (ActiveTable TEXT(50))"},
      {Dialect::kSQLite,
       "create table Profiles (NTUser varchar(250), P1 varchar(250), P2 varchar(250), P3 "
       "varchar(250), P4 varchar(250), P5 text)",
       "create table UserPics (Alias varchar(250), PicPath text)",
       "create table KRVUsers (Ausername varchar(250) NULL, Apassword varchar(250) NULL, Aregdate "
       "datetime NULL, Afirstusedate datetime NULL, Alastusedate datetime NULL, Aneedpwchange bit "
       "NULL)",
       "create table KorvaleConfig (ActiveTable varchar(50))"},
      {Dialect::kOracle,
       "create table Profiles (NTUser varchar2(250), P1 varchar2(250), P2 varchar2(250), P3 "
       "varchar2(250), P4 varchar2(250), P5 varchar2(2000))",
       "create table UserPics (Alias varchar2(250), PicPath varchar2(2000))",
       "create table KRVUsers (Ausername varchar2(250) NULL, Apassword varchar2(250) NULL, "
       "Aregdate DATE NULL, Afirstusedate DATE NULL, Alastusedate DATE NULL, Aneedpwchange NUMBER "
       "NULL)",
       "create table KorvaleConfig (ActiveTable varchar2(50))"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(DialectName(row.dialect));
    const AgentSettings s = SettingsFor(row.dialect);
    EXPECT_EQ(CreateProfilesTable(s), row.profiles);
    EXPECT_EQ(CreateUserPicsTable(s), row.user_pics);
    EXPECT_EQ(CreateKrvUsersTable(s), row.krv_users);
    EXPECT_EQ(CreateKorvaleConfigTable(s), row.config);
  }
}

constexpr char kSqlServerCalendarColumns[] =
    "Name varchar(50) NOT NULL, Start datetime NOT NULL, EndTime datetime NOT NULL, Title "
    "varchar(250), Status smallint NOT NULL, Location varchar(50), Phone varchar(50), Office "
    "varchar(50), Initials varchar(50), ACL text, Category varchar(50), DL varchar(250), "
    "Organizer varchar(50), Attendees text, Datasource varchar(50), TimeDifference NUMERIC(2,1), "
    "Alias varchar(50), Department varchar(50), Reserved3 varchar(50), KRVBookingNumber "
    "varchar(250), ProfTitle varchar(50), OffFax varchar(50), HomePhone varchar(50), MobilePhone "
    "varchar(50), AdrComment text";

TEST(Schema, CalendarTablePlain) {
  EXPECT_EQ(CreateCalendarTable(SettingsFor(Dialect::kSqlServer), "KorvaleTable1", {}),
            std::string("create table KorvaleTable1 (") + kSqlServerCalendarColumns +
                ", ACLw text, AssocNTAcc varchar(50))");
  EXPECT_EQ(CreateCalendarTable(SettingsFor(Dialect::kAccess), "KorvaleTable2", {}),
            "create table KorvaleTable2 (Name TEXT(50) NOT NULL, Start datetime NOT NULL, EndTime "
            "datetime NOT NULL, Title TEXT(250), Status smallint NOT NULL, Location TEXT(50), Phone "
            "TEXT(50), Office TEXT(50), Initials TEXT(50), ACL LONGTEXT, Category TEXT(50), DL "
            "TEXT(250), Organizer TEXT(50), Attendees LONGTEXT, Datasource TEXT(50), TimeDifference "
            "REAL, Alias TEXT(50), Department TEXT(50), Reserved3 TEXT(50), KRVBookingNumber "
            "TEXT(250), ProfTitle TEXT(50), OffFax TEXT(50), HomePhone TEXT(50), MobilePhone "
            "TEXT(50), AdrComment LONGTEXT, ACLw LONGTEXT, AssocNTAcc TEXT(50))");
}

TEST(Schema, CalendarTableSharedWithCompanyCustomAndOptionalColumns) {
  AgentSettings s = SettingsFor(Dialect::kMySql);
  s.table_mode = TableMode::kShared;
  s.get_contact_company = 1;
  s.custom_field_names = {"Cost Centre", "", "Rate", "Done", "Tags", "Due", "Blob", "It's"};
  s.custom_field_types = {3, 3, 5, 11, 4127, 64, 258, 30};
  const OptionalColumns optional = SelectOptionalColumns("AllDayEvent Text StoreID");
  EXPECT_EQ(CreateCalendarTable(s, "KorvaleTable1", optional),
            std::string("create table KorvaleTable1 (") + kSqlServerCalendarColumns +
                ", ApptID BINARY(160), KRVUpdate bit, KRVService varchar(50), ACLw text, "
                "AssocNTAcc varchar(50), ContactCompanyName varchar(250), `Cost Centre` int NULL, "
                "`Rate` FLOAT, `Done` bit DEFAULT 0, `Tags` varchar(50), `Due` datetime, `Blob` varchar(50), "
                "`It''s` varchar(50), AllDayEvent bit DEFAULT 0, StoreID BINARY(160) NULL, ApptText "
                "varchar(250) NULL)");
}

TEST(Schema, OracleCalendarTableUsesStartTimeAndOracleTypes) {
  AgentSettings s = SettingsFor(Dialect::kOracle);
  s.table_mode = TableMode::kShared;
  s.custom_field_names = {"Count", "Rate", "Flag", "When"};
  s.custom_field_types = {2, 6, 11, 64};
  const std::string sql =
      CreateCalendarTable(s, "KorvaleTable1", SelectOptionalColumns("Duration Created Reminder"));
  EXPECT_EQ(sql.rfind("create table KorvaleTable1 (Name varchar2(50) NOT NULL, StartTime DATE NOT "
                      "NULL, EndTime DATE NOT NULL, Title varchar2(250), Status NUMBER NOT NULL, ",
                      0),
            0u)
      << sql;
  EXPECT_NE(sql.find(", TimeDifference NUMBER(2,1), "), std::string::npos) << sql;
  EXPECT_NE(sql.find(", ApptID RAW(160), KRVUpdate NUMBER, KRVService varchar2(50), ACLw "
                     "varchar2(2000), AssocNTAcc varchar2(50), \"Count\" NUMBER NULL, \"Rate\" "
                     "NUMBER(2,1), \"Flag\" NUMBER DEFAULT 0, \"When\" DATE, Duration NUMBER NULL, "
                     "Reminder NUMBER DEFAULT 0, Created DATE NULL)"),
            std::string::npos)
      << sql;
}

TEST(OptionalColumns, KeyWordsAreFoundAnywhereInFields) {
  const OptionalColumns c = SelectOptionalColumns("ReminderSoundFile");
  EXPECT_TRUE(c.IsEnabled(OptionalColumn::kReminder)) << "substring test, as the settings expect";
  EXPECT_TRUE(c.IsEnabled(OptionalColumn::kReminderSound));
  EXPECT_TRUE(c.IsEnabled(OptionalColumn::kReminderSoundFile));
  EXPECT_FALSE(c.IsEnabled(OptionalColumn::kReminderOverrideDefault));
  EXPECT_EQ(c.first_group_count, 3);
  EXPECT_EQ(c.second_group_count, 0);
  EXPECT_EQ(c.column_name_list, ", Reminder, ReminderSound, ReminderSoundFile");
}

TEST(OptionalColumns, RenamedColumnsCountsAndOrder) {
  // Listed out of table order; "ReadReceipt" also contains "Read", "TimeSent" also "Sent".
  const OptionalColumns c = SelectOptionalColumns("TimeSent;Text;ReadReceipt;AllDayEvent");
  EXPECT_EQ(c.column_name_list, ", AllDayEvent, MsgRead, Sent, ReadReceipt, ApptText, TimeSent");
  EXPECT_EQ(c.first_group_count, 4);
  EXPECT_EQ(c.second_group_count, 2);
  EXPECT_EQ(SelectOptionalColumns("alldayevent").column_name_list, "") << "case-sensitive";
}

TEST(OptionalColumns, DefinitionsPerKind) {
  const OptionalColumns c = SelectOptionalColumns("AllDayEvent Duration Mileage Resources ReplyTime StoreID");
  EXPECT_EQ(OptionalColumnDefinitions(SettingsFor(Dialect::kAccess), c),
            ", AllDayEvent bit, Duration int NULL, Mileage TEXT(50) NULL, ReplyTime datetime NULL, "
            "Resources LONGTEXT NULL, StoreID BINARY(160) NULL");
  EXPECT_EQ(OptionalColumnDefinitions(SettingsFor(Dialect::kOracle), c),
            ", AllDayEvent NUMBER DEFAULT 0, Duration NUMBER NULL, Mileage varchar2(50) NULL, "
            "ReplyTime DATE NULL, Resources varchar2(2000) NULL, StoreID RAW(160) NULL");
}

TEST(OptionalColumns, EveryColumnCanBeEnabled) {
  std::string all;
  for (size_t i = 0; i < kOptionalColumnCount; ++i) {
    all += Describe(static_cast<OptionalColumn>(i)).key_word;
    all += ' ';
  }
  const OptionalColumns c = SelectOptionalColumns(all);
  EXPECT_EQ(c.first_group_count, 46);
  EXPECT_EQ(c.second_group_count, 7);
}

}  // namespace
}  // namespace korvale
