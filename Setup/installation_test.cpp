// The installation steps on a small medium made here (an INF, a cabinet made
// with gcab, the stand-in libraries), into a temporary folder, with the
// services in a local registry and the registry keys in a temporary file.
#include "Setup/installation.h"
#include "Setup/previous_installation.h"

#include <unistd.h>

#include <pwd.h>
#include <filesystem>

#include <gtest/gtest.h>

#include "Setup/global_asa.h"
#include "Setup/recording_ui.h"
#include "Setup/settings_written.h"
#include "common/password_scramble.h"
#include "platform/profile/profile.h"
#include "platform/registry/registry.h"
#include "platform/scm/service_manager.h"
#include "tests/support/process.h"
#include "tests/support/temp_dir.h"

namespace korvale::setup {
namespace {

namespace fs = std::filesystem;
using testing::ReadFileBytes;
using testing::TempDir;
using testing::WriteFileBytes;

std::string CurrentUser() {
  const passwd* entry = getpwuid(geteuid());
  return entry != nullptr ? entry->pw_name : "root";
}

class InstallationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const fs::path m = medium_.path();
    WriteFileBytes(
        m / "Korvale.inf",
        "[Version]\r\nSignature=\"$Chicago$\"\r\n[DestinationDirs]\r\nDefaultDestDir=65600\r\n"
        "[KorvaleInstall.eng]\r\nCopyFiles=Files\r\nAddReg=Reg\r\n"
        "[KorvaleInstall.deu]\r\nCopyFiles=Files\r\n"
        "[Files]\r\nKorvaleCfg\r\nlibKvPwDc.so\r\nlibKvPwDc64.so\r\nlibKvImprso.so\r\n"
        "[Reg]\r\nHKLM,\"Software\\Tarnwick\\Korvale\\UserInfo\",\"DestinationPath\",0,\"%65600%\"\r\n");
    WriteFileBytes(m / "KorvaleCfg", "#!/bin/sh\n");
    for (const char* library : {"libKvPwDc.so", "libKvPwDc64.so", "libKvImprso.so"}) {
      fs::copy_file(testing::BuiltProgram(std::string("Setup/standins/") + library), m / library);
    }
    fs::copy_file(testing::BuiltProgram("Setup/standins/KvRegDLL"), m / "KvRegDLL");
    const fs::path cab = m / "cab";
    fs::create_directories(cab / "KORVALE");
    WriteFileBytes(cab / "KorvaleSrv", "#!/bin/sh\nexec sleep 600\n");
    WriteFileBytes(cab / "KORVALE/config.inc", "<% shipped %>");
    auto made = testing::RunProcess("/usr/bin/gcab",
                                    {"-c", (m / "Korvale.cab").string(), "KorvaleSrv", "KORVALE/config.inc"},
                                    {}, cab.string());
    ASSERT_EQ(made.exit_code, 0) << made.output;
    setenv("HOME", home_.path().c_str(), 1);
    unsetenv("XDG_CONFIG_HOME");

    answers_.destination_path = folder_.path().string();
    answers_.lcid = 1031;
    answers_.database_type = DatabaseType::kSqlServer;
    answers_.data_source = "korvale";
    answers_.db_user = "sa";
    answers_.db_password = "secret";
    answers_.home_server = "/o=Org/ou=Site/cn=Configuration/cn=Servers/cn=SRV1";
    answers_.home_server_name = "SRV1";
    answers_.msx2k = 3;
    answers_.service_account = "DOM\\" + CurrentUser();
    answers_.logon_server = "SRV1";
    answers_.logon_mailbox = "/o=Org/ou=Site/cn=Recipients/cn=svc";
    context_.setup_dir = m.string();
    context_.services = services_.get();
    context_.registry_file = registry_dir_.File("registry.ini");
  }
  void TearDown() override {
    if (services_->Query(kService).ok()) {
      (void)services_->Stop(kService);
      while (services_->Query(kService).ok() &&
             *services_->Query(kService) == scm::ServiceState::kStopPending) {
      }
    }
  }
  std::string Ini() const { return folder_.File("Caldrun.ini"); }
  std::string Key(const std::string& key, const std::string& section = "Config") const {
    return profile::GetString(Ini(), section, key, "<none>", 1024);
  }

  static constexpr const char* kService = "Korvale Update Service";
  TempDir medium_, folder_, home_, registry_dir_, services_dir_;
  std::unique_ptr<scm::ServiceManager> services_ = scm::OpenLocalRegistry(services_dir_.File("services"));
  InstallAnswers answers_;
  InstallContext context_;
};

TEST_F(InstallationTest, AFreshInstallationLaysOutTheFolderAndRegistersTheStoppedService) {
  RecordingUi ui;
  InstallResult result = RunInstallationSteps(answers_, ui, context_);
  EXPECT_EQ(result.outcome, InstallOutcome::kCompleted) << ui.AllMessages();
  EXPECT_EQ(result.failures, 0) << ui.AllMessages();
  EXPECT_TRUE(fs::exists(folder_.path() / "KorvaleSrv"));
  EXPECT_TRUE(fs::exists(folder_.path() / "KorvaleCfg"));
  EXPECT_EQ(ReadFileBytes(folder_.path() / "KORVALE/config.inc"), "<% shipped %>");
  EXPECT_TRUE(ui.Showed("account has been granted the 'Logon as a Service' right.")) << ui.AllMessages();
  EXPECT_TRUE(ui.Showed(kDropTablesMessage)) << "a first SQL Server installation hears about the old tables";
  EXPECT_TRUE(ui.Showed("Korvale is now installed on your computer.")) << ui.AllMessages();

  auto listed = services_->EnumerateServices();
  ASSERT_TRUE(listed.ok());
  ASSERT_EQ(listed->size(), 1u);
  EXPECT_EQ((*listed)[0].image_path, (folder_.path() / "KorvaleSrv").string());
  EXPECT_EQ((*listed)[0].account, answers_.service_account);
  EXPECT_EQ(*services_->Query(kService), scm::ServiceState::kStopped)
      << "a fresh installation does not start it";

  registry::Registry reg(context_.registry_file);
  EXPECT_EQ(reg.GetString("HKLM", "Software\\Tarnwick\\Korvale\\UserInfo", "DestinationPath"),
            folder_.path().string());
  const std::string source =
      "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\Korvale Update Service";
  EXPECT_EQ(reg.Get("HKLM", source, "TypesSupported")->number, 7u);
  EXPECT_EQ(reg.Get("HKLM", source, "EventMessageFile")->text, (folder_.path() / "KorvaleSrv").string());

  const std::string link = ReadFileBytes(home_.path() / "Desktop/Korvale Configuration.desktop");
  EXPECT_NE(link.find("Name=Korvale Configuration\n"), std::string::npos) << link;
  EXPECT_NE(link.find((folder_.path() / "KorvaleCfg").string()), std::string::npos) << link;
}

TEST_F(InstallationTest, SettingsWrittenAreExactlyTheInstallationsKeys) {
  RecordingUi ui;
  ASSERT_TRUE(RunInstallationSteps(answers_, ui, context_).ok()) << ui.AllMessages();
  EXPECT_EQ(profile::GetKeyNames(Ini(), "Config"),
            (std::vector<std::string>{"Version", "DB", "SQLServer", "Oracle", "mySQL", "DBUserName", "GUID2",
                                      "HomeServer", "NotificationServer", "NotificationMailbox", "MSX2k",
                                      "LogonServer", "LogonMailbox", "LCID", "Server1"}));
  EXPECT_EQ(Key("Version"), "5.0");
  EXPECT_EQ(Key("SQLServer") + Key("Oracle") + Key("mySQL"), "100");
  EXPECT_EQ(PasswordFromGuid2(Key("GUID2")), "secret");
  EXPECT_EQ(Key("NotificationServer"), answers_.home_server);
  EXPECT_EQ(Key("NotificationMailbox"), answers_.logon_mailbox);
  EXPECT_EQ(Key("Server1"), "SRV1");
  EXPECT_EQ(profile::GetKeyNames(Ini(), "Server1"),
            (std::vector<std::string>{"TimeDiff", "DS", "DateTimeFormat", "Local", "SQL", "Oracle", "mySQL",
                                      "Username", "Password"}));
  EXPECT_EQ(UnscramblePassword(Key("Password", "Server1")), "secret");
}

TEST_F(InstallationTest, TheNextSetupPresetsTheCodePageThisOneChose) {
  RecordingUi ui;
  ASSERT_TRUE(RunInstallationSteps(answers_, ui, context_).ok()) << ui.AllMessages();
  InstallAnswers next;
  PresetFromSettings(folder_.path().string(), next);
  EXPECT_EQ(next.lcid, 1031u);
  EXPECT_TRUE(next.upgrade);
}

TEST_F(InstallationTest, MsAccessRemovesTheDialectKeysAndStoresTheEmptyPasswordMarker) {
  profile::WriteString(Ini(), "Config", "SQLServer", "1");
  profile::WriteString(Ini(), "Config", "mySQL", "1");
  profile::WriteString(Ini(), "Config", "Oracle", "0");
  answers_.database_type = DatabaseType::kAccess;
  RecordingUi ui;
  ASSERT_TRUE(RunInstallationSteps(answers_, ui, context_).ok()) << ui.AllMessages();
  EXPECT_EQ(Key("SQLServer"), "<none>");
  EXPECT_EQ(Key("Oracle"), "<none>");
  EXPECT_EQ(Key("mySQL"), "<none>");
  EXPECT_EQ(Key("GUID2"), std::string(kEmptyPasswordMarker));
  EXPECT_EQ(Key("DBUserName"), "<none>") << "MS Access has no database user";
  EXPECT_FALSE(ui.Showed(kDropTablesMessage)) << "MS Access databases are not dropped by hand";
}

TEST_F(InstallationTest, GlobalAsaHas126CommentLinesAndTheChosenLcid) {
  RecordingUi ui;
  ASSERT_TRUE(RunInstallationSteps(answers_, ui, context_).ok()) << ui.AllMessages();
  const std::string asa = ReadFileBytes(folder_.path() / "GLOBAL.ASA");
  EXPECT_EQ(asa, GlobalAsaText(1031));
  size_t comments = 0;
  for (size_t at = asa.find("\r\n'  Application(\"CodePage\") = "); at != std::string::npos;
       at = asa.find("\r\n'  Application(\"CodePage\") = ", at + 1)) {
    ++comments;
  }
  EXPECT_EQ(comments, 126u);
  EXPECT_NE(asa.find("\r\n'  Application(\"CodePage\") = 9    'English\r\n"), std::string::npos)
      << "the English line keeps its four blanks";
  EXPECT_NE(asa.find("\r\nApplication(\"CodePage\") = 1031\r\nEnd Sub\r\n"), std::string::npos);
  EXPECT_EQ(asa.substr(0, 45), "<SCRIPT LANGUAGE=\"VBScript\" RUNAT=\"Server\">\r\n");
  EXPECT_EQ(asa.substr(asa.size() - 13), "\r\n\r\n</SCRIPT>") << "no line break after the closing tag";
  EXPECT_EQ(asa.find('\n'), asa.find("\r\n") + 1) << "text mode: CR LF";
}

TEST_F(InstallationTest, AnUpgradeStartsTheServiceAndAnExistingServiceIsCreatedAgain) {
  RecordingUi first;
  ASSERT_TRUE(RunInstallationSteps(answers_, first, context_).ok()) << first.AllMessages();
  ASSERT_TRUE(services_->Start(kService).ok());  // the old installation's service runs
  answers_.upgrade = true;
  RecordingUi ui;
  ASSERT_TRUE(RunInstallationSteps(answers_, ui, context_).ok()) << ui.AllMessages();
  EXPECT_FALSE(ui.Showed("could not be registered")) << ui.AllMessages();
  EXPECT_EQ(*services_->Query(kService), scm::ServiceState::kRunning) << "an upgrade starts the service";
  EXPECT_EQ(services_->EnumerateServices()->size(), 1u);
}

TEST_F(InstallationTest, AnAccountThatIsNoUserFallsBackToTheLocalSystemAccount) {
  answers_.service_account = "DOM\\no-such-user-korvale";
  RecordingUi ui;
  ASSERT_TRUE(RunInstallationSteps(answers_, ui, context_).ok());
  EXPECT_TRUE(
      ui.Showed("The Setup program was unable to add 'Log on as a service' rights\n on the local machine "
                "to the DOM\\no-such-user-korvale account."))
      << ui.AllMessages();
  EXPECT_TRUE(ui.Showed("The local system account has been used instead.")) << ui.AllMessages();
  EXPECT_EQ((*services_->EnumerateServices())[0].account, "");
}

TEST_F(InstallationTest, AMissingInfOrCabinetStopsWithItsMessage) {
  fs::rename(medium_.path() / "Korvale.cab", medium_.path() / "Korvale.cab.away");
  RecordingUi no_cab;
  EXPECT_EQ(RunInstallationSteps(answers_, no_cab, context_).outcome, InstallOutcome::kStopped);
  EXPECT_EQ(no_cab.AllMessages(),
            "[Korvale Server Setup Error] Can't find " + (medium_.path() / "Korvale.cab").string() + ".\n");
  EXPECT_FALSE(fs::exists(Ini())) << "nothing after the cabinet ran";

  fs::remove(medium_.path() / "Korvale.inf");
  RecordingUi no_inf;
  EXPECT_EQ(RunInstallationSteps(answers_, no_inf, context_).outcome, InstallOutcome::kStopped);
  EXPECT_EQ(
      no_inf.AllMessages(),
      "[Korvale Server Setup Error] One or more of the files required for\nSetup could not be located.\n\n"
      "Please ensure that all required files\nare in the current directory and try again.\n");
}

TEST_F(InstallationTest, AFailedFileCopyEndsWithTheScriptMessageAfterTheOtherSteps) {
  fs::remove(medium_.path() / "KorvaleCfg");
  RecordingUi ui;
  InstallResult result = RunInstallationSteps(answers_, ui, context_);
  EXPECT_EQ(result.outcome, InstallOutcome::kScriptIncomplete);
  ASSERT_FALSE(ui.messages.empty());
  EXPECT_EQ(ui.messages.back().text, "Installation script did not complete successfully!");
  EXPECT_TRUE(fs::exists(Ini())) << "the later steps still ran";
}

TEST_F(InstallationTest, TheGermanSectionIsAppliedForAGermanUser) {
  context_.german = true;
  RecordingUi ui;
  ASSERT_TRUE(RunInstallationSteps(answers_, ui, context_).ok()) << ui.AllMessages();
  registry::Registry reg(context_.registry_file);
  EXPECT_FALSE(reg.Get("HKLM", "Software\\Tarnwick\\Korvale\\UserInfo", "DestinationPath").has_value())
      << "the test's German section has no registry entries";
}

TEST_F(InstallationTest, TheComLibrariesOfA64BitEmulationAreRegisteredByKvRegDll) {
  answers_.wow64 = true;
  RecordingUi ui;
  ASSERT_TRUE(RunInstallationSteps(answers_, ui, context_).ok()) << ui.AllMessages();
  EXPECT_FALSE(ui.Showed("register")) << ui.AllMessages();
  EXPECT_EQ(Key("Wow64"), "1");

  fs::remove(medium_.path() / "KvRegDLL");
  RecordingUi missing;
  ASSERT_TRUE(RunInstallationSteps(answers_, missing, context_).ok());
  EXPECT_TRUE(missing.Showed("Could not start process KvRegDLL.exe to register " +
                             (folder_.path() / "libKvPwDc.so").string()))
      << missing.AllMessages();
}

// A fresh folder: a library once loaded from a path stays loaded for the process.
TEST_F(InstallationTest, ALibraryThatCannotBeLoadedIsNamedWithTheManualCommand) {
  fs::remove(medium_.path() / "libKvImprso.so");
  WriteFileBytes(medium_.path() / "libKvImprso.so", "not a library");
  RecordingUi broken;
  ASSERT_TRUE(RunInstallationSteps(answers_, broken, context_).ok());
  const std::string library = (folder_.path() / "libKvImprso.so").string();
  EXPECT_TRUE(broken.Showed(
      "An error occured while trying to register the following DLL:\n" + library +
      "\n\nPlease try to register it manually by issuing the following command:\nregsvr32 " + library))
      << broken.AllMessages();
}

}  // namespace
}  // namespace korvale::setup
