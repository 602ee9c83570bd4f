// Ravlin's wizard mode: the start dialog, then the wizard, then the
// installation steps on Finish. Needs a display.
#pragma once

namespace korvale::setup {

// Runs the program's windows with the medium in `setup_dir` (the program's
// own folder). Returns the program's exit code: 0 when the installation
// completed or the administrator chose not to install, 1 otherwise.
int RunSetupWizard(int argc, char** argv, const char* setup_dir);

}  // namespace korvale::setup
