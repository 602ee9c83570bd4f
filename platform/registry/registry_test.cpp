// The registry file keeps what the setup writes for the next installation and
// the configuration program: typed values under case-insensitive key paths.
#include "platform/registry/registry.h"

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

namespace korvale::registry {
namespace {

TEST(RegistryTest, ValuesComeBackWithTheirTypesWhateverTheCaseOfTheKey) {
  testing::TempDir dir;
  Registry reg(dir.File("sub/registry.ini"));  // the folder is created by the first write
  const std::string key = "Software\\Tarnwick\\Korvale\\UserInfo";
  ASSERT_TRUE(reg.SetString("HKLM", key, "DestinationPath", "/opt/korvale").ok());
  ASSERT_TRUE(reg.SetDword(kLocalMachine, "SYSTEM\\Events", "TypesSupported", 7).ok());
  ASSERT_TRUE(reg.Set(kLocalMachine, "SYSTEM\\Events", "EventMessageFile",
                      {ValueType::kExpandString, "/opt/korvale/KorvaleSrv", 0})
                  .ok());

  EXPECT_EQ(reg.GetString(kLocalMachine, "software/tarnwick\\KORVALE\\userinfo", "destinationpath"),
            "/opt/korvale")
      << "key paths and names compare without regard to case";
  auto types = reg.Get("hklm", "SYSTEM\\Events", "TypesSupported");
  ASSERT_TRUE(types.has_value());
  EXPECT_EQ(types->type, ValueType::kDword);
  EXPECT_EQ(types->number, 7u);
  EXPECT_EQ(reg.Get(kLocalMachine, "SYSTEM\\Events", "EventMessageFile")->type, ValueType::kExpandString);
  EXPECT_FALSE(reg.GetString(kLocalMachine, "SYSTEM\\Events", "TypesSupported").has_value())
      << "a number is not a string";
  EXPECT_FALSE(reg.Get(kCurrentUser, key, "DestinationPath").has_value()) << "the roots are apart";
}

TEST(RegistryTest, MissingFileKeyAndValueReadAsAbsent) {
  testing::TempDir dir;
  Registry reg(dir.File("none.ini"));
  EXPECT_FALSE(reg.Get(kLocalMachine, "Software\\X", "Y").has_value());
  EXPECT_TRUE(reg.DeleteKey(kLocalMachine, "Software\\X").ok()) << "deleting what is not there is no failure";
  ASSERT_TRUE(reg.SetString(kLocalMachine, "Software\\X", "", "default").ok());
  EXPECT_EQ(reg.GetString(kLocalMachine, "Software\\X", ""), "default");
  EXPECT_FALSE(reg.Get(kLocalMachine, "Software\\X", "Other").has_value());
  ASSERT_TRUE(reg.DeleteKey("HKLM", "software\\x").ok());
  EXPECT_FALSE(reg.Get(kLocalMachine, "Software\\X", "").has_value());
}

TEST(RegistryTest, HostileValuesAndRootsAreRefusedNotWritten) {
  testing::TempDir dir;
  Registry reg(dir.File("registry.ini"));
  EXPECT_FALSE(reg.SetString(kLocalMachine, "Software\\X", "Name", "two\nlines").ok());
  EXPECT_FALSE(reg.SetString("HKEY_USERS", "Software\\X", "Name", "v").ok());
  EXPECT_FALSE(reg.Get(kLocalMachine, "Software\\X", "Name").has_value());
  testing::WriteFileBytes(dir.File("registry.ini"),
                          "[HKEY_LOCAL_MACHINE\\Software\\X]\r\nBad=REG_DWORD:x7\r\nOdd=plain\r\n");
  EXPECT_FALSE(reg.Get(kLocalMachine, "Software\\X", "Bad").has_value())
      << "a damaged number reads as absent";
  EXPECT_FALSE(reg.Get(kLocalMachine, "Software\\X", "Odd").has_value());
}

TEST(RegistryTest, TheFileComesFromTheEnvironment) {
  setenv("KORVALE_REGISTRY", "/tmp/some-registry.ini", 1);
  EXPECT_EQ(RegistryFile(), "/tmp/some-registry.ini");
  unsetenv("KORVALE_REGISTRY");
  EXPECT_FALSE(RegistryFile().empty());
}

}  // namespace
}  // namespace korvale::registry
