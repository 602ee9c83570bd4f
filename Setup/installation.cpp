#include "Setup/installation.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string_view>

#include "Setup/admin_expansion.h"
#include "Setup/cabinet_extraction.h"
#include "Setup/com_libraries.h"
#include "Setup/desktop_link.h"
#include "Setup/global_asa.h"
#include "Setup/inf_file.h"
#include "Setup/inf_install.h"
#include "Setup/quiet_install.h"
#include "Setup/service_steps.h"
#include "Setup/settings_written.h"
#include "platform/accounts/org_account_directory.h"
#include "platform/registry/registry.h"
#include "platform/scm/service_manager.h"

namespace korvale::setup {
namespace fs = std::filesystem;

std::string PlainServerName(const std::string& distinguished_name) {
  static constexpr std::string_view kServers = "/cn=Servers/cn=";
  const auto at = distinguished_name.find(kServers);
  if (at == std::string::npos) return distinguished_name;
  return distinguished_name.substr(at + kServers.size());
}

bool UserLocaleIsGerman() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') continue;
    const std::string_view locale(value);
    return locale.substr(0, 2) == "de" && (locale.size() == 2 || locale[2] == '_' || locale[2] == '.');
  }
  return false;
}

namespace {

const char* const kFilesMissingMessage =
    "One or more of the files required for\nSetup could not be located.\n\n"
    "Please ensure that all required files\nare in the current directory and try again.";

const char* const kInstalledMessage =
    "Korvale is now installed on your computer.\n\n"
    "You now need to run the Korvale Configuration\n"
    "program (KorvaleCfg.exe) to set up groups of users\n"
    "that will be scanned by the Korvale Service.\n"
    "A shortcut to the Korvale Configuration program\n"
    "has been placed on your Desktop.\n\n"
    "Please read the 'ReadMe.txt' file carefully before\n"
    "starting the Service for the first time and watch the Event\n"
    "Log for error messages.";

// One run of the steps, with what they share.
class Installation {
 public:
  Installation(const InstallAnswers& answers, SetupUi& ui, const InstallContext& context)
      : a_(answers),
        ui_(ui),
        context_(context),
        folder_(answers.destination_path),
        registry_(context.registry_file.empty() ? registry::RegistryFile() : context.registry_file) {}

  InstallResult Run() {
    auto inf = InfFile::Open((fs::path(context_.setup_dir) / "Korvale.inf").string());
    if (!inf.ok()) return Stop(kFilesMissingMessage);
    if (!ExtractCabinet((fs::path(context_.setup_dir) / "Korvale.cab").string(), folder_, ui_)) {
      return {InstallOutcome::kStopped, failures_ + 1};
    }
    const bool copied = ApplyInf(*inf);
    Count(GrantServiceLogonRight(a_.service_account, ui_));
    scm::ServiceManager& services = Services();
    Count(RegisterUpdateService(folder_, a_.service_account, a_.service_password, services, registry_, ui_));
    WriteSettings();
    Count(WriteGlobalAsa(folder_, a_.lcid, ui_));
    Count(CreateDesktopLink(folder_, registry_, ui_));
    failures_ += RegisterComLibraries(folder_, context_.setup_dir, a_.wow64, ui_);
    if (a_.upgrade) Count(StartUpdateService(services, ui_));
    ui_.ShowMessage(kInstalledMessage, kSetupTitle, MessageIcon::kInformation);
    // Files are renamed over their targets, so none waits for a restart.
    if (!copied) {
      ui_.ShowMessage("Installation script did not complete successfully!", kSetupErrorTitle,
                      MessageIcon::kError);
      return {InstallOutcome::kScriptIncomplete, failures_};
    }
    return {InstallOutcome::kCompleted, failures_};
  }

 private:
  InstallResult Stop(const std::string& message) {
    ui_.ShowMessage(message, kSetupErrorTitle, MessageIcon::kError);
    return {InstallOutcome::kStopped, failures_ + 1};
  }

  void Count(bool ok) {
    if (!ok) ++failures_;
  }

  // The file set, then the INI and registry entries of the locale's section.
  bool ApplyInf(const InfFile& inf) {
    const std::string section = context_.german ? "KorvaleInstall.deu" : "KorvaleInstall.eng";
    InfTargets targets{
        context_.setup_dir, {{kDirIdInstallation, folder_}, {kDirIdSource, context_.setup_dir}}, registry_};
    Status copied = CopyInfFileSet(inf, section, targets, ui_);
    if (!copied.ok()) {
      ui_.ShowMessage(copied.message(), kSetupErrorTitle, MessageIcon::kError);
      ++failures_;
      return false;
    }
    Status applied = ApplyInfEntries(inf, section, targets);
    if (!applied.ok()) {
      ui_.ShowMessage(applied.message(), kSetupErrorTitle, MessageIcon::kError);
      ++failures_;
    }
    return true;
  }

  void WriteSettings() {
    const std::string expanded = a_.quiet ? ExpandAdmins() : std::string();
    Count(WriteInstallationSettings(a_, expanded, (fs::path(folder_) / "Caldrun.ini").string(), ui_));
    if (!a_.quiet) return;
    const fs::path include = fs::path(folder_) / "Korvale.inc";
    std::ofstream out(include, std::ios::binary | std::ios::trunc);
    out << FirstIncludeFileText(a_, expanded);
    if (!out.flush()) {
      ui_.ShowMessage("Could not write to " + include.string() + ".", "File Error", MessageIcon::kError);
      ++failures_;
    }
  }

  std::string ExpandAdmins() {
    if (a_.quiet_answers.admin_users.empty()) return {};
    if (context_.directory != nullptr)
      return ExpandAdminUsersNtForm(a_.quiet_answers.admin_users, *context_.directory, ui_);
    auto opened = accounts::OpenAccountDirectoryForServer(ProfileFile(), a_.logon_server);
    std::unique_ptr<accounts::AccountDirectory> directory =
        opened.ok() ? std::move(*opened) : accounts::UnreadableAccountDirectory(opened.status().message());
    return ExpandAdminUsersNtForm(a_.quiet_answers.admin_users, *directory, ui_);
  }

  // The profile file the installed agent will use: KORVALE_MAPI_PROFILES, else
  // the one beside the agent in the installation folder.
  std::string ProfileFile() const {
    if (const char* file = std::getenv("KORVALE_MAPI_PROFILES"); file != nullptr && *file != '\0')
      return file;
    return (fs::path(folder_) / "mapi-profiles.json").string();
  }

  scm::ServiceManager& Services() {
    if (context_.services != nullptr) return *context_.services;
    own_services_ = scm::OpenServiceManager();
    return *own_services_;
  }

  const InstallAnswers& a_;
  SetupUi& ui_;
  const InstallContext& context_;
  std::string folder_;
  registry::Registry registry_;
  std::unique_ptr<scm::ServiceManager> own_services_;
  int failures_ = 0;
};

}  // namespace

InstallResult RunInstallationSteps(const InstallAnswers& answers, SetupUi& ui,
                                   const InstallContext& context) {
  try {
    return Installation(answers, ui, context).Run();
  } catch (const std::exception& e) {
    ui.ShowMessage(std::string("General Error during the installation: ") + e.what(), kSetupErrorTitle,
                   MessageIcon::kError);
    return {InstallOutcome::kStopped, 1};
  }
}

}  // namespace korvale::setup
