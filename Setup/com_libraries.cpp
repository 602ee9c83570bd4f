#include "Setup/com_libraries.h"

#include <filesystem>

#include "platform/process/library_call.h"
#include "platform/process/process.h"

namespace korvale::setup {
namespace fs = std::filesystem;
namespace {

bool RegisterInProcess(const std::string& library, SetupUi& ui) {
  auto result = process::CallLibraryFunction(library, "DllRegisterServer");
  if (result.ok()) return true;
  ui.ShowMessage("An error occured while trying to register the following DLL:\n" + library +
                     "\n\nPlease try to register it manually by issuing the following command:\nregsvr32 " +
                     library,
                 kSetupErrorTitle, MessageIcon::kError);
  return false;
}

// The 64-bit library takes the place of the 32-bit one and is registered by
// the registration program, which runs as a native process.
bool RegisterThroughKvRegDll(const std::string& folder, const std::string& setup_dir, SetupUi& ui) {
  const fs::path target = fs::path(folder) / kPwDcLibrary;
  std::error_code ec;
  fs::remove(target, ec);
  fs::copy_file(fs::path(folder) / kPwDc64Library, target, ec);
  auto code = process::RunAndWait((fs::path(setup_dir) / "KvRegDLL").string(), {target.string()});
  if (!code.ok()) {
    ui.ShowMessage("Could not start process KvRegDLL.exe to register " + target.string() +
                       ".\nPlease register it manually using regsvr32",
                   kSetupErrorTitle, MessageIcon::kError);
    return false;
  }
  if (*code == -1) {
    ui.ShowMessage("Could not register " + target.string() + ".\nPlease register it manually using regsvr32",
                   kSetupErrorTitle, MessageIcon::kError);
    return false;
  }
  return true;
}

}  // namespace

int RegisterComLibraries(const std::string& folder, const std::string& setup_dir, bool wow64, SetupUi& ui) {
  int failed = 0;
  const bool pwdc = wow64 ? RegisterThroughKvRegDll(folder, setup_dir, ui)
                          : RegisterInProcess((fs::path(folder) / kPwDcLibrary).string(), ui);
  if (!pwdc) ++failed;
  if (!RegisterInProcess((fs::path(folder) / kImprsoLibrary).string(), ui)) ++failed;
  return failed;
}

}  // namespace korvale::setup
