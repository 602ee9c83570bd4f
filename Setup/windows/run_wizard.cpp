// Ravlin's wizard mode: the start dialog, then the wizard, then the
// installation steps on Finish, with the medium in the program's own folder.
#include <QApplication>

#include "Setup/wizard_entry.h"

#include "Setup/previous_installation.h"
#include "Setup/windows/directory_lookups.h"
#include "Setup/windows/qprocess_runner.h"
#include "Setup/windows/qt_wizard_ui.h"
#include "Setup/windows/wizard_window.h"
#include "platform/locale/locale_id.h"
#include "platform/odbcinst/dsn_values.h"
#include "platform/registry/registry.h"

namespace korvale::setup {

// 0 when the installation completed or the administrator chose not to
// install, 1 when the installation stopped or its script did not complete.
int RunSetupWizard(int argc, char** argv) {
  QApplication app(argc, argv);
  if (MakeStartDialog()->exec() != QMessageBox::Yes) return 0;
  const std::string setup_dir = QCoreApplication::applicationDirPath().toStdString();

  InstallAnswers presets;
  if (std::optional<std::string> folder =
          PreviousInstallationFolder(registry::Registry(registry::RegistryFile()))) {
    presets.destination_path = *folder;
    PresetFromSettings(*folder, presets);
  }
  WizardEnvironment environment;
  environment.setup_dir = setup_dir;
  environment.user_lcid = locale::UserDefaultLcid();
  environment.german = UserLocaleIsGerman();

  QtWizardUi ui;
  DirectoryLookups lookups(setup_dir);
  QProcessRunner runner;
  SetupWizard rules(environment, presets, ui, lookups, runner, odbcinst::ReadDsnValue);
  SetupWizardWindow window(rules, ui, SystemDataSources());
  ui.set_parent(&window);
  lookups.set_parent(&window);
  window.exec();
  if (!window.install_result()) return 0;  // cancelled or ended before Finish: nothing installed
  return window.install_result()->ok() ? 0 : 1;
}

}  // namespace korvale::setup
