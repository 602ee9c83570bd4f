// The presets a second run of the setup takes from the first: where the
// previous folder is found and what its Caldrun.ini gives each page.
#include "Setup/wizard_presets.h"

#include <gtest/gtest.h>

#include "common/password_scramble.h"
#include "tests/support/temp_dir.h"

namespace korvale::setup {
namespace {

TEST(PreviousFolder, CurrentVendorKeyFirstThenTheOlderOne) {
  testing::TempDir dir;
  registry::Registry reg(dir.File("registry.ini"));
  EXPECT_FALSE(FindPreviousFolder(reg)) << "no installation before";
  const char* older = "Software\\Oskerby\\Korvale\\UserInfo";
  const char* current = "Software\\Tarnwick\\Korvale\\UserInfo";
  ASSERT_TRUE(reg.SetString(registry::kLocalMachine, older, "DestinationPath", "/srv/old").ok());
  EXPECT_EQ(FindPreviousFolder(reg), "/srv/old") << "an installation of the older vendor counts";
  ASSERT_TRUE(reg.SetString(registry::kLocalMachine, current, "DestinationPath", "/srv/new").ok());
  EXPECT_EQ(FindPreviousFolder(reg), "/srv/new") << "the current vendor's key wins";
  ASSERT_TRUE(reg.SetString(registry::kLocalMachine, current, "DestinationPath", "").ok());
  EXPECT_EQ(FindPreviousFolder(reg), "/srv/old") << "an empty value names no folder";
  ASSERT_TRUE(reg.SetString(registry::kCurrentUser, current, "DestinationPath", "/home/x").ok());
  EXPECT_EQ(FindPreviousFolder(reg), "/srv/old") << "only the machine's keys count";
}

TEST(Lcid, DecimalHexadecimalAndOctalAsStoredByHand) {
  struct Case {
    const char* text;
    std::uint32_t lcid;
  } cases[] = {
      {"1031", 1031},  {"0x407", 1031}, {"0X407", 1031}, {"02007", 1031}, {"0", 0},
      {"", 0},         {"abc", 0},      {"1031abc", 1031}, {"  1033", 1033}, {"08", 0},
      {"0x", 0},       {"0xZ", 0},      {"-1031", 0},    {"99999999999", 0}, {"0xFFFFFFFF", 0xFFFFFFFFu},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ParseLcid(c.text), c.lcid);
  }
}

TEST(PreviousInstallation, CaldrunIniPresetsEveryPage) {
  testing::TempDir dir;
  testing::WriteFileBytes(dir.File("Caldrun.ini"),
                          "[Config]\r\nDB=korvale\r\nSQLServer=0\r\nOracle=1\r\nmySQL=1\r\n"
                          "HomeServer=/o=Org/ou=First/cn=Configuration/cn=Servers/cn=S1\r\nMSX2k=2\r\n"
                          "DBUserName=sa\r\nGUID2=462718390\r\nLCID=0x407\r\nLogonMailbox=/o=Org/cn=svc\r\n"
                          "LogonServer=S1\r\n");
  PreviousInstallation p = ReadPreviousInstallation(dir.path().string());
  EXPECT_EQ(p.folder, dir.path().string());
  EXPECT_EQ(p.datasource, "korvale");
  EXPECT_EQ(p.database_type, DatabaseType::kOracle) << "Oracle is read before mySQL";
  EXPECT_TRUE(p.upgrade()) << "a HomeServer marks an upgrade";
  EXPECT_EQ(p.exchange_version, 2);
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
      {"SQLite=1\r\nSQLServer=1\r\n", DatabaseType::kSQLite},
      {"", DatabaseType::kAccess},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.keys);
    testing::TempDir dir;
    testing::WriteFileBytes(dir.File("Caldrun.ini"), std::string("[Config]\r\n") + c.keys);
    EXPECT_EQ(ReadPreviousInstallation(dir.path().string()).database_type, c.type);
  }
}

TEST(PreviousInstallation, MissingFileGivesOnlyTheFolderAndNoUpgrade) {
  testing::TempDir dir;
  PreviousInstallation p = ReadPreviousInstallation(dir.File("gone"));
  EXPECT_EQ(p.folder, dir.File("gone"));
  EXPECT_FALSE(p.upgrade());
  EXPECT_EQ(p.lcid, 0u);
  EXPECT_EQ(p.datasource, "");
}

TEST(PreviousInstallation, ScrambledPasswordIsReadPlain) {
  testing::TempDir dir;
  testing::WriteFileBytes(dir.File("Caldrun.ini"), "[Config]\r\nGUID2=" + ScramblePassword("s3cr;t") + "\r\n");
  EXPECT_EQ(ReadPreviousInstallation(dir.path().string()).db_password, "s3cr;t");
}

}  // namespace
}  // namespace korvale::setup
