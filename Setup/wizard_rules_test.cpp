// The wizard's page rules as an administrator meets them: every Next that is
// refused says why and keeps the page, presets come from the previous
// installation, and the 64-bit and virtual-directory rules hold.
#include "Setup/wizard_rules.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>

#include "tests/fakes/scripted_wizard_ui.h"
#include "tests/support/process.h"
#include "tests/support/temp_dir.h"

namespace korvale::setup {
namespace {

using testing::FakeRunner;
using testing::ScriptedLookups;
using testing::ScriptedWizardUi;

class Wizard : public ::testing::Test {
 protected:
  SetupWizard Make(const InstallAnswers& previous = {}, bool wow64 = false, std::uint32_t user_lcid = 0) {
    WizardEnvironment env{medium_.path().string(), wow64, user_lcid};
    return SetupWizard(env, previous, ui_, lookups_, runner_,
                       [this](const std::string& dsn, const std::string& key) {
                         auto it = dsn_values_.find(dsn + "|" + key);
                         return it == dsn_values_.end() ? std::string() : it->second;
                       });
  }
  std::string LastMessage() const { return ui_.LastMessage(); }

  testing::TempDir medium_;
  ScriptedWizardUi ui_;
  ScriptedLookups lookups_;
  FakeRunner runner_;
  std::map<std::string, std::string> dsn_values_;
};

TEST_F(Wizard, LicenceIsShownOnlyTheFirstTimeNextIsPressed) {
  testing::WriteFileBytes(medium_.File("license.txt"), "Terms\r\nof use\r\n");
  SetupWizard w = Make();
  EXPECT_EQ(w.WelcomeNext(), WelcomeResult::kNext);
  EXPECT_EQ(w.WelcomeNext(), WelcomeResult::kNext) << "after Back and Next again";
  ASSERT_EQ(ui_.licences.size(), 1u) << "shown once only";
  EXPECT_EQ(ui_.licences[0], "Terms\r\nof use\r\n") << "the file whole, byte for byte";
}

TEST_F(Wizard, DecliningTheLicenceEndsTheProgram) {
  testing::WriteFileBytes(medium_.File("license.txt"), "Terms");
  ui_.accept_licence = false;
  SetupWizard w = Make();
  EXPECT_EQ(w.WelcomeNext(), WelcomeResult::kEndProgram);
}

TEST_F(Wizard, UnreadableLicenceSaysWhichFileAndStays) {
  SetupWizard w = Make();
  EXPECT_EQ(w.WelcomeNext(), WelcomeResult::kStay);
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text, "Fehler beim Zugriff auf Datei:\n" + medium_.File("license.txt"));
  EXPECT_EQ(ui_.messages[0].title, "Korvale Setup Critical Error");
  EXPECT_TRUE(ui_.licences.empty());

  std::filesystem::create_directory(medium_.File("license.txt"));
  EXPECT_EQ(ReadLicence(medium_.File("license.txt")).error,
            "Fehler beim Lesen der Datei:\n" + medium_.File("license.txt"))
      << "a folder opens but cannot be read";
}

TEST_F(Wizard, FolderPageRefusesEmptyAndCreatesAMissingFolderOnlyWhenAllowed) {
  SetupWizard w = Make();
  EXPECT_FALSE(w.FolderNext(""));
  EXPECT_EQ(LastMessage(), "Please enter or select a valid folder");

  std::string target = medium_.File("Korvale/inst");
  ui_.answers = {false};
  EXPECT_FALSE(w.FolderNext(target)) << "No keeps the page";
  EXPECT_EQ(ui_.questions.back().text,
            "The folder " + target + "\ndoesn't exist.\nShould Setup create the folder?");
  EXPECT_FALSE(std::filesystem::exists(target));

  ui_.answers = {true};
  EXPECT_TRUE(w.FolderNext(target));
  EXPECT_TRUE(std::filesystem::is_directory(target));
  EXPECT_EQ(w.answers().destination_path, target);

  size_t questions = ui_.questions.size();
  EXPECT_TRUE(w.FolderNext(target)) << "an existing folder is taken without asking";
  EXPECT_EQ(ui_.questions.size(), questions);
}

TEST_F(Wizard, FolderThatCannotBeCreatedIsSaidAndKeepsThePage) {
  testing::WriteFileBytes(medium_.File("plainfile"), "x");
  SetupWizard w = Make();
  std::string target = medium_.File("plainfile/sub");
  ui_.answers = {true};
  EXPECT_FALSE(w.FolderNext(target));
  EXPECT_EQ(LastMessage(), "The folder " + target + "\ncannot be created.");
  EXPECT_EQ(ui_.messages.back().title, "Korvale Server Setup Error");
}

TEST_F(Wizard, CodepageIsPreselectedFromThePreviousLcidElseTheUsersLocale) {
  InstallAnswers previous;
  previous.lcid = 1031;
  SetupWizard from_previous = Make(previous, false, 1033);
  ASSERT_TRUE(from_previous.PreselectedLocale());
  EXPECT_EQ(from_previous.Locales()[*from_previous.PreselectedLocale()].name,
            std::string("German(Standard)"));

  SetupWizard from_user = Make({}, false, 2057);
  ASSERT_TRUE(from_user.PreselectedLocale());
  EXPECT_EQ(from_user.Locales()[*from_user.PreselectedLocale()].name, std::string("English(British)"));

  previous.lcid = 12345;  // not in the list: the user's locale is taken
  SetupWizard unknown = Make(previous, false, 1033);
  EXPECT_EQ(unknown.Locales()[*unknown.PreselectedLocale()].lcid, 1033u);

  EXPECT_FALSE(Make().PreselectedLocale()) << "nothing known, nothing selected";
  EXPECT_EQ(from_user.Locales().size(), 125u) << "the GLOBAL.ASA table without \"use server default\"";
  EXPECT_EQ(from_user.Locales().back().name, std::string("Zulu"));
}

TEST_F(Wizard, CodepageNextNeedsASelection) {
  SetupWizard w = Make();
  EXPECT_FALSE(w.CodepageNext(std::nullopt));
  EXPECT_EQ(LastMessage(), "Please select a locale to be used by the Korvale web application.");
  EXPECT_TRUE(w.CodepageNext(*FindLocale(1036)));
  EXPECT_EQ(w.answers().lcid, 1036u);
}

TEST_F(Wizard, PresetMsAccessIsOfferedAsSqlServerOn64Bit) {
  InstallAnswers previous;
  previous.database_type = DatabaseType::kAccess;
  SetupWizard w64 = Make(previous, true);
  EXPECT_EQ(w64.answers().database_type, DatabaseType::kSqlServer);
  EXPECT_FALSE(w64.AccessSelectable());
  SetupWizard w32 = Make(previous, false);
  EXPECT_EQ(w32.answers().database_type, DatabaseType::kAccess);
  EXPECT_TRUE(w32.AccessSelectable());
  EXPECT_FALSE(SetupWizard::CredentialsShown(DatabaseType::kAccess));
  EXPECT_TRUE(SetupWizard::CredentialsShown(DatabaseType::kMySql));
}

TEST_F(Wizard, DatasourceNextOn64BitNeedsServerAndForSqlServerTheDatabase) {
  SetupWizard w = Make({}, true);
  EXPECT_FALSE(w.DatasourceNext(DatabaseType::kSqlServer, "", "sa", "pw"));
  EXPECT_EQ(LastMessage(), "Please select a datasource to be used by the Korvale Service.");

  const std::string kDefinition =
      "You must specify a database and database server in the datasource definition";
  dsn_values_["k|Server"] = "db1";
  EXPECT_FALSE(w.DatasourceNext(DatabaseType::kSqlServer, "k", "sa", "pw"));
  EXPECT_EQ(LastMessage(), kDefinition) << "SQL Server needs the database too";
  EXPECT_TRUE(w.DatasourceNext(DatabaseType::kMySql, "k", "sa", "pw")) << "mySQL needs the server only";

  dsn_values_["k|Database"] = "korvale";
  EXPECT_TRUE(w.DatasourceNext(DatabaseType::kSqlServer, "k", "sa", "pw"));
  EXPECT_EQ(w.answers().database_name, "korvale");
  EXPECT_EQ(w.answers().database_server, "db1");
  EXPECT_EQ(w.answers().db_password, "pw");

  EXPECT_TRUE(w.DatasourceNext(DatabaseType::kAccess, "k", "sa", "pw"));
  EXPECT_EQ(w.answers().database_type, DatabaseType::kSqlServer)
      << "no MS Access on 64-bit, whatever arrives";
}

TEST_F(Wizard, EmbeddedDatabaseOn64BitNeedsItsDatabaseFileOnly) {
  SetupWizard w = Make({}, true);
  EXPECT_FALSE(w.DatasourceNext(DatabaseType::kSQLite, "k", "", ""));
  dsn_values_["k|Database"] = "/srv/korvale.db";
  EXPECT_TRUE(w.DatasourceNext(DatabaseType::kSQLite, "k", "ignored", "ignored"));
  EXPECT_EQ(w.answers().db_user, "") << "the embedded database has no user";
  EXPECT_FALSE(SetupWizard::CredentialsShown(DatabaseType::kSQLite));
}

TEST_F(Wizard, DatasourceOn32BitReadsNoDefinitionAndAccessHasNoUser) {
  SetupWizard w = Make();
  EXPECT_TRUE(w.DatasourceNext(DatabaseType::kAccess, "k", "typed before", "switching"));
  EXPECT_EQ(w.answers().db_user, "") << "hidden fields are not collected";
  EXPECT_EQ(w.answers().database_server, "");
}

TEST_F(Wizard, ExchangeServerPageNeedsAServerUnlessDetectionIsSkipped) {
  SetupWizard w = Make();
  const std::string kNoServer =
      "Please specify a local Microsoft Exchange\nDirectory Server that holds Address Book information.";
  EXPECT_FALSE(w.ExchangeServerNext());
  EXPECT_EQ(LastMessage(), kNoServer);

  lookups_.servers = {
      {ServerChoice::Outcome::kLibraryMissing, "", 0, "An error occured while trying to load a DLL"}};
  ui_.answers = {false};
  w.BrowseHomeServer();
  ASSERT_EQ(ui_.questions.size(), 1u);
  EXPECT_EQ(ui_.questions[0].title, "Error");
  EXPECT_EQ(ui_.questions[0].text.rfind(
                "An error occured while trying to load a DLL\nIf the above requirements", 0),
            0u);
  EXPECT_NE(ui_.questions[0].text.find(
                "Would you like to skip automatic detection of\nyour Microsoft Exchange Server?"),
            std::string::npos);
  EXPECT_FALSE(w.ExchangeServerNext()) << "No to skipping keeps the page";

  lookups_.servers = {{ServerChoice::Outcome::kLibraryMissing, "", 0, "missing"}};
  ui_.answers = {true};
  w.BrowseHomeServer();
  EXPECT_TRUE(w.ExchangeServerNext()) << "Yes lets the page be left without a server";
}

TEST_F(Wizard, ChosenServerSetsHomeServerAndVersionCancelKeepsThem) {
  InstallAnswers previous;
  previous.home_server = "/o=Old/ou=G/cn=Configuration/cn=Servers/cn=OLD";
  previous.msx2k = 1;
  SetupWizard w = Make(previous);
  EXPECT_TRUE(w.answers().upgrade);
  lookups_.servers = {{ServerChoice::Outcome::kCancelled, "", 0, ""}};
  w.BrowseHomeServer();
  EXPECT_EQ(w.answers().home_server, previous.home_server);
  lookups_.servers = {
      {ServerChoice::Outcome::kChosen, "/o=Org/ou=First/cn=Configuration/cn=Servers/cn=S1", 3, ""}};
  w.BrowseHomeServer();
  EXPECT_EQ(w.answers().home_server, "/o=Org/ou=First/cn=Configuration/cn=Servers/cn=S1");
  EXPECT_EQ(w.answers().home_server_name, "S1");
  EXPECT_EQ(w.answers().msx2k, 3);
  EXPECT_TRUE(w.ExchangeServerNext());
  EXPECT_TRUE(ui_.questions.empty());
}

TEST_F(Wizard, ServiceAccountWithoutBackslashIsRefused) {
  SetupWizard w = Make();
  EXPECT_FALSE(w.ServiceAccountNext("", "pw"));
  EXPECT_EQ(LastMessage(), "Please enter a Service Account to be used to run\nthe Korvale Service.");
  const std::string kFormat = "Please enter the Service Account in the following format:\nDOMAIN\\Username";
  for (const char* bad : {"korvale", "DOM\\", "\\korvale"}) {
    SCOPED_TRACE(bad);
    EXPECT_FALSE(w.ServiceAccountNext(bad, "pw"));
    EXPECT_EQ(LastMessage(), kFormat);
  }
  EXPECT_EQ(w.answers().service_account, "") << "nothing refused is collected";
  EXPECT_TRUE(w.ServiceAccountNext("DOM\\korvale", "pw"));
  EXPECT_EQ(w.answers().service_account, "DOM\\korvale");
  EXPECT_EQ(w.answers().service_password, "pw");
}

TEST_F(Wizard, LogonMailboxPageTakesThePlainServerAndTheMailboxAddress) {
  SetupWizard w = Make();
  EXPECT_FALSE(w.LogonMailboxNext());
  lookups_.servers = {
      {ServerChoice::Outcome::kChosen, "/o=Org/ou=First/cn=Configuration/cn=Servers/cn=S1", 1, ""}};
  w.BrowseLogonServer();
  EXPECT_EQ(w.answers().logon_server, "S1");
  EXPECT_EQ(w.answers().home_server, "") << "the logon server is not the home server";
  EXPECT_FALSE(w.LogonMailboxNext());
  EXPECT_EQ(LastMessage(), "Please select a mailbox to use to read addressbook information.");
  lookups_.mailbox = MailboxChoice{"Korvale Service", "/o=Org/ou=First/cn=Recipients/cn=svc"};
  w.BrowseLogonMailbox();
  EXPECT_EQ(lookups_.mailbox_servers, std::vector<std::string>{"S1"});
  EXPECT_EQ(w.answers().logon_mailbox, "/o=Org/ou=First/cn=Recipients/cn=svc");
  EXPECT_TRUE(w.LogonMailboxNext());
}

TEST_F(Wizard, KvCrVDirExitCodeSixGivesTheHeaderAndMessages1053And1054) {
  SetupWizard w = Make();
  runner_.status = 6;
  w.CreateVirtualDirectory("Korvale");
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text,
            "The following errors occured while creating the Virtual directory:\n\n"
            "Error enabling parent paths for the virtual root.\n"
            "Error enabling sending script errors to the browser for the virtual root.\n");
  EXPECT_EQ(ui_.messages[0].title, "Korvale Server Setup Error");
  ASSERT_EQ(runner_.calls.size(), 1u);
  EXPECT_EQ(runner_.calls[0].first, medium_.File("KvCrVDir"));
  ui_.answers = {false};
  EXPECT_FALSE(w.VirtualDirectoryNext()) << "a failed Create is no Create";
}

TEST_F(Wizard, VirtualDirectoryCreateMessagesAndTheQuestionWhenLeavingWithout) {
  SetupWizard w = Make();
  w.CreateVirtualDirectory("");
  EXPECT_EQ(LastMessage(), "Please enter a name for the virtual directory\nto be created.");
  EXPECT_TRUE(runner_.calls.empty());

  runner_.status = std::nullopt;
  w.CreateVirtualDirectory("Korvale");
  EXPECT_EQ(
      LastMessage(),
      "The Create Virtual Directory application could not be started.\nPlease ensure that KvCrVDir.exe is "
      "located in the\nsame path as Setup.exe.");

  runner_.status = 249;  // 1049 through the 8-bit exit status
  w.CreateVirtualDirectory("Korvale");
  EXPECT_EQ(LastMessage(),
            "Error creating key for virtual root.\nMost probably this virtual directory exists already.");

  ui_.answers = {false, true};
  EXPECT_FALSE(w.VirtualDirectoryNext());
  EXPECT_EQ(ui_.questions.back().text, "Are you sure you don't want to create a virtual directory?");
  EXPECT_TRUE(w.VirtualDirectoryNext());
  EXPECT_EQ(w.answers().virtual_directory, "");

  runner_.status = 0;
  w.CreateVirtualDirectory("Korvale");
  EXPECT_EQ(LastMessage(), "The virtual directory Korvale was successfully created.");
  EXPECT_EQ(ui_.messages.back().title, "Korvale Server Setup");
  size_t questions = ui_.questions.size();
  EXPECT_TRUE(w.VirtualDirectoryNext());
  EXPECT_EQ(ui_.questions.size(), questions) << "no question after a successful Create";
  EXPECT_EQ(w.answers().virtual_directory, "Korvale");
}

// The real tool on a metabase file: the folder and the name arrive as two arguments.
class ProcessRunner : public ProgramRunner {
 public:
  explicit ProcessRunner(std::string metabase) : metabase_(std::move(metabase)) {}
  std::optional<int> Run(const std::string&, const std::vector<std::string>& args) override {
    testing::ProcessResult r = testing::RunProcess(testing::BuiltProgram("vdirtool/KvCrVDir"), args,
                                                   {{"KORVALE_METABASE", metabase_}});
    return r.exit_code;
  }
  std::string metabase_;
};

TEST(WizardWithKvCrVDir, CreatesTheDirectoryForTheChosenFolderThenRefusesItAgain) {
  testing::TempDir dir;
  testing::WriteFileBytes(dir.File("metabase.txt"), "[/LM/W3SVC/1/ROOT]\n[/LM/W3SVC/AppPools]\n");
  ScriptedWizardUi ui;
  ScriptedLookups lookups;
  ProcessRunner runner(dir.File("metabase.txt"));
  SetupWizard w(WizardEnvironment{dir.path().string()}, {}, ui, lookups, runner,
                [](const std::string&, const std::string&) { return std::string(); });
  ASSERT_TRUE(w.FolderNext(dir.path().string()));
  w.CreateVirtualDirectory("Korvale Web");
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, "The virtual directory Korvale Web was successfully created.");
  EXPECT_NE(testing::ReadFileBytes(dir.File("metabase.txt"))
                .find("3001 attr=1 user=2 STRING \"" + dir.path().string() + "\""),
            std::string::npos);
  w.CreateVirtualDirectory("Korvale Web");
  EXPECT_EQ(ui.messages.back().text.rfind("Error creating key for virtual root.", 0), 0u);
}

TEST_F(Wizard, HelpOpensThePagesTopicAndReportsErrors) {
  std::filesystem::create_directory(medium_.File("help"));
  testing::WriteFileBytes(medium_.File("help/codepage.htm"), "<html></html>");
  SetupWizard w = Make();
  w.ShowHelp(WizardPage::kCodepage);
  EXPECT_EQ(ui_.opened, std::vector<std::string>{medium_.File("help/codepage.htm")});
  EXPECT_TRUE(ui_.messages.empty());

  w.ShowHelp(WizardPage::kLogonMailbox);
  EXPECT_EQ(ui_.messages.back().title, "Help Error") << "a missing topic";
  EXPECT_NE(LastMessage().find("Logon_Mailbox.htm"), std::string::npos);

  ui_.open_error = "no browser";
  w.ShowHelp(WizardPage::kCodepage);
  EXPECT_EQ(LastMessage(), "no browser");
  EXPECT_EQ(ui_.messages.back().title, "Help Error");
}

TEST(HelpTopics, EveryPageHasItsTopic) {
  EXPECT_STREQ(HelpTopic(WizardPage::kInstallFiles), "file_installation.htm");
  EXPECT_STREQ(HelpTopic(WizardPage::kFolder), "installation_folder.htm");
  EXPECT_STREQ(HelpTopic(WizardPage::kWelcome), "welcome.htm");
  EXPECT_STREQ(HelpTopic(WizardPage::kDatasource), "access_datasource_setup.htm");
  EXPECT_STREQ(HelpTopic(WizardPage::kServiceAccount), "specifying_the_exchange_service_.htm");
  EXPECT_STREQ(HelpTopic(WizardPage::kExchangeServer), "specifying_the_exchange_director.htm");
  EXPECT_STREQ(HelpTopic(WizardPage::kCodepage), "codepage.htm");
  EXPECT_STREQ(HelpTopic(WizardPage::kLogonMailbox), "Logon_Mailbox.htm");
  EXPECT_STREQ(HelpTopic(WizardPage::kVirtualDirectory), "setting_up_a_virtual_directory_o.htm");
  EXPECT_STREQ(HelpTopic(std::nullopt), "welcome_to_korvale.htm");
}

}  // namespace
}  // namespace korvale::setup
