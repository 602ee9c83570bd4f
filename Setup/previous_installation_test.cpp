// The previous installation presets the wizard and marks an upgrade; the
// desktop entry lands in the desktop folder and starts the right program.
#include "Setup/previous_installation.h"

#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>

#include "Setup/desktop_link.h"
#include "Setup/recording_ui.h"
#include "common/password_scramble.h"
#include "tests/support/temp_dir.h"

namespace korvale::setup {
namespace {

using testing::TempDir;
using testing::WriteFileBytes;

TEST(PreviousInstallationTest, EitherVendorsKeyNamesTheFolder) {
  TempDir dir;
  registry::Registry reg(dir.File("registry.ini"));
  EXPECT_FALSE(PreviousInstallationFolder(reg).has_value());
  ASSERT_TRUE(reg.SetString("HKLM", "Software\\Oskerby\\Korvale\\UserInfo", "DestinationPath", "/old").ok());
  EXPECT_EQ(PreviousInstallationFolder(reg), "/old");
  ASSERT_TRUE(reg.SetString("HKLM", "Software\\Tarnwick\\Korvale\\UserInfo", "DestinationPath", "/new").ok());
  EXPECT_EQ(PreviousInstallationFolder(reg), "/new") << "the first vendor's key is read first";
}

TEST(PreviousInstallationTest, TheOldSettingsPresetTheAnswersAndMarkAnUpgrade) {
  TempDir dir;
  WriteFileBytes(dir.path() / "Caldrun.ini",
                 "[Config]\r\nDB=cal\r\nSQLServer=0\r\nOracle=1\r\nmySQL=1\r\nHomeServer=/o=O/ou=S/"
                 "cn=Configuration/cn=Servers/cn=X1\r\n"
                 "MSX2k=2\r\nDBUserName=web\r\nGUID2=" +
                     ScramblePassword("pw") +
                     "\r\nLCID=011\r\n"
                     "LogonMailbox=svc\r\nLogonServer=X1\r\n");
  InstallAnswers a;
  PresetFromSettings(dir.path().string(), a);
  EXPECT_EQ(a.data_source, "cal");
  EXPECT_EQ(a.database_type, DatabaseType::kOracle) << "Oracle is asked before mySQL";
  EXPECT_TRUE(a.upgrade);
  EXPECT_EQ(a.home_server_name, "X1");
  EXPECT_EQ(a.msx2k, 2);
  EXPECT_EQ(a.db_password, "pw");
  EXPECT_EQ(a.lcid, 9u) << "a leading 0 reads as octal";
  EXPECT_EQ(a.logon_mailbox, "svc");

  InstallAnswers fresh;
  PresetFromSettings(dir.File("elsewhere"), fresh);
  EXPECT_FALSE(fresh.upgrade);
}

TEST(DesktopLinkTest, TheEntryGoesToTheXdgDesktopAndQuotesItsProgram) {
  TempDir home;
  setenv("HOME", home.path().c_str(), 1);
  unsetenv("XDG_CONFIG_HOME");
  std::filesystem::create_directories(home.path() / ".config");
  WriteFileBytes(home.path() / ".config/user-dirs.dirs", "# dirs\nXDG_DESKTOP_DIR=\"$HOME/Arbeitsfläche\"\n");
  registry::Registry reg(home.File("registry.ini"));
  EXPECT_EQ(DesktopFolder(reg), home.File("Arbeitsfläche"));
  RecordingUi ui;
  ASSERT_TRUE(CreateDesktopLink("/opt/my $dir", reg, ui));
  const std::string entry =
      testing::ReadFileBytes(home.path() / "Arbeitsfläche/Korvale Configuration.desktop");
  EXPECT_NE(entry.find("Exec=\"/opt/my \\\\$dir/KorvaleCfg\"\n"), std::string::npos)
      << "reserved characters escaped, then the value's backslashes doubled: " << entry;

  ASSERT_TRUE(reg.SetString("HKCU", "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                            "Desktop", "/proc/no-such-desktop")
                  .ok());
  RecordingUi failed;
  EXPECT_FALSE(CreateDesktopLink("/opt/k", reg, failed)) << "the registry's desktop folder wins";
  EXPECT_EQ(failed.AllMessages(),
            "[Korvale Server Setup Error] A link to the Korvale Configuration Program could "
            "not be created on the Desktop.\n");
}

}  // namespace
}  // namespace korvale::setup
