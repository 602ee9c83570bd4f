// Setup: checks the prerequisites and starts the server setup Ravlin from
// its own folder. Its arguments (a "/Q" among them) are not passed on: from
// Setup the server setup always starts as the wizard. Exit code 0 always.
#include <filesystem>
#include <iostream>

#include "bootstrap/prerequisites.h"
#include "platform/process/process.h"

int main() {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path self = fs::read_symlink("/proc/self/exe", ec);
  const std::string ravlin = (self.parent_path() / "Ravlin").string();
  return korvale::bootstrap::RunBootstrap(
      korvale::bootstrap::MachineSearchPlaces(), ravlin,
      [](const std::string& program) { return korvale::process::StartDetached(program, {}).ok(); },
      [](const std::string& text, const std::string& title) { std::cerr << title << ": " << text << "\n"; });
}
