#include "agent/core/read_settings.h"

#include <gtest/gtest.h>

#include "common/password_scramble.h"
#include "tests/support/temp_dir.h"

namespace korvale {
namespace {

class NullLog : public AgentLog {
 public:
  void LogEvent(EventType, uint32_t id, OptText text, OptText, OptText) override {
    ids.push_back(id);
    texts.emplace_back(text.value_or(""));
    if (throw_once) {
      throw_once = false;
      throw 42;  // not a std::exception
    }
  }
  void LogSqlStatement(OptText, OptText, OptText) override {}
  std::vector<uint32_t> ids;
  std::vector<std::string> texts;
  bool throw_once = false;
};

class ReadSettingsTest : public ::testing::Test {
 protected:
  AgentSettings Read(const std::string& ini_text) {
    testing::WriteFileBytes(ini_, ini_text);
    AgentSettings s;
    ReadSettings(ini_, s, log_);
    return s;
  }
  testing::TempDir dir_;
  std::string ini_ = dir_.File("Caldrun.ini");
  NullLog log_;
};

TEST_F(ReadSettingsTest, MissingFileGivesEveryDefault) {
  AgentSettings s;
  ReadSettings(dir_.File("absent.ini"), s, log_);
  EXPECT_EQ(s.backup_log, 1);
  EXPECT_EQ(s.days_past, 15);
  EXPECT_EQ(s.days_ahead, 365);
  EXPECT_EQ(s.days_past_delete_bookings, 60);
  EXPECT_EQ(s.limit_categories_busy_status, -1);
  EXPECT_EQ(s.recreate_mapi_profile, 1);
  EXPECT_EQ(s.inbox_notification_direct_booked_appt, 1);
  EXPECT_EQ(s.appt_booked_by_text, "Booked by %s\n");
  EXPECT_EQ(s.date_literal_format, "{ts '%Y-%m-%d %H:%M:%S'}");
  EXPECT_EQ(s.notif_email_subject, "A new meeting was booked in your calendar");
  EXPECT_TRUE(s.group_names.empty());
  EXPECT_TRUE(log_.ids.empty());
}

// Keys are found without regard to case and the first occurrence wins.
TEST_F(ReadSettingsTest, IntegersAndTextsAsTheProfileReadsThem) {
  auto s = Read(
      "[config]\r\ndayspast = 3\r\nDaysPast=9\r\nDaysAhead=12abc\r\nCycleTime=x5\r\n"
      "DB=korvale\r\nDateTimeFormat=%d.%m.%Y %H:%M\r\n");
  EXPECT_EQ(s.days_past, 3);
  EXPECT_EQ(s.days_ahead, 12);
  EXPECT_EQ(s.cycle_time, 0);
  EXPECT_EQ(s.db, "korvale");
  EXPECT_EQ(s.date_literal_format, "'%d.%m.%Y %H:%M'");
}

TEST_F(ReadSettingsTest, DateFormatPercentCInAnyCaseIsTheTimestampEscape) {
  EXPECT_EQ(Read("[Config]\nDateTimeFormat=%C\n").date_literal_format, "{ts '%Y-%m-%d %H:%M:%S'}");
}

TEST_F(ReadSettingsTest, ConditionalKeysReadOnlyWhenTheirSwitchIsOn) {
  std::string body =
      "NotificationMailbox=svc\nNotificationEmail=admin@x\nSQLLogToFile=/tmp/x\n"
      "InboxNotificationExceptionList=Boss\n";
  auto off = Read("[Config]\nInboxNotificationDirectBookedAppt=0\n" + body);
  EXPECT_EQ(off.notification_mailbox, "");
  EXPECT_EQ(off.notification_email, "");
  EXPECT_EQ(off.sql_log_to_file, "");
  EXPECT_EQ(off.inbox_notification_exception_list, "");
  auto on = Read("[Config]\nCheckMeetingModifications=1\nSQLLog=1\n" + body);
  EXPECT_EQ(on.notification_mailbox, "svc");
  EXPECT_EQ(on.notification_email, "admin@x");
  EXPECT_EQ(on.sql_log_to_file, "/tmp/x");
  EXPECT_EQ(on.inbox_notification_exception_list, "Boss");
}

// The administrators get copies of inbox notifications without the change
// check: each copy setting alone makes the addresses read.
TEST_F(ReadSettingsTest, AdministratorAddressesReadForEveryCopySetting) {
  for (const char* key : {"NotifyAdminsCreate", "NotifyAdminsModify", "NotifyAdminsDelete"}) {
    SCOPED_TRACE(key);
    auto s = Read(std::string("[Config]\nCheckMeetingModifications=0\n") + key +
                  "=1\nNotificationEmail=admin@x; boss@x\n");
    EXPECT_EQ(s.notification_email, "admin@x; boss@x");
  }
  EXPECT_EQ(Read("[Config]\nNotificationEmail=admin@x\n").notification_email, "")
      << "read only when something sends to the administrators";
}

// Group numbering must be gap-free; DL and Group lists are read by separate loops.
TEST_F(ReadSettingsTest, ScanGroupsStopAtTheFirstGap) {
  auto s = Read(
      "[Config]\nDL1=Anna;Bert\nGroup1Skip=Bert\nDL2=Carl\nGroup1=Sales\nGroup1DS=dsA\n"
      "Group1SetTZ=Tokyo Standard Time\nGroup1Local=0\nGroup3=Lost\n"
      "[Group1]\nAddr1=/o=Org/cn=anna\nAddr2=/o=Org/cn=bert\n");
  ASSERT_EQ(s.group_names, std::vector<std::string>{"Sales"});
  EXPECT_EQ(s.member_name_lists, (std::vector<std::string>{"Anna;Bert", "Carl"}));
  EXPECT_EQ(s.skip_lists, (std::vector<std::string>{"Bert", ""}));
  EXPECT_EQ(s.local_flags, std::vector<uint8_t>{0});
  EXPECT_EQ(s.group_datasources, std::vector<std::string>{"dsA"});
  EXPECT_EQ(s.group_time_zones, std::vector<std::string>{"Tokyo Standard Time"});
  EXPECT_EQ(s.member_address_lists, std::vector<std::string>{"/o=Org/cn=anna; /o=Org/cn=bert"});
}

TEST_F(ReadSettingsTest, EmptyDl1MeansNoMemberLists) {
  auto s = Read("[Config]\nGroup1=Sales\n[Group1]\nAddr1=x\n");
  EXPECT_TRUE(s.member_name_lists.empty());
  EXPECT_EQ(s.group_names.size(), 1u);
}

TEST_F(ReadSettingsTest, SetTzAllBlanksEveryGroupZone) {
  auto s = Read("[Config]\nSetTZAll=1\nGroup1=A\nGroup1SetTZ=Tokyo Standard Time\n");
  EXPECT_EQ(s.group_time_zones, std::vector<std::string>{""});
}

TEST_F(ReadSettingsTest, ServersWithTruncatedTimeDifference) {
  auto s = Read(
      "[Config]\nServer1=SRV1\nServer2=SRV2\nServer4=SRV4\n"
      "[Server1]\nTimeDiff=-1.5\nDS=ds1\nPDC=dc1\n[Server2]\nTimeDiff=abc\n");
  ASSERT_EQ(s.servers.size(), 2u);
  EXPECT_EQ(s.servers[0].time_diff, -1);
  EXPECT_EQ(s.servers[0].ds, "ds1");
  EXPECT_EQ(s.servers[0].pdc, "dc1");
  EXPECT_EQ(s.servers[1].time_diff, 0);
}

TEST_F(ReadSettingsTest, DialectFlags) {
  auto two = Read("[Config]\nSQLServer=2\n");
  EXPECT_FALSE(two.sql_server_family_flag) << "only exactly 1 selects SQL Server";
  auto mysql = Read("[Config]\nmySQL=1\n");
  EXPECT_TRUE(mysql.mysql_flag);
  EXPECT_TRUE(mysql.sql_server_family_flag);
  EXPECT_TRUE(Read("[Config]\nOracle=3\n").oracle_flag);
  EXPECT_TRUE(Read("[Config]\nSQLite=1\n").sqlite_flag);
}

// An unknown type name is dropped, so later names pair with the following types.
// One table mode for the whole agent: only NewDB=1 shares the table. With
// NewDB=2 the row writer once looked rows up as in a shared table while the
// publication rotated, on tables made without the shared-table columns.
TEST_F(ReadSettingsTest, TableModeIsSharedOnlyForNewDbOne) {
  EXPECT_EQ(Read("[Config]\r\n").table_mode, TableMode::kRotation);
  EXPECT_EQ(Read("[Config]\r\nNewDB=1\r\n").table_mode, TableMode::kShared);
  EXPECT_EQ(Read("[Config]\r\nNewDB=2\r\n").table_mode, TableMode::kRotation)
      << "every part of the agent must agree on the mode";
  EXPECT_EQ(Read("[Config]\r\nNewDB=-1\r\n").table_mode, TableMode::kRotation);
}

TEST_F(ReadSettingsTest, CustomFieldsPairByPosition) {
  auto s = Read(
      "[Config]\nCustomFieldsSelected=Cost; 0x8503;Text\n"
      "CustomFieldsTypesSelected=pt_long; PT_BOGUS;PT_BOOLEAN\n");
  EXPECT_EQ(s.custom_field_names, (std::vector<std::string>{"Cost", "0x8503", "Text"}));
  EXPECT_EQ(s.custom_field_types, (std::vector<uint32_t>{3, 11}));
  // "Text" is left without a type: it is published as text, and the reader says so.
  EXPECT_EQ(log_.ids, std::vector<uint32_t>{137});
  EXPECT_EQ(log_.texts, std::vector<std::string>{"The custom field Text has no valid type in "
                                                 "CustomFieldsTypesSelected. It is published as text "
                                                 "(PT_STRING8)."});
}

// Whatever is thrown while reading, the reader reports it and keeps what it read.
TEST_F(ReadSettingsTest, AnyExceptionIsReportedAndTheSettingsReadStay) {
  log_.throw_once = true;  // the first report throws something that is no std::exception
  auto s = Read("[Config]\nDaysAhead=42\nCustomFieldsSelected=Untyped\n");
  EXPECT_EQ(s.days_ahead, 42);
  ASSERT_EQ(log_.texts.size(), 2u);
  EXPECT_EQ(log_.texts[1], "General Error getting INI settings.");
}

TEST_F(ReadSettingsTest, PasswordFromGuid2) {
  EXPECT_EQ(Read("[Config]\nGUID2=462718390\n").database_password, "");
  EXPECT_EQ(Read("[Config]\nGUID2=" + ScramblePassword("s3cret") + "\n").database_password, "s3cret");
}

TEST_F(ReadSettingsTest, DstPeriodReadOnlyWithGlobalTimeDiff) {
  std::string dst =
      "[DST]\nStartYear=2026\nStartMonth=3\nStartDay=29\nStartHour=2\n"
      "EndYear=2026\nEndMonth=10\nEndDay=25\nEndHour=3\n";
  auto off = Read("[Config]\n" + dst);
  EXPECT_EQ(off.dst_start.wYear, 0);
  auto on = Read("[Config]\nGlobalTimeDiff=1\n" + dst);
  EXPECT_EQ(on.dst_start.wMonth, 3);
  EXPECT_EQ(on.dst_start.wHour, 2);
  EXPECT_EQ(on.dst_end.wDay, 25);
  EXPECT_EQ(on.dst_end.wMinute, 0);
}

// Garbage must never stop the agent: unreadable keys read as their defaults.
TEST_F(ReadSettingsTest, BinaryGarbageReadsAsDefaults) {
  std::string garbage;
  for (int i = 0; i < 4096; ++i) garbage += static_cast<char>((i * 131 + 7) % 256);
  auto s = Read(garbage + "\n[Config]\nDaysAhead=99999999999999\nDaysPast=-5\n");
  EXPECT_EQ(s.backup_log, 1);
  EXPECT_GT(s.days_ahead, 0) << "an overflowing number clamps instead of wrapping";
  EXPECT_EQ(s.days_past, -5);
  EXPECT_TRUE(log_.ids.empty());
}

// A settings file of the size large organisations reach (about 296 000
// DLn=/Groupn= lines, 10 MB) is read whole and right. Reading used to parse the
// file once per key, which never finished for a file like this one.
TEST_F(ReadSettingsTest, HundredsOfThousandsOfGroupLines) {
  constexpr int kGroups = 148000;
  std::string text = "[Config]\r\nDaysPast=4\r\n";
  text.reserve(11u << 20);
  for (int n = 1; n <= kGroups; ++n) {
    std::string number = std::to_string(n);
    text += "DL" + number + "=Member " + number + ";Other member " + number + "\r\n";
    text += "Group" + number + "=Scan group number " + number + "\r\n";
  }
  text += "DaysAhead=77\r\n[Group148000]\r\nAddr1=/o=Org/cn=last\r\n";
  auto s = Read(text);
  ASSERT_EQ(s.group_names.size(), static_cast<size_t>(kGroups));
  ASSERT_EQ(s.member_name_lists.size(), static_cast<size_t>(kGroups));
  EXPECT_EQ(s.group_names.front(), "Scan group number 1");
  EXPECT_EQ(s.member_name_lists[4711], "Member 4712;Other member 4712");
  EXPECT_EQ(s.group_names.back(), "Scan group number 148000");
  EXPECT_EQ(s.member_address_lists.back(), "/o=Org/cn=last");
  EXPECT_EQ(s.days_past, 4);
  EXPECT_EQ(s.days_ahead, 77) << "a key after all the groups is still found";
  EXPECT_TRUE(log_.ids.empty());
}

// One value of 12 MB is read once and cut to its buffer like any other.
TEST_F(ReadSettingsTest, HugeSingleValueIsCutToItsBuffer) {
  std::string huge(12u << 20, 'x');
  auto s = Read("[Config]\r\nExcludeCategories=" + huge + "\r\nDL1=" + huge +
                "\r\nGroup1=Sales\r\nDaysPast=3\r\n");
  EXPECT_EQ(s.exclude_categories, std::string(999, 'x'));
  ASSERT_EQ(s.member_name_lists.size(), 1u);
  EXPECT_EQ(s.member_name_lists[0], std::string(9999, 'x'));
  EXPECT_EQ(s.group_names, std::vector<std::string>{"Sales"});
  EXPECT_EQ(s.days_past, 3);
}

// What the reader tells about the file itself, for the warning about damaged files.
TEST_F(ReadSettingsTest, FactsAboutTheFile) {
  AgentSettings s;
  SettingsFileFacts missing = ReadSettings(dir_.File("absent.ini"), s, log_);
  EXPECT_FALSE(missing.exists);
  testing::WriteFileBytes(ini_, "[Config]\r\nDB=x\r\nDays");
  SettingsFileFacts cut = ReadSettings(ini_, s, log_);
  EXPECT_TRUE(cut.exists);
  EXPECT_TRUE(cut.readable);
  EXPECT_TRUE(cut.has_config_section);
  EXPECT_TRUE(cut.ends_inside_line);
  testing::WriteFileBytes(ini_, "[Other]\r\nDB=x\r\n");
  SettingsFileFacts other = ReadSettings(ini_, s, log_);
  EXPECT_FALSE(other.has_config_section);
  EXPECT_FALSE(other.ends_inside_line);
}

}  // namespace
}  // namespace korvale
