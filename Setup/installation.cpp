#include "Setup/installation.h"

#include <cstdlib>
#include <string_view>

namespace korvale::setup {

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

InstallResult RunInstallationSteps(const InstallAnswers&, SetupUi& ui, const InstallContext&) {
  // The steps arrive in the next commits; until then nothing is installed.
  ui.ShowMessage("The installation steps are not available in this build.", kSetupErrorTitle,
                 MessageIcon::kError);
  return {InstallOutcome::kStopped, 1};
}

}  // namespace korvale::setup
