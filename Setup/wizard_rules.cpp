#include "Setup/wizard_rules.h"

#include <filesystem>
#include <system_error>

#include "vdirtool/exit_code.h"

namespace korvale::setup {
namespace {

constexpr const char* kNoServerText =
    "Please specify a local Microsoft Exchange\nDirectory Server that holds Address Book information.";
constexpr const char* kSkipDetectionText =
    "\nIf the above requirements are met, it might be\nthat you have an outdated MFC42.DLL or MSVCRT.DLL\n"
    "installed. These DLLs are automatically replaced\nby the Setup program, but you must restart your\n"
    "computer at the end of Setup. After restarting,\nyou must run Setup again.\n\nWould you like to skip "
    "automatic detection of\nyour Microsoft Exchange Server?\n\nNote: If you click Yes, you have to restart "
    "your\ncomputer after completion of the Setup program\nand then run Setup again.";

}  // namespace

SetupWizard::SetupWizard(WizardEnvironment environment, const InstallAnswers& presets, WizardUi& ui,
                         WizardLookups& lookups, ProgramRunner& runner, DsnValueReader dsn_values)
    : environment_(std::move(environment)),
      ui_(ui),
      lookups_(lookups),
      runner_(runner),
      dsn_values_(std::move(dsn_values)),
      preset_lcid_(presets.lcid),
      answers_(presets) {
  if (environment_.wow64 && answers_.database_type == DatabaseType::kAccess) {
    answers_.database_type = DatabaseType::kSqlServer;
  }
  answers_.home_server_name = PlainServerName(answers_.home_server);
  answers_.upgrade = !answers_.home_server.empty();
  answers_.wow64 = environment_.wow64;
  // Collected again by their pages: the code page and the virtual directory of this run.
  answers_.lcid = 0;
  answers_.virtual_directory.clear();
  answers_.quiet = false;
}

WelcomeResult SetupWizard::WelcomeNext() {
  if (licence_accepted_) return WelcomeResult::kNext;
  LicenceText licence = ReadLicence((std::filesystem::path(environment_.setup_dir) / "license.txt").string());
  if (!licence.error.empty()) {
    ui_.ShowMessage(licence.error, "Korvale Setup Critical Error", MessageIcon::kError);
    return WelcomeResult::kStay;
  }
  if (!ui_.ShowLicence(licence.text)) return WelcomeResult::kEndProgram;
  licence_accepted_ = true;
  return WelcomeResult::kNext;
}

bool SetupWizard::FolderNext(const std::string& folder) {
  if (folder.empty()) {
    ui_.ShowMessage("Please enter or select a valid folder", kSetupErrorTitle, MessageIcon::kError);
    return false;
  }
  std::error_code error;
  if (!std::filesystem::is_directory(folder, error)) {
    if (!ui_.AskYesNo("The folder " + folder + "\ndoesn't exist.\nShould Setup create the folder?",
                      kSetupTitle, MessageIcon::kQuestion)) {
      return false;
    }
    std::filesystem::create_directories(folder, error);
    if (error || !std::filesystem::is_directory(folder, error)) {
      ui_.ShowMessage("The folder " + folder + "\ncannot be created.", kSetupErrorTitle, MessageIcon::kError);
      return false;
    }
  }
  answers_.destination_path = folder;
  return true;
}

std::optional<size_t> SetupWizard::PreselectedLocale() const {
  if (std::optional<size_t> previous = FindLocale(preset_lcid_)) return previous;
  return FindLocale(environment_.user_lcid);
}

bool SetupWizard::CodepageNext(std::optional<size_t> selected) {
  if (!selected || *selected >= WebLocales().size()) {
    ui_.ShowMessage("Please select a locale to be used by the Korvale web application.", kSetupErrorTitle,
                    MessageIcon::kError);
    return false;
  }
  answers_.lcid = WebLocales()[*selected].lcid;
  return true;
}

bool SetupWizard::DatasourceNext(DatabaseType type, const std::string& datasource, const std::string& user,
                                 const std::string& password) {
  // The window cannot offer MS Access here; a type that arrives anyway is not stored as it.
  if (environment_.wow64 && type == DatabaseType::kAccess) type = DatabaseType::kSqlServer;
  if (datasource.empty()) {
    ui_.ShowMessage("Please select a datasource to be used by the Korvale Service.", kSetupErrorTitle,
                    MessageIcon::kError);
    return false;
  }
  std::string database;
  std::string server;
  if (environment_.wow64) {
    server = dsn_values_(datasource, "Server");
    database = dsn_values_(datasource, "Database");
    // The embedded database is a file: it has a "Database" but no server.
    bool missing = type == DatabaseType::kSQLite
                       ? database.empty()
                       : server.empty() || (type == DatabaseType::kSqlServer && database.empty());
    if (missing) {
      ui_.ShowMessage("You must specify a database and database server in the datasource definition",
                      kSetupErrorTitle, MessageIcon::kError);
      return false;
    }
  }
  answers_.database_type = type;
  answers_.data_source = datasource;
  answers_.db_user = CredentialsShown(type) ? user : "";
  answers_.db_password = CredentialsShown(type) ? password : "";
  answers_.database_name = database;
  answers_.database_server = server;
  return true;
}

std::optional<ServerChoice> SetupWizard::ChooseServer(bool& skip_allowed) {
  ServerChoice choice = lookups_.ChooseHomeServer();
  if (choice.outcome == ServerChoice::Outcome::kChosen) return choice;
  if (choice.outcome == ServerChoice::Outcome::kLibraryMissing &&
      ui_.AskYesNo(choice.message + kSkipDetectionText, "Error", MessageIcon::kError)) {
    skip_allowed = true;
  }
  return std::nullopt;
}

void SetupWizard::BrowseHomeServer() {
  if (std::optional<ServerChoice> choice = ChooseServer(home_server_skip_)) {
    answers_.home_server = choice->home_server;
    answers_.home_server_name = PlainServerName(choice->home_server);
    answers_.msx2k = choice->exchange_version;
  }
}

bool SetupWizard::ExchangeServerNext() {
  if (answers_.home_server.empty() && !home_server_skip_) {
    ui_.ShowMessage(kNoServerText, kSetupErrorTitle, MessageIcon::kError);
    return false;
  }
  return true;
}

bool SetupWizard::ServiceAccountNext(const std::string& account, const std::string& password) {
  if (account.empty()) {
    ui_.ShowMessage("Please enter a Service Account to be used to run\nthe Korvale Service.",
                    kSetupErrorTitle, MessageIcon::kError);
    return false;
  }
  // "DOM\" or "\user" cannot name an account either.
  size_t slash = account.find('\\');
  if (slash == std::string::npos || slash == 0 || slash + 1 == account.size()) {
    ui_.ShowMessage("Please enter the Service Account in the following format:\nDOMAIN\\Username",
                    kSetupErrorTitle, MessageIcon::kError);
    return false;
  }
  answers_.service_account = account;
  answers_.service_password = password;
  return true;
}

void SetupWizard::BrowseLogonServer() {
  if (std::optional<ServerChoice> choice = ChooseServer(logon_server_skip_)) {
    answers_.logon_server = PlainServerName(choice->home_server);
  }
}

void SetupWizard::BrowseLogonMailbox() {
  if (std::optional<MailboxChoice> mailbox = lookups_.ChooseMailbox(answers_.logon_server)) {
    answers_.logon_mailbox = mailbox->address.empty() ? mailbox->display_name : mailbox->address;
  }
}

bool SetupWizard::LogonMailboxNext() {
  if (answers_.logon_server.empty() && !logon_server_skip_) {
    ui_.ShowMessage(kNoServerText, kSetupErrorTitle, MessageIcon::kError);
    return false;
  }
  if (answers_.logon_mailbox.empty()) {
    ui_.ShowMessage("Please select a mailbox to use to read addressbook information.", kSetupErrorTitle,
                    MessageIcon::kError);
    return false;
  }
  return true;
}

void SetupWizard::CreateVirtualDirectory(const std::string& name) {
  if (name.empty()) {
    ui_.ShowMessage("Please enter a name for the virtual directory\nto be created.", kSetupErrorTitle,
                    MessageIcon::kError);
    return;
  }
  std::string program = (std::filesystem::path(environment_.setup_dir) / "KvCrVDir").string();
  std::optional<int> status = runner_.Run(program, {answers_.destination_path, name});
  if (!status) {
    ui_.ShowMessage(
        "The Create Virtual Directory application could not be started.\nPlease ensure that KvCrVDir.exe is "
        "located in the\nsame path as Setup.exe.",
        kSetupErrorTitle, MessageIcon::kError);
    return;
  }
  vdirtool::VdirResultMessage result =
      vdirtool::VirtualDirectoryResultMessage(vdirtool::CodeFromExitStatus(*status), name);
  if (result.error) {
    ui_.ShowMessage(result.text, kSetupErrorTitle, MessageIcon::kError);
    return;
  }
  ui_.ShowMessage(result.text, kSetupTitle, MessageIcon::kInformation);
  virtual_directory_created_ = true;
  answers_.virtual_directory = name;
}

bool SetupWizard::VirtualDirectoryNext() {
  if (virtual_directory_created_) return true;
  return ui_.AskYesNo("Are you sure you don't want to create a virtual directory?", kSetupTitle,
                      MessageIcon::kQuestion);
}

InstallResult SetupWizard::Install() {
  InstallContext context;
  context.setup_dir = environment_.setup_dir;
  context.services = environment_.services;
  context.german = environment_.german;
  return RunInstallationSteps(answers_, ui_, context);
}

}  // namespace korvale::setup
