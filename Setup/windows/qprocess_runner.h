// Starts a program of the medium and waits for it, without a window.
#pragma once

#include "Setup/wizard_ui.h"

namespace korvale::setup {

class QProcessRunner : public ProgramRunner {
 public:
  // The exit status; -1 when the program crashed; nothing when it could not be started.
  std::optional<int> Run(const std::string& program, const std::vector<std::string>& args) override;
};

}  // namespace korvale::setup
