// Loading Caldrun.ini into the configuration program's record: the program's
// own read defaults, the precedence rules that turn several keys into one
// field, and the lists read until the first gap.
#include "config/load_settings.h"

#include <gtest/gtest.h>

#include "common/password_scramble.h"
#include "tests/support/temp_dir.h"

namespace korvale::config {
namespace {

class LoadSettingsTest : public ::testing::Test {
 protected:
  ConfigSettings Load(const std::string& text) {
    testing::WriteFileBytes(ini_, text);
    return LoadSettings(ini_);
  }
  testing::TempDir dir_;
  std::string ini_ = dir_.File("Caldrun.ini");
};

TEST_F(LoadSettingsTest, MissingFileGivesTheReadDefaults) {
  ConfigSettings s = LoadSettings(dir_.File("absent.ini"));
  EXPECT_EQ(s.cycle_time, 60);
  EXPECT_EQ(s.days_past, 60) << "the program's default, not the agent's";
  EXPECT_EQ(s.days_ahead, 60);
  EXPECT_EQ(s.appt_booked_by_text, "Booked by %s\\n") << "a literal backslash and n";
  EXPECT_EQ(s.date_time_format, "%c");
  EXPECT_TRUE(s.suppress_holidays) << "Holidays absent reads as 0: suppression on";
  EXPECT_TRUE(s.log_events);
  EXPECT_TRUE(s.success_log);
  EXPECT_TRUE(s.backup_log);
  EXPECT_FALSE(s.sql_log);
  EXPECT_EQ(s.database_type, DatabaseType::kAccess);
  EXPECT_TRUE(s.groups.empty());
  EXPECT_TRUE(s.servers.empty());
  EXPECT_TRUE(s.custom_filters.empty());
}

TEST_F(LoadSettingsTest, DatabaseTypePrecedence) {
  struct Case {
    const char* keys;
    DatabaseType type;
  } cases[] = {
      {"mySQL=1\r\nSQLServer=1\r\n", DatabaseType::kMySql},
      {"SQLServer=1\r\nOracle=1\r\n", DatabaseType::kSqlServer},
      // Read as the agent reads them, so that saving keeps the agent's dialect.
      {"SQLServer=2\r\n", DatabaseType::kAccess},
      {"SQLServer=2\r\nOracle=1\r\n", DatabaseType::kOracle},
      {"Oracle=1\r\n", DatabaseType::kOracle},
      {"mySQL=2\r\n", DatabaseType::kMySql},
      {"", DatabaseType::kAccess},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.keys);
    EXPECT_EQ(Load(std::string("[Config]\r\n") + c.keys).database_type, c.type);
  }
}

TEST_F(LoadSettingsTest, DetailsAttributeForcesMinimalSecurity) {
  ConfigSettings s = Load("[Config]\r\nMailboxCustomAttribute=3\r\nSecurityLevel=0\r\n");
  EXPECT_EQ(s.security_level, kSecurityMinimal);
  EXPECT_EQ(s.mailbox_custom_attribute, 3);
  EXPECT_EQ(Load("[Config]\r\nMailboxCustomAttribute=0\r\nSecurityLevel=2\r\n").security_level,
            kSecurityFull);
}

TEST_F(LoadSettingsTest, FiltersFromCustomFiltersAlone) {
  ConfigSettings s = Load("[Config]\r\nCustomFilters=A; B\r\n");
  ASSERT_EQ(s.custom_filters.size(), 2u);
  EXPECT_EQ(s.custom_filters[0].field, "A");
  EXPECT_EQ(s.custom_filters[0].display, "A") << "the display name defaults to the field";
  EXPECT_EQ(s.custom_filters[1].display, "B");
  EXPECT_EQ(s.custom_filters[1].logic, "AND");
  EXPECT_EQ(s.custom_filters[1].select, "SELECT * FROM Groups");
}

TEST_F(LoadSettingsTest, NumberedFiltersTakeTheirOwnKeys) {
  ConfigSettings s = Load(
      "[Config]\r\nCustomFilters=Dept;Floor;Extra\r\nNumCustomFilters=2\r\nCustFilter2Display=Floor no.\r\n"
      "CustFilter2Logic=OR\r\nCustFilter2Select=SELECT Floor FROM Rooms\r\n");
  ASSERT_EQ(s.custom_filters.size(), 2u) << "NumCustomFilters counts, not the list";
  EXPECT_EQ(s.custom_filters[1].display, "Floor no.");
  EXPECT_EQ(s.custom_filters[1].logic, "OR");
  EXPECT_EQ(s.custom_filters[1].select, "SELECT Floor FROM Rooms");
}

TEST_F(LoadSettingsTest, EmptyPasswordMarkerInAnyCaseIsNoPassword) {
  EXPECT_EQ(Load("[Config]\r\nGUID2=462718390\r\n").db_password, "");
  EXPECT_EQ(Load("[Config]\r\nGUID2=" + ScramblePassword("s3cret") + "\r\n").db_password, "s3cret");
}

TEST_F(LoadSettingsTest, GroupsUntilTheFirstGapWithTheirMembers) {
  ConfigSettings s = Load(
      "[Config]\r\nGroup1=Staff\r\nDL1=All Staff;Gina\r\nGroup1Skip=Felix\r\nGroup2=Rooms\r\nGroup4=Lost\r\n"
      "[Group1]\r\nAddr1=/o=x/cn=all\r\nzzz=/o=x/cn=gina\r\n[Group2]\r\n");
  ASSERT_EQ(s.groups.size(), 2u) << "Group3 is missing, so Group4 is not read";
  EXPECT_EQ(s.groups[0].member_names, "All Staff;Gina");
  EXPECT_EQ(s.groups[0].member_addresses, "/o=x/cn=all; /o=x/cn=gina") << "all values, any key names";
  ASSERT_EQ(s.groups[0].agent_keys.size(), 1u);
  EXPECT_EQ(s.groups[0].agent_keys[0].first, "Skip");
  EXPECT_EQ(s.groups[1].member_names, "") << "no DL2";
  EXPECT_EQ(s.groups[1].member_addresses, "");
}

TEST_F(LoadSettingsTest, ServersWithTheirDefaultsAndTypes) {
  ConfigSettings s = Load(
      "[Config]\r\nServer1=HQ1\r\nServer2=HQ2\r\n"
      "[Server1]\r\nTimeDiff=-3.5\r\nDS=hq\r\nSQL=1\r\nmySQL=1\r\nLocal=1\r\nPassword=" +
      ScramblePassword("pw") +
      "\r\nSiteName=Main\r\nPDC=\\\\dc1\r\nDatabase=cal\r\nDBServer=db1\r\n"
      "[Server2]\r\nOracle=1\r\n");
  ASSERT_EQ(s.servers.size(), 2u);
  const ServerEntry& hq = s.servers[0];
  EXPECT_DOUBLE_EQ(hq.time_diff, -3.5);
  EXPECT_EQ(hq.type, DatabaseType::kMySql) << "mySQL is read first";
  EXPECT_TRUE(hq.local);
  EXPECT_EQ(hq.password, "pw");
  EXPECT_EQ(hq.pdc, "\\\\dc1");
  EXPECT_EQ(hq.database_name, "cal");
  EXPECT_EQ(hq.database_server, "db1");
  const ServerEntry& other = s.servers[1];
  EXPECT_EQ(other.type, DatabaseType::kOracle);
  EXPECT_DOUBLE_EQ(other.time_diff, 0.0);
  EXPECT_EQ(other.date_time_format, "%c");
  EXPECT_EQ(other.password, "");
}

// A damaged or hostile file never stops the program: absurd counts and
// numbers are bounded, over-long values are cut at their buffers.
TEST_F(LoadSettingsTest, HostileFileIsReadWithinBounds) {
  ConfigSettings s = Load(
      "[Config]\r\nNumCustomFilters=2000000000\r\nCycleTime=99999999999\r\n"
      "Group1=" +
      std::string(5000, 'g') +
      "\r\nDB=\x01\xff\xfe\r\n"
      "Server1=X\r\n[Server1]\r\nTimeDiff=1e308\r\nmySQL=abc\r\n");
  EXPECT_EQ(s.custom_filters.size(), 1000u) << "the count is bounded";
  EXPECT_EQ(s.cycle_time, 2147483647);
  ASSERT_EQ(s.groups.size(), 1u);
  EXPECT_EQ(s.groups[0].name.size(), 254u) << "cut at the 255-character buffer";
  EXPECT_EQ(s.db, "\x01\xff\xfe");
  ASSERT_EQ(s.servers.size(), 1u);
  EXPECT_DOUBLE_EQ(s.servers[0].time_diff, 0.0) << "an absurd time difference reads as none";
  EXPECT_EQ(s.servers[0].type, DatabaseType::kAccess);
}

}  // namespace
}  // namespace korvale::config
