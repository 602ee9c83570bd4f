// The server installation steps, run once after the wizard's Finish or at
// once in the quiet installation: the cabinet extracted and the INF file set
// copied into the installation folder, the service account checked, the
// service "Korvale Update Service" registered with its event source, the
// first Caldrun.ini, GLOBAL.ASA, the desktop link, the COM libraries, on an
// upgrade the service started, and the final message.
//
//   setup::InstallContext context{.setup_dir = "/media/korvale"};
//   setup::InstallResult result = setup::RunInstallationSteps(answers, ui, context);
//   return result.outcome == setup::InstallOutcome::kCompleted ? 0 : 1;
//
// Every failure is shown through `ui` with its message; a missing INF file or
// a failed cabinet extraction stops the installation, later failures are
// reported and the installation goes on.
#pragma once

#include <string>

#include "Setup/install_answers.h"
#include "Setup/setup_ui.h"

namespace korvale::scm {
class ServiceManager;
}
namespace korvale::accounts {
class AccountDirectory;
}

namespace korvale::setup {

// Where the installation takes its files from and what of the machine it uses.
struct InstallContext {
  // The installation medium's folder: Korvale.inf, Korvale.cab, KvRegDLL.
  std::string setup_dir;
  // The machine's services; null means scm::OpenServiceManager(). Not owned.
  scm::ServiceManager* services = nullptr;
  // The user's default locale has the primary language German: the INF's
  // section KorvaleInstall.deu is applied instead of KorvaleInstall.eng.
  bool german = false;
  // The registry file; empty means registry::RegistryFile().
  std::string registry_file;
  // Where the quiet installation expands the administrator accounts; null
  // means the organisation's directory that serves the logon server. Not owned.
  accounts::AccountDirectory* directory = nullptr;
};

enum class InstallOutcome {
  kCompleted,         // every step ran (some may have reported failures and gone on)
  kStopped,           // the INF file could not be opened or the cabinet not extracted
  kScriptIncomplete,  // the INF file copy failed: "Installation script did not complete successfully!"
};

struct InstallResult {
  InstallOutcome outcome = InstallOutcome::kCompleted;
  // What was reported as failed along the way (one entry per failure message).
  int failures = 0;
  bool ok() const { return outcome == InstallOutcome::kCompleted; }
};

InstallResult RunInstallationSteps(const InstallAnswers& answers, SetupUi& ui, const InstallContext& context);

// True when the user's locale (LC_ALL, LC_MESSAGES, LANG) has the primary language German.
bool UserLocaleIsGerman();

}  // namespace korvale::setup
