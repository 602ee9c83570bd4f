// The setup wizard's entry: what Ravlin runs without "/Q". The wizard's
// windows provide it where they are built; without them a text says how to
// install quietly instead.
#pragma once

namespace korvale::setup {

// Runs the start dialog and the wizard, whose Finish runs the installation
// steps; returns the program's exit code.
int RunSetupWizard(int argc, char** argv);

}  // namespace korvale::setup
