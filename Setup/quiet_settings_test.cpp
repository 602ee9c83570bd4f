// What only the quiet installation writes: the answer file read into the
// installation record, the further settings with message 1042, the first
// Korvale.inc, and the administrators expanded in NT form.
#include <cstdlib>

#include <gtest/gtest.h>

#include "Setup/admin_expansion.h"
#include "Setup/quiet_install.h"
#include "Setup/recording_ui.h"
#include "Setup/settings_written.h"
#include "common/password_scramble.h"
#include "platform/profile/profile.h"
#include "tests/fakes/fake_account_directory.h"
#include "tests/support/temp_dir.h"

namespace korvale::setup {
namespace {

using testing::TempDir;
using testing::WriteFileBytes;

InstallAnswers QuietAnswersFor(DatabaseType type) {
  InstallAnswers a;
  a.quiet = true;
  a.database_type = type;
  a.data_source = "korvale";
  a.db_user = "web";
  a.db_password = "pw";
  a.home_server = "/o=Org/ou=Site/cn=Configuration/cn=Servers/cn=SRV1";
  a.home_server_name = "SRV1";
  a.quiet_answers.admin_users = "DOM\\Admins";
  a.quiet_answers.users_display = "Anna; Ben";
  a.quiet_answers.member_addresses = {"/o=Org/ou=Site/cn=Recipients/cn=anna",
                                      "/o=Org/ou=Site/cn=Recipients/cn=ben"};
  return a;
}

TEST(AnswerFileTest, KeysBecomeTheInstallationRecord) {
  TempDir dir;
  WriteFileBytes(
      dir.path() / "Setup.ini",
      "[SetupInfo]\r\nDestinationPath=/opt/k\r\nmySQL=1\r\nDatasource=cal\r\nMSXOrg=Org\r\nMSXSite=Site\r\n"
      "MSXServerName=SRV1\r\nServAccName=DOM\\svc\r\nSQLUserName=web\r\nSQLPassword=pw\r\n"
      "Database=caldb\r\nSQLServerName=db1\r\nMSXUsersDistNames=anna; ben;\r\nLCID=0x407\r\n");
  auto a = ReadAnswerFile(dir.File("Setup.ini"));
  ASSERT_TRUE(a.ok()) << a.status().message();
  EXPECT_TRUE(a->quiet);
  EXPECT_EQ(a->destination_path, "/opt/k");
  EXPECT_EQ(a->database_type, DatabaseType::kMySql);
  EXPECT_EQ(a->home_server, "/o=Org/ou=Site/cn=Configuration/cn=Servers/cn=SRV1");
  EXPECT_EQ(a->home_server_name, "SRV1");
  EXPECT_EQ(a->logon_server, "SRV1") << "the home server unless LogonServer says otherwise";
  EXPECT_EQ(a->quiet_answers.driver, "SQL Server") << "the driver the original answer file implies";
  EXPECT_EQ(a->quiet_answers.member_addresses,
            (std::vector<std::string>{"/o=Org/ou=Site/cn=Recipients/cn=anna",
                                      "/o=Org/ou=Site/cn=Recipients/cn=ben"}));
  EXPECT_EQ(a->lcid, 0x407u);
  EXPECT_EQ(a->database_name, "caldb");
  EXPECT_EQ(a->database_server, "db1");
  EXPECT_FALSE(ReadAnswerFile(dir.File("none.ini")).ok());
}

TEST(QuietSettingsTest, TheFurtherSettingsAndTheGroupAllUsers) {
  TempDir dir;
  const std::string ini = dir.File("Caldrun.ini");
  RecordingUi ui;
  ASSERT_TRUE(
      WriteInstallationSettings(QuietAnswersFor(DatabaseType::kSqlServer), "DOM\\ann; DOM\\bob", ini, ui));
  auto key = [&ini](const char* name, const char* section = "Config") {
    return profile::GetString(ini, section, name, "<none>", 1024);
  };
  EXPECT_EQ(key("CycleTime") + key("DaysPast") + key("DaysAhead") + key("SecurityLevel"), "6060600");
  EXPECT_EQ(key("ApptBookedByText"), "Booked by %s\\n") << "a literal backslash and n";
  EXPECT_EQ(key("DateTimeFormat"), "%c");
  EXPECT_EQ(key("AdminUsers"), "DOM\\Admins");
  EXPECT_EQ(key("AdminUsersExpanded"), "DOM\\ann; DOM\\bob");
  EXPECT_EQ(key("Holidays"), "0");
  EXPECT_EQ(key("DL1"), "Anna; Ben");
  EXPECT_EQ(key("Group1"), "All users");
  EXPECT_EQ(key("Addr2", "Group1"), "/o=Org/ou=Site/cn=Recipients/cn=ben");
  EXPECT_EQ(PasswordFromGuid2(key("GUID2")), "pw");
}

TEST(QuietSettingsTest, APasswordWithoutServerEntryIsDeletedWithMessage1042) {
  TempDir dir;
  const std::string ini = dir.File("Caldrun.ini");
  profile::WriteString(ini, "Config", "GUID2", ScramblePassword("old"));
  InstallAnswers a = QuietAnswersFor(DatabaseType::kAccess);
  a.db_password.clear();
  RecordingUi ui;
  ASSERT_TRUE(WriteInstallationSettings(a, "", ini, ui));
  EXPECT_TRUE(ui.Showed(kPasswordDeletedMessage)) << ui.AllMessages();
  EXPECT_EQ(profile::GetString(ini, "Config", "GUID2", "", 256), std::string(kEmptyPasswordMarker))
      << "no password: the empty-password marker";

  RecordingUi again;  // now the file has a Server1: nothing is deleted
  ASSERT_TRUE(WriteInstallationSettings(a, "", ini, again));
  EXPECT_FALSE(again.Showed(kPasswordDeletedMessage));
}

// One row per database type: the dialect keys of [Config] and [Server1].
TEST(QuietSettingsTest, DialectKeysByDatabaseType) {
  struct Row {
    DatabaseType type;
    const char* config;   // SQLServer Oracle mySQL SQLite, "-" for a removed key
    const char* server1;  // SQL Oracle mySQL
  };
  const Row rows[] = {
      {DatabaseType::kAccess, "----", "000"}, {DatabaseType::kSqlServer, "100-", "100"},
      {DatabaseType::kMySql, "0-1-", "101"},  {DatabaseType::kOracle, "010-", "010"},
      {DatabaseType::kSQLite, "0001", "000"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(static_cast<int>(row.type));
    TempDir dir;
    const std::string ini = dir.File("Caldrun.ini");
    for (const char* key : {"SQLServer", "Oracle", "mySQL", "SQLite"})
      profile::WriteString(ini, "Config", key, "7");
    RecordingUi ui;
    ASSERT_TRUE(WriteInstallationSettings(QuietAnswersFor(row.type), "", ini, ui));
    std::string config, server1;
    for (const char* key : {"SQLServer", "Oracle", "mySQL", "SQLite"}) {
      config += profile::GetString(ini, "Config", key, "-", 8);
    }
    for (const char* key : {"SQL", "Oracle", "mySQL"})
      server1 += profile::GetString(ini, "Server1", key, "-", 8);
    EXPECT_EQ(config, row.config);
    EXPECT_EQ(server1, row.server1);
  }
}

TEST(QuietSettingsTest, TheFirstIncludeFileIsTheShortVariant) {
  InstallAnswers a = QuietAnswersFor(DatabaseType::kMySql);
  const std::string pw = ScramblePassword("pw");
  EXPECT_EQ(
      FirstIncludeFileText(a, "DOM\\ann"),
      "<%\r\nDB = \"korvale\"\r\nSQLServer = True\r\nOracle = False\r\nmySQL = True\r\nSecurityLevel = 0\r\n"
      "Deli = \"'\"\r\nacc = \"web\"\r\npwd = \"" +
          pw +
          "\"\r\n\r\nMenu(1) = \"All users\"\r\n"
          "\r\nDim Servers(1,11)\r\nServers(1,1) = \"SRV1\"\r\nServers(1,2) = +0\r\nServers(1,3) = "
          "\"korvale\"\r\n"
          "Servers(1,4) = \"%c\"\r\nServers(1,5) = \"web\"\r\nServers(1,6) = \"" +
          pw +
          "\"\r\n"
          "Servers(1,7) = True\r\nServers(1,8) = True\r\nServers(1,9) = \"\"\r\n\r\nAdminUsers = "
          "\"DOM\\ann\"\r\n%>");
  a.database_type = DatabaseType::kAccess;
  a.db_password.clear();
  const std::string access = FirstIncludeFileText(a, "");
  EXPECT_NE(access.find("Deli = \"#\"\r\n"), std::string::npos);
  EXPECT_NE(access.find("pwd = \"\"\r\n"), std::string::npos);
  EXPECT_NE(access.find("SQLServer = False\r\n"), std::string::npos);
}

// The answer file's default driver is not installed here: the data source
// cannot be made and the message says which, with its arguments.
TEST(QuietDataSourceTest, AMissingDriverGivesTheDatasourceMessage) {
  TempDir odbc;
  const char* sys = std::getenv("ODBCSYSINI");
  const std::string old_sys = sys != nullptr ? sys : "";
  WriteFileBytes(odbc.path() / "odbcinst.ini", "[SQLite3]\nDriver=libsqlite3odbc.so\n");
  WriteFileBytes(odbc.path() / "odbc.ini", "");
  setenv("ODBCSYSINI", odbc.path().c_str(), 1);
  InstallAnswers a = QuietAnswersFor(DatabaseType::kSqlServer);
  a.database_name = "caldb";
  a.database_server = "db1";
  RecordingUi ui;
  EXPECT_FALSE(CreateSystemDataSource(a, ui));
  EXPECT_EQ(ui.AllMessages(),
            "[Korvale Server Setup Error] The following datasource could not be set up:\n"
            "Datasource name:korvale\nDriver:SQL Server\nArguments:\nDatabase=caldb\nServer=db1\n");
  if (old_sys.empty())
    unsetenv("ODBCSYSINI");
  else
    setenv("ODBCSYSINI", old_sys.c_str(), 1);
}

class AdminExpansionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_.AddDomain("DOM", "S-1-5-21-1-2-3", {"\\\\DC1"});
    dir_.AddAccount("DOM", "ann");
    dir_.AddAccount("DOM", "bob");
    dir_.AddAccount("DOM", "PC01$");
    dir_.AddAccount("DOM", "Admins", accounts::SID_NAME_USE::SidTypeGroup);
    dir_.AddMember("DOM\\Admins", "DOM\\ann");
    dir_.AddMember("DOM\\Admins", "DOM\\bob");
    dir_.AddMember("DOM\\Admins", "DOM\\PC01$");
  }
  testing::FakeAccountDirectory dir_;
};

TEST_F(AdminExpansionTest, GroupsGiveTheirUsersOnceWithoutComputerAccounts) {
  RecordingUi ui;
  EXPECT_EQ(ExpandAdminUsersNtForm("DOM\\Admins; DOM\\ann", dir_, ui), "DOM\\ann; DOM\\bob");
  EXPECT_TRUE(ui.messages.empty()) << ui.AllMessages();
}

TEST_F(AdminExpansionTest, AnEntryWithoutDomainEndsTheExpansionWithTheFormatMessage) {
  RecordingUi ui;
  EXPECT_EQ(ExpandAdminUsersNtForm("DOM\\bob; ann@dom.example; DOM\\ann", dir_, ui), "DOM\\bob")
      << "the entries before it stay; the directory form is not taken in the quiet installation";
  EXPECT_EQ(ui.AllMessages(),
            "[Configuration Error] Invalid NT- account format. Please use\nDOMAIN\\username\n"
            "Separate entries by semicolon.\n");
}

TEST_F(AdminExpansionTest, LookupFailuresNameThePdc) {
  RecordingUi unknown_domain;
  EXPECT_EQ(ExpandAdminUsersNtForm("NODOM\\ann", dir_, unknown_domain), "");
  EXPECT_EQ(unknown_domain.AllMessages(), "[Configuration Error] Can't find Primary DC in domain NODOM.\n");
  RecordingUi unknown_account;
  EXPECT_EQ(ExpandAdminUsersNtForm("DOM\\nobody", dir_, unknown_account), "");
  EXPECT_EQ(unknown_account.AllMessages(),
            "[Configuration Error] Error looking up nobody account on PDC \\\\DC1 of domain DOM.\n"
            "Please check that the account name is spelled correctly.\nError Code: 1332.\n");
}

}  // namespace
}  // namespace korvale::setup
