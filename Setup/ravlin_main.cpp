// Ravlin, the server setup: "Ravlin /Q" installs quietly from Setup.ini of
// its own folder (messages to standard error, exit code 0 when the
// installation completed); anything else starts the wizard.
#include <cctype>
#include <filesystem>
#include <iostream>

#include "Setup/installation.h"
#include "Setup/quiet_install.h"
#include "Setup/quiet_ui.h"
#include "Setup/wizard_entry.h"

namespace {

bool IsQuietSwitch(const std::string& argument) {
  return argument.size() == 2 && argument[0] == '/' &&
         std::toupper(static_cast<unsigned char>(argument[1])) == 'Q';
}

}  // namespace

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  using namespace korvale::setup;
  if (argc < 2 || !IsQuietSwitch(argv[1])) return RunSetupWizard(argc, argv);
  std::error_code ec;
  const fs::path self = fs::read_symlink("/proc/self/exe", ec);
  InstallContext context;
  context.setup_dir = self.parent_path().string();
  context.german = UserLocaleIsGerman();
  QuietUi ui(std::cerr);
  return RunQuietInstallation(ui, context);
}
