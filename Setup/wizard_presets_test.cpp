// The presets a second run of the setup takes from the first: where the
// previous folder is found and what its Caldrun.ini gives each wizard page.
#include "Setup/previous_installation.h"

#include <gtest/gtest.h>

#include "common/password_scramble.h"
#include "tests/support/temp_dir.h"

namespace korvale::setup {
namespace {

TEST(PreviousFolder, CurrentVendorKeyFirstThenTheOlderOne) {
  testing::TempDir dir;
  registry::Registry reg(dir.File("registry.ini"));
  EXPECT_FALSE(PreviousInstallationFolder(reg)) << "no installation before";
  const char* older = "Software\\Oskerby\\Korvale\\UserInfo";
  const char* current = "Software\\Tarnwick\\Korvale\\UserInfo";
  ASSERT_TRUE(reg.SetString(registry::kLocalMachine, older, "DestinationPath", "/srv/old").ok());
  EXPECT_EQ(PreviousInstallationFolder(reg), "/srv/old") << "an installation of the older vendor counts";
  ASSERT_TRUE(reg.SetString(registry::kLocalMachine, current, "DestinationPath", "/srv/new").ok());
  EXPECT_EQ(PreviousInstallationFolder(reg), "/srv/new") << "the current vendor's key wins";
  ASSERT_TRUE(reg.SetString(registry::kLocalMachine, current, "DestinationPath", "").ok());
  EXPECT_EQ(PreviousInstallationFolder(reg), "/srv/old") << "an empty value names no folder";
  ASSERT_TRUE(reg.SetString(registry::kCurrentUser, current, "DestinationPath", "/home/x").ok());
  EXPECT_EQ(PreviousInstallationFolder(reg), "/srv/old") << "only the machine's keys count";
}

TEST(PreviousInstallation, LcidIsReadDecimalHexadecimalOrOctal) {
  struct Case {
    const char* text;
    std::uint32_t lcid;
  } cases[] = {{"1031", 1031}, {"0x407", 1031}, {"02007", 1031}, {"0", 0}, {"abc", 0}, {"1031abc", 1031}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    testing::TempDir dir;
    testing::WriteFileBytes(dir.File("Caldrun.ini"), std::string("[Config]\r\nLCID=") + c.text + "\r\n");
    InstallAnswers a;
    PresetFromSettings(dir.path().string(), a);
    EXPECT_EQ(a.lcid, c.lcid);
  }
}

TEST(PreviousInstallation, CaldrunIniPresetsEveryPage) {
  testing::TempDir dir;
  testing::WriteFileBytes(dir.File("Caldrun.ini"),
                          "[Config]\r\nDB=korvale\r\nSQLServer=0\r\nOracle=1\r\nmySQL=1\r\n"
                          "HomeServer=/o=Org/ou=First/cn=Configuration/cn=Servers/cn=S1\r\nMSX2k=2\r\n"
                          "DBUserName=sa\r\nGUID2=462718390\r\nLCID=0x407\r\nLogonMailbox=/o=Org/cn=svc\r\n"
                          "LogonServer=S1\r\n");
  InstallAnswers p;
  PresetFromSettings(dir.path().string(), p);
  EXPECT_EQ(p.data_source, "korvale");
  EXPECT_EQ(p.database_type, DatabaseType::kOracle) << "Oracle is read before mySQL";
  EXPECT_TRUE(p.upgrade) << "a HomeServer marks an upgrade";
  EXPECT_EQ(p.home_server_name, "S1");
  EXPECT_EQ(p.msx2k, 2);
  EXPECT_EQ(p.db_user, "sa");
  EXPECT_EQ(p.db_password, "") << "the empty-password marker is no password";
  EXPECT_EQ(p.lcid, 1031u);
  EXPECT_EQ(p.logon_mailbox, "/o=Org/cn=svc");
  EXPECT_EQ(p.logon_server, "S1");
}

TEST(PreviousInstallation, DialectKeysGiveTheTypeInTheirOrder) {
  struct Case {
    const char* keys;
    DatabaseType type;
  } cases[] = {
      {"SQLServer=1\r\nOracle=1\r\n", DatabaseType::kSqlServer},
      {"SQLServer=0\r\nOracle=0\r\nmySQL=1\r\n", DatabaseType::kMySql},
      {"mySQL=2\r\n", DatabaseType::kAccess},
      {"SQLite=1\r\n", DatabaseType::kSQLite},
      {"", DatabaseType::kAccess},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.keys);
    testing::TempDir dir;
    testing::WriteFileBytes(dir.File("Caldrun.ini"), std::string("[Config]\r\n") + c.keys);
    InstallAnswers a;
    PresetFromSettings(dir.path().string(), a);
    EXPECT_EQ(a.database_type, c.type);
  }
}

TEST(PreviousInstallation, MissingFileChangesNothing) {
  testing::TempDir dir;
  InstallAnswers a;
  a.data_source = "kept";
  PresetFromSettings(dir.File("gone"), a);
  EXPECT_EQ(a.data_source, "kept");
  EXPECT_FALSE(a.upgrade);
}

TEST(PreviousInstallation, ScrambledPasswordIsReadPlain) {
  testing::TempDir dir;
  testing::WriteFileBytes(dir.File("Caldrun.ini"),
                          "[Config]\r\nGUID2=" + ScramblePassword("s3cr;t") + "\r\n");
  InstallAnswers a;
  PresetFromSettings(dir.path().string(), a);
  EXPECT_EQ(a.db_password, "s3cr;t");
}

}  // namespace
}  // namespace korvale::setup
