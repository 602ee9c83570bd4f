// The setup information file: our reader for the sections the setup uses, and
// applying an install section (files, INI entries, registry entries).
#include <filesystem>

#include <gtest/gtest.h>

#include "Setup/inf_file.h"
#include "Setup/inf_install.h"
#include "Setup/quiet_ui.h"
#include "platform/profile/profile.h"
#include "tests/support/temp_dir.h"

namespace korvale::setup {
namespace {

namespace fs = std::filesystem;
using testing::ReadFileBytes;
using testing::TempDir;
using testing::WriteFileBytes;

constexpr const char* kInf = R"([Version]
Signature = "$Chicago$"   ; Windows 4.x style

[DestinationDirs]
DefaultDestDir = 65600
Help.Files = 65600, help\topics

[KorvaleInstall.eng]
CopyFiles = Program.Files, Help.Files
UpdateInis = Korvale.Inis
AddReg = Korvale.Reg

[Program.Files]
KorvaleCfg
ReadMe.txt, readme-eng.txt

[Help.Files]
welcome.htm

[Korvale.Inis]
"Setup.log", "Installed",, "Folder=%65600%"

[Korvale.Reg]
HKLM, "Software\%Vendor%\Korvale\UserInfo", "DestinationPath", 0, "%65600%"
HKLM, "SYSTEM\Events", "TypesSupported", 0x10001, 7
HKLM, "SYSTEM\Events", "EventMessageFile", 0x20000, "%65600%\KorvaleSrv"

[Strings]
Vendor = "Tarnwick"
)";

TEST(InfFileTest, SectionsFieldsStringsAndCommentsReadAsTheFileMeansThem) {
  auto inf = InfFile::Parse(kInf);
  ASSERT_TRUE(inf.ok()) << inf.status().message();
  EXPECT_TRUE(inf->HasSection("korvaleinstall.ENG")) << "section names compare without regard to case";
  EXPECT_EQ(inf->Values("KorvaleInstall.eng", "copyfiles"),
            (std::vector<std::string>{"Program.Files", "Help.Files"}));
  const auto reg = inf->Lines("Korvale.Reg");
  ASSERT_EQ(reg.size(), 3u);
  EXPECT_EQ(reg[0].fields[1], "Software\\Tarnwick\\Korvale\\UserInfo") << "[Strings] are substituted";
  EXPECT_EQ(reg[0].fields[4], "%65600%") << "directory identifiers wait for the caller's folders";
  EXPECT_EQ(inf->Lines("Program.Files")[1].fields,
            (std::vector<std::string>{"ReadMe.txt", "readme-eng.txt"}));
  EXPECT_TRUE(inf->Lines("NoSuchSection").empty());
}

TEST(InfFileTest, TextWithoutASignatureIsNoSetupInformationFile) {
  EXPECT_FALSE(InfFile::Parse("[Strings]\nA=1\n").ok());
  EXPECT_FALSE(InfFile::Parse("[Version]\nSignature=\"$Other$\"\n").ok());
  EXPECT_FALSE(InfFile::Parse("[Version\nSignature=\"$Chicago$\"\n").ok());
  EXPECT_TRUE(InfFile::Parse("[version]\r\nsignature=$WINDOWS NT$\r\n").ok());
  EXPECT_FALSE(InfFile::Open("/nonexistent/Korvale.inf").ok());
}

TEST(InfFileTest, DirectoryIdentifiersExpandAndUnknownOnesFail) {
  const std::map<int, std::string> dirids = {{65600, "/opt/k"}};
  EXPECT_EQ(*ExpandDirIds("%65600%\\KorvaleSrv 100%%", dirids), "/opt/k\\KorvaleSrv 100%");
  EXPECT_FALSE(ExpandDirIds("%11%\\x", dirids).ok());
}

class InfInstallTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(medium_.path());
    WriteFileBytes(medium_.path() / "KorvaleCfg", "program");
    WriteFileBytes(medium_.path() / "readme-eng.txt", "read me");
    WriteFileBytes(medium_.path() / "welcome.htm", "<html>");
  }
  TempDir medium_;
  TempDir folder_;
  TempDir reg_dir_;
  registry::Registry registry_{reg_dir_.File("registry.ini")};
  InfTargets Targets() {
    return {medium_.path().string(), {{kDirIdInstallation, folder_.path().string()}}, registry_};
  }
};

TEST_F(InfInstallTest, TheFileSetGoesIntoItsFoldersAndTheEntriesAreApplied) {
  auto inf = InfFile::Parse(kInf);
  ASSERT_TRUE(inf.ok());
  std::ostringstream err;
  QuietUi ui(err);
  ASSERT_TRUE(CopyInfFileSet(*inf, "KorvaleInstall.eng", Targets(), ui).ok());
  EXPECT_EQ(ReadFileBytes(folder_.path() / "KorvaleCfg"), "program");
  EXPECT_EQ(ReadFileBytes(folder_.path() / "ReadMe.txt"), "read me") << "copied under its target name";
  EXPECT_EQ(ReadFileBytes(folder_.path() / "help/topics/welcome.htm"), "<html>");

  ASSERT_TRUE(ApplyInfEntries(*inf, "KorvaleInstall.eng", Targets()).ok());
  const std::string folder = folder_.path().string();
  EXPECT_EQ(profile::GetString(folder + "/Setup.log", "Installed", "Folder", "", 255), folder);
  EXPECT_EQ(registry_.GetString("HKLM", "Software\\Tarnwick\\Korvale\\UserInfo", "DestinationPath"), folder);
  EXPECT_EQ(registry_.Get("HKLM", "SYSTEM\\Events", "TypesSupported")->number, 7u);
  EXPECT_EQ(registry_.Get("HKLM", "SYSTEM\\Events", "EventMessageFile")->type,
            registry::ValueType::kExpandString);
}

TEST_F(InfInstallTest, ANewerInstalledFileStaysAndAMissingSourceFailsNamingIt) {
  auto inf = InfFile::Parse(kInf);
  ASSERT_TRUE(inf.ok());
  std::ostringstream err;
  QuietUi ui(err);
  WriteFileBytes(folder_.path() / "KorvaleCfg", "newer");
  fs::last_write_time(folder_.path() / "KorvaleCfg",
                      fs::last_write_time(medium_.path() / "KorvaleCfg") + std::chrono::hours(1));
  fs::remove(medium_.path() / "welcome.htm");
  Status copied = CopyInfFileSet(*inf, "KorvaleInstall.eng", Targets(), ui);
  ASSERT_FALSE(copied.ok());
  EXPECT_NE(copied.message().find("welcome.htm"), std::string::npos) << copied.message();
  EXPECT_EQ(ReadFileBytes(folder_.path() / "KorvaleCfg"), "newer") << "force-newer keeps a newer file";
  EXPECT_EQ(ReadFileBytes(folder_.path() / "ReadMe.txt"), "read me") << "files before the failure stay";
  EXPECT_FALSE(CopyInfFileSet(*inf, "KorvaleInstall.deu", Targets(), ui).ok()) << "a missing section fails";
}

TEST_F(InfInstallTest, AMalformedRegistryLineIsReportedAndTheOthersApplied) {
  auto inf = InfFile::Parse(R"([Version]
Signature=$Chicago$
[Install]
AddReg = Bad.Reg
[Bad.Reg]
HKLM, "Software\A", "N", 0x10001, "seven"
HKLM, "Software\B", "N", 0, "ok"
)");
  ASSERT_TRUE(inf.ok());
  Status applied = ApplyInfEntries(*inf, "Install", Targets());
  EXPECT_FALSE(applied.ok());
  EXPECT_EQ(registry_.GetString("HKLM", "Software\\B", "N"), "ok");
}

}  // namespace
}  // namespace korvale::setup
