// The save of the configuration program on real Caldrun.ini files: the checks
// that refuse before anything is written, the keys in their order, groups and
// servers numbered anew, the keys that must go, and the steps that end a save
// halfway with what was written so far kept.
#include "config/save_settings.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <map>

#include "common/password_scramble.h"
#include "config/load_settings.h"
#include "config/odbc_definitions.h"
#include "platform/profile/profile.h"
#include "tests/fakes/scripted_config_ui.h"
#include "tests/support/temp_dir.h"

namespace korvale::config {
namespace {

using testing::ReadFileBytes;
using testing::WriteFileBytes;

class MapDefinitions : public DataSourceDefinitions {
 public:
  DataSourceValues Read(const std::string& dsn) override {
    reads.push_back(dsn);
    auto it = values.find(dsn);
    return it == values.end() ? DataSourceValues{} : it->second;
  }
  std::map<std::string, DataSourceValues> values;
  std::vector<std::string> reads;
};

class ScriptedAdmins : public AdminUsersExpander {
 public:
  AdminExpansion Expand(const std::string& admin_users, ConfigUi& ui) override {
    seen = admin_users;
    if (!message.empty()) ui.ShowMessage(message, "Korvale Configuration", MessageIcon::kError);
    return result;
  }
  AdminExpansion result;
  std::string message;
  std::string seen;
};

ConfigSettings Minimal() {
  ConfigSettings s;
  s.home_server = "HQ1";
  s.db = "korvale";
  return s;
}

class SaveSettingsTest : public ::testing::Test {
 protected:
  SaveOutcome Save(ConfigSettings& s) { return SaveSettings(s, env_); }
  std::string Get(const std::string& section, const std::string& key) {
    return profile::GetString(ini_, section, key, "<absent>", 10000);
  }

  testing::TempDir dir_;
  std::string ini_ = dir_.File("Caldrun.ini");
  testing::ScriptedConfigUi ui_;
  MapDefinitions definitions_;
  ScriptedAdmins admins_;
  int restarts_ = 0;
  SaveEnvironment env_{dir_.path().string(), ui_, definitions_, admins_, [this] { ++restarts_; }};
};

// A fresh file shows the order of the writes: the agent and administrators
// who read the file by eye find the keys where they have always been.
TEST_F(SaveSettingsTest, FreshFileHoldsEveryKeyInOrder) {
  ConfigSettings s = Minimal();
  s.groups.push_back({"Staff", "All Staff; Gina", "/o=x/cn=all; /o=x/cn=gina", {}});
  ServerEntry server;
  server.name = "HQ1";
  server.time_diff = -3.5;
  server.data_source = "korvale";
  server.type = DatabaseType::kMySql;
  s.servers.push_back(server);
  s.custom_filters.push_back({"Dept", "Department", "OR", "SELECT Dept FROM Staff"});
  ASSERT_EQ(Save(s), SaveOutcome::kSaved);
  EXPECT_EQ(
      ReadFileBytes(ini_),
      "[Config]\r\nCycleTime=60\r\nDaysPast=60\r\nDaysAhead=60\r\nSecurityLevel=0\r\n"
      "DL1=All Staff; Gina\r\nGroup1=Staff\r\n"
      "DB=korvale\r\nFields=\r\nHomeServer=HQ1\r\nMSX2k=0\r\nSQLServer=0\r\nOracle=0\r\nmySQL=0\r\n"
      "DBUserName=\r\nGUID2=462718390\r\nnewDB=0\r\nApptBookedByText=Booked by %s\\n\r\n"
      "DateTimeFormat=%c\r\nCustomFields=\r\nCustomFieldsSelected=\r\nCustomFieldsTypes=\r\n"
      "CustomFieldsTypesSelected=\r\nCustomFilters=Dept\r\nNumCustomFilters=1\r\n"
      "CustFilter1Display=Department\r\nCustFilter1Logic=OR\r\nCustFilter1Select=SELECT Dept FROM Staff\r\n"
      "Holidays=0\r\nShowNoPrivate=0\r\nShowPersonal=0\r\nSkipCancelledMeetings=0\r\nLogEvents=1\r\n"
      "SuccessLog=1\r\nTimeLog=0\r\nSQLLog=0\r\nBackupLog=1\r\nAdminUsers=\r\nServer1=HQ1\r\n"
      "[Group1]\r\nAddr1=/o=x/cn=all\r\nAddr2=/o=x/cn=gina\r\n"
      "[Server1]\r\nTimeDiff=-3.5\r\nDS=korvale\r\nDateTimeFormat=%c\r\nUsername=\r\nPassword=\r\n"
      "Local=0\r\nSQL=1\r\nOracle=0\r\nmySQL=1\r\nPDC=\r\nSiteName=\r\nDatabase=\r\nDBServer=\r\n");
  EXPECT_TRUE(ui_.messages.empty());
  EXPECT_EQ(restarts_, 1);
}

TEST_F(SaveSettingsTest, ChecksRefuseBeforeAnythingIsWritten) {
  WriteFileBytes(ini_, "[Config]\r\nDB=old\r\n");
  struct Case {
    std::string home, db, message;
  } cases[] = {
      {"", "korvale", "Please select your Home Exchange Server"},
      {"HQ1", "", "Please enter a DataSource"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    ui_.messages.clear();
    ConfigSettings s = Minimal();
    s.home_server = c.home;
    s.db = c.db;
    EXPECT_EQ(Save(s), SaveOutcome::kRefused);
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].text, c.message);
    EXPECT_EQ(ui_.messages[0].title, "Configuration Error");
    EXPECT_EQ(ReadFileBytes(ini_), "[Config]\r\nDB=old\r\n");
    EXPECT_FALSE(std::filesystem::exists(dir_.File("Korvale.inc")));
  }
  EXPECT_EQ(restarts_, 0);
}

// Whatever numbering the file had, a save numbers groups and servers from 1;
// the agent's own per-group keys move with their group.
TEST_F(SaveSettingsTest, GroupsAndServersAreNumberedFromOne) {
  WriteFileBytes(ini_,
                 "[Config]\r\nGroup1=Old\r\nDL1=x\r\nGroup1Skip=Felix\r\nGroup3=Gone\r\nGroup2SetTZ=GMT\r\n"
                 "Server1=A\r\nServer5=E\r\n[Group1]\r\nAddr1=a\r\nAddr2=b\r\n[Group3]\r\nAddr1=c\r\n"
                 "[Server1]\r\nDS=a\r\n[Server5]\r\nDS=e\r\n");
  ConfigSettings s = LoadSettings(ini_);
  ASSERT_EQ(s.groups.size(), 1u);
  s.groups.insert(s.groups.begin(), GroupEntry{"New", "", "/o=x/cn=n", {{"SetTZ", "GMT"}}});
  s.home_server = "HQ1";
  s.db = "korvale";
  s.servers.push_back(ServerEntry{});
  s.servers.back().name = "B";
  ASSERT_EQ(Save(s), SaveOutcome::kSaved);
  EXPECT_EQ(Get("Config", "Group1"), "New");
  EXPECT_EQ(Get("Config", "DL1"), "<absent>") << "the new first group has no display-name list";
  EXPECT_EQ(Get("Config", "Group1SetTZ"), "GMT");
  EXPECT_EQ(Get("Config", "Group1Skip"), "<absent>") << "Felix belongs to the old group, now group 2";
  EXPECT_EQ(Get("Config", "Group2"), "Old");
  EXPECT_EQ(Get("Config", "DL2"), "x");
  EXPECT_EQ(Get("Config", "Group2Skip"), "Felix");
  EXPECT_EQ(Get("Config", "Group2SetTZ"), "<absent>");
  EXPECT_EQ(Get("Config", "Group3"), "<absent>");
  EXPECT_EQ(Get("Group1", "Addr1"), "/o=x/cn=n");
  EXPECT_EQ(Get("Group1", "Addr2"), "<absent>") << "the old section went whole";
  EXPECT_EQ(Get("Group2", "Addr2"), "b");
  EXPECT_EQ(profile::GetKeyNames(ini_, "Group3").size(), 0u);
  EXPECT_EQ(Get("Config", "Server1"), "A");
  EXPECT_EQ(Get("Config", "Server2"), "B");
  EXPECT_EQ(Get("Config", "Server5"), "<absent>");
  EXPECT_EQ(Get("Server5", "DS"), "<absent>");
}

TEST_F(SaveSettingsTest, RetiredAndConditionalKeysAreRemoved) {
  WriteFileBytes(ini_,
                 "[Config]\r\nFBUserName=fb\r\nFBPassword=41\r\nFreebusy=1\r\nMailboxCustomAttribute=3\r\n"
                 "MBCustAttrBookMeetings=4\r\nSQLite=1\r\n");
  ConfigSettings s = LoadSettings(ini_);
  s.home_server = "HQ1";
  s.db = "korvale";
  s.security_level = kSecurityFull;
  s.mb_cust_attr_book_meetings = 0;
  ASSERT_EQ(Save(s), SaveOutcome::kSaved);
  for (const char* key :
       {"FBUserName", "FBPassword", "Freebusy", "MailboxCustomAttribute", "MBCustAttrBookMeetings"}) {
    EXPECT_EQ(Get("Config", key), "<absent>") << key;
  }
  EXPECT_EQ(Get("Config", "SQLite"), "1") << "keys this program does not own stay";
  EXPECT_EQ(Get("Config", "SecurityLevel"), "2");
}

TEST_F(SaveSettingsTest, EncodingsRoundTrip) {
  ConfigSettings s = Minimal();
  s.database_type = DatabaseType::kMySql;
  s.security_level = kSecurityMinimal;
  s.mailbox_custom_attribute = 7;
  s.db_password = std::string(127, 'p');
  s.suppress_holidays = false;
  s.servers.push_back(ServerEntry{});
  s.servers[0].name = "HQ";
  s.servers[0].password = "x\"y;z";
  s.servers[0].type = DatabaseType::kOracle;
  s.servers[0].time_diff = 12.5;
  ASSERT_EQ(Save(s), SaveOutcome::kSaved);
  EXPECT_EQ(Get("Config", "SQLServer") + Get("Config", "Oracle") + Get("Config", "mySQL"), "001");
  EXPECT_EQ(Get("Config", "Holidays"), "1") << "stored inverted";
  EXPECT_EQ(Get("Server1", "Password"), ScramblePassword("x\"y;z"));
  ConfigSettings back = LoadSettings(ini_);
  EXPECT_EQ(back.database_type, DatabaseType::kMySql);
  EXPECT_EQ(back.security_level, kSecurityMinimal);
  EXPECT_EQ(back.mailbox_custom_attribute, 7);
  EXPECT_EQ(back.db_password, std::string(127, 'p')) << "127 characters survive the 255-character read";
  EXPECT_FALSE(back.suppress_holidays);
  EXPECT_EQ(back.servers[0].password, "x\"y;z");
  EXPECT_EQ(back.servers[0].type, DatabaseType::kOracle);
  EXPECT_DOUBLE_EQ(back.servers[0].time_diff, 12.5);
}

TEST_F(SaveSettingsTest, SixtyFourBitChecksFillFromTheDefinitions) {
  ConfigSettings s = Minimal();
  s.wow64 = true;
  s.database_type = DatabaseType::kSqlServer;
  definitions_.values["korvale"] = {"cal", ""};
  EXPECT_EQ(Save(s), SaveOutcome::kRefused);
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text,
            "You must specify a database and database server in the datasource definition 'korvale'");
  EXPECT_EQ(ui_.messages[0].title, "Datasource Error");
  EXPECT_FALSE(std::filesystem::exists(ini_));

  definitions_.values["korvale"] = {"cal", "db1"};
  definitions_.values["branch"] = {"", ""};
  s.servers.push_back(ServerEntry{});
  s.servers[0].name = "BR";
  s.servers[0].data_source = "branch";
  s.servers[0].type = DatabaseType::kMySql;
  ui_.messages.clear();
  EXPECT_EQ(Save(s), SaveOutcome::kRefused);
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text,
            "You must specify a database in the datasource definition 'branch'\r\n"
            "Please open the 'Servers' definition and modify the datasource 'branch'");
  EXPECT_EQ(s.database_name, "cal") << "filled values stay in the record";
  EXPECT_EQ(s.database_server, "db1");

  s.servers[0].type = DatabaseType::kAccess;
  ui_.messages.clear();
  EXPECT_EQ(Save(s), SaveOutcome::kSaved) << "an MS Access server needs no database";
}

TEST_F(SaveSettingsTest, AccessPassesAndNothingIsCheckedWithout64Bit) {
  ConfigSettings s = Minimal();
  s.wow64 = true;
  EXPECT_EQ(Save(s), SaveOutcome::kSaved);
  s.wow64 = false;
  s.database_type = DatabaseType::kOracle;
  EXPECT_EQ(Save(s), SaveOutcome::kSaved);
  EXPECT_TRUE(ui_.messages.empty());
}

// The definitions come from unixODBC's own lists, here a real odbc.ini.
TEST_F(SaveSettingsTest, SixtyFourBitChecksAgainstARealOdbcIni) {
  WriteFileBytes(dir_.File("odbc.ini"),
                 "[full]\nDriver=MariaDB\nServer=db1\nDatabase=cal\n[noserver]\nDriver=x\nDatabase=cal\n");
  WriteFileBytes(dir_.File("odbcinst.ini"), "");
  setenv("ODBCINI", dir_.File("odbc.ini").c_str(), 1);
  setenv("ODBCSYSINI", dir_.path().c_str(), 1);
  OdbcDefinitions odbc;
  SaveEnvironment env{dir_.path().string(), ui_, odbc, admins_, {}};
  ConfigSettings s = Minimal();
  s.wow64 = true;
  s.database_type = DatabaseType::kSqlServer;
  s.db = "noserver";
  EXPECT_EQ(SaveSettings(s, env), SaveOutcome::kRefused);
  s.db = "full";
  EXPECT_EQ(SaveSettings(s, env), SaveOutcome::kSaved);
  EXPECT_EQ(s.database_server, "db1");
  EXPECT_NE(ReadFileBytes(dir_.File("Korvale.inc")).find("DBServer = \"db1\""), std::string::npos);
  unsetenv("ODBCINI");
  unsetenv("ODBCSYSINI");
}

TEST_F(SaveSettingsTest, AdministratorsAreExpandedWithTheWaitCursor) {
  ConfigSettings s = Minimal();
  s.admin_users = "DOM\\Admins";
  admins_.result = {AdminExpansion::Outcome::kComplete, "DOM\\ann; DOM\\bob"};
  ASSERT_EQ(Save(s), SaveOutcome::kSaved);
  EXPECT_EQ(admins_.seen, "DOM\\Admins");
  EXPECT_EQ(Get("Config", "AdminUsers"), "DOM\\Admins");
  EXPECT_EQ(Get("Config", "AdminUsersExpanded"), "DOM\\ann; DOM\\bob");
  EXPECT_NE(ReadFileBytes(dir_.File("Korvale.inc")).find("AdminUsers = \"DOM\\ann; DOM\\bob\""),
            std::string::npos);
  EXPECT_EQ(ui_.wait_depth, 0) << "the cursor is restored";

  s.admin_users.clear();
  ASSERT_EQ(Save(s), SaveOutcome::kSaved);
  EXPECT_EQ(Get("Config", "AdminUsersExpanded"), "DOM\\ann; DOM\\bob") << "left alone when empty";
}

TEST_F(SaveSettingsTest, StoppedExpansionKeepsWhatItFoundAndGoesOn) {
  ConfigSettings s = Minimal();
  s.admin_users = "DOM\\ann; DOM\\ghost";
  admins_.result = {AdminExpansion::Outcome::kStopped, "DOM\\ann"};
  admins_.message = "Account DOM\\ghost not found";
  ASSERT_EQ(Save(s), SaveOutcome::kSaved);
  EXPECT_EQ(Get("Config", "AdminUsersExpanded"), "DOM\\ann");
  EXPECT_EQ(restarts_, 1);
}

TEST_F(SaveSettingsTest, FailedGroupListingEndsTheSaveWithEarlierKeysWritten) {
  WriteFileBytes(ini_, "[Config]\r\nServer1=Old\r\n[Server1]\r\nDS=old\r\n");
  ConfigSettings s = Minimal();
  s.admin_users = "DOM\\Admins";
  s.days_past = 9;
  admins_.result = {AdminExpansion::Outcome::kSaveEnded, ""};
  admins_.message = "The members of DOM\\Admins could not be listed";
  EXPECT_EQ(Save(s), SaveOutcome::kEndedAtAdmins);
  EXPECT_EQ(Get("Config", "DaysPast"), "9") << "steps before the expansion stay written";
  EXPECT_EQ(Get("Config", "AdminUsersExpanded"), "<absent>");
  EXPECT_EQ(Get("Config", "Server1"), "Old") << "the servers step was not reached";
  EXPECT_FALSE(std::filesystem::exists(dir_.File("Korvale.inc")));
  EXPECT_EQ(restarts_, 0);
  EXPECT_EQ(ui_.wait_depth, 0);
}

TEST_F(SaveSettingsTest, UnwritableIncludeFileKeepsTheWindowOpen) {
  std::filesystem::create_directory(dir_.File("Korvale.inc"));
  ConfigSettings s = Minimal();
  EXPECT_EQ(Save(s), SaveOutcome::kIncludeNotWritten);
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text, "Could not write to " + dir_.File("Korvale.inc") + ".");
  EXPECT_EQ(ui_.messages[0].title, "File Error");
  EXPECT_EQ(Get("Config", "DB"), "korvale") << "Caldrun.ini is already written";
  EXPECT_EQ(restarts_, 0) << "no restart is offered";
}

// A value the settings file cannot hold (a line break) is refused with the
// file's name; the file keeps its old content from the failed key on.
TEST_F(SaveSettingsTest, UnwritableValueStopsTheSave) {
  ConfigSettings s = Minimal();
  s.fields = "Duration\r\nEvil=1";
  EXPECT_EQ(Save(s), SaveOutcome::kSettingsNotWritten);
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text, "Could not write to " + ini_ + ".");
  EXPECT_EQ(Get("Config", "Evil"), "<absent>");
  EXPECT_EQ(Get("Config", "HomeServer"), "<absent>") << "nothing after the failed key";
  EXPECT_EQ(restarts_, 0);
}

}  // namespace
}  // namespace korvale::config
