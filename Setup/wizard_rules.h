// The server setup wizard without its windows: the page order, each page's
// presets and the checks of its Next, the licence shown once, the folder
// question, the datasource rules of 64-bit installations, the server and
// mailbox choices with the question to skip them, KvCrVDir and its exit code,
// and the help topics. A window calls one method per button and shows what
// the method leaves in `answers()`; every message goes through WizardUi.
//
//   SetupWizard wizard(environment, previous, ui, lookups, runner);
//   if (wizard.FolderNext(folder_edit_text)) ... go to the codepage page ...
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "Setup/install_answers.h"
#include "Setup/installation.h"
#include "Setup/wizard_locales.h"
#include "Setup/wizard_ui.h"

namespace korvale::setup {

enum class WizardPage {
  kWelcome,
  kFolder,
  kCodepage,
  kDatasource,
  kExchangeServer,
  kServiceAccount,
  kLogonMailbox,
  kVirtualDirectory,
  kInstallFiles,
};
inline constexpr int kWizardPageCount = 9;

// The folder of the medium that holds the help topics.
inline constexpr const char* kHelpFolder = "help";

// What the machine says, injected so tests can be a 64-bit machine or a
// German administrator.
struct WizardEnvironment {
  std::string setup_dir;        // the medium: license.txt, the help folder, KvCrVDir
  bool wow64 = false;           // the 32-bit-on-64-bit flag; our programs are native, so false here
  std::uint32_t user_lcid = 0;  // the administrator's default locale; 0 when unknown
  bool german = false;          // the user's locale is German: the INF's German section is copied
  scm::ServiceManager* services = nullptr;  // the machine's services; null: the real ones
};

// Reads a value of a data source definition; empty when missing.
using DsnValueReader = std::function<std::string(const std::string& dsn, const std::string& key)>;

enum class WelcomeResult { kStay, kNext, kEndProgram };

class SetupWizard {
 public:
  // `presets`: the previous installation's answers (PresetFromSettings), or
  // default answers on a first installation.
  SetupWizard(WizardEnvironment environment, const InstallAnswers& presets, WizardUi& ui,
              WizardLookups& lookups, ProgramRunner& runner, DsnValueReader dsn_values);

  const InstallAnswers& answers() const { return answers_; }
  const WizardEnvironment& environment() const { return environment_; }

  // Welcome: the licence agreement the first time only; "No" ends the program.
  WelcomeResult WelcomeNext();

  // Installation folder: empty refused; a missing folder created after asking.
  bool FolderNext(const std::string& folder);

  // Codepage: the choices and the preselected one (the previous LCID, else the
  // user's locale, when the list has it).
  std::span<const LocaleEntry> Locales() const { return WebLocales(); }
  std::optional<size_t> PreselectedLocale() const;
  bool CodepageNext(std::optional<size_t> selected);

  // Datasource. On 64-bit machines MS Access cannot be chosen and a preset
  // MS Access is offered as SQL Server; the user fields show only for other types.
  // SQLite, the embedded database, is offered beside the four server types.
  bool AccessSelectable() const { return !environment_.wow64; }
  static bool CredentialsShown(DatabaseType type) {
    return type != DatabaseType::kAccess && type != DatabaseType::kSQLite;
  }
  bool DatasourceNext(DatabaseType type, const std::string& datasource, const std::string& user,
                      const std::string& password);

  // Exchange server: "..." runs the lookups; a missing directory library asks
  // whether to go on without a server.
  void BrowseHomeServer();
  bool ExchangeServerNext();

  // Service account: DOMAIN\User with both parts, and its password.
  bool ServiceAccountNext(const std::string& account, const std::string& password);

  // Logon mailbox: the server as on the Exchange server page, the mailbox
  // from the address book.
  void BrowseLogonServer();
  void BrowseLogonMailbox();
  bool LogonMailboxNext();

  // Virtual directory: Create runs KvCrVDir; leaving without one asks.
  void CreateVirtualDirectory(const std::string& name);
  bool VirtualDirectoryNext();

  // Help: opens the page's topic with the desktop's browser.
  void ShowHelp(std::optional<WizardPage> page);

  // Finish: the installation steps with what the pages collected.
  InstallResult Install();

 private:
  std::optional<ServerChoice> ChooseServer(bool& skip_allowed);

  WizardEnvironment environment_;
  WizardUi& ui_;
  WizardLookups& lookups_;
  ProgramRunner& runner_;
  DsnValueReader dsn_values_;
  std::uint32_t preset_lcid_ = 0;
  InstallAnswers answers_;
  bool licence_accepted_ = false;
  bool home_server_skip_ = false;
  bool logon_server_skip_ = false;
  bool virtual_directory_created_ = false;
};

// The help topic of a page ("welcome_to_korvale.htm" for anything else).
const char* HelpTopic(std::optional<WizardPage> page);

// The path of license.txt's text, read whole, or the message to show (title
// "Korvale Setup Critical Error") when it cannot be read.
struct LicenceText {
  std::string text;
  std::string error;  // empty when read
};
LicenceText ReadLicence(const std::string& path);

}  // namespace korvale::setup
