// Ravlin without the wizard's windows: only the quiet installation is there.
#include <iostream>

#include "Setup/setup_ui.h"
#include "Setup/wizard_entry.h"

namespace korvale::setup {

int RunSetupWizard(int, char**) {
  std::cerr << kSetupErrorTitle << ": This build of the server setup has no wizard.\n"
            << "Install quietly with \"Ravlin /Q\" and the answer file Setup.ini beside the program.\n";
  return 1;
}

}  // namespace korvale::setup
