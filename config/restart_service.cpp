#include "config/restart_service.h"

#include <strings.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <thread>

namespace korvale::config {

namespace {

constexpr const char* kManual = "\nPlease go to Control Panel/Services and try to start it manually.";

bool SameFolder(const std::string& image_path, const std::string& program_path) {
  namespace fs = std::filesystem;
  const std::string a = fs::path(image_path).parent_path().string();
  const std::string b = fs::path(program_path).parent_path().string();
  return strcasecmp(a.c_str(), b.c_str()) == 0;
}

void Fail(ConfigUi& ui, const std::string& text) {
  ui.CloseProgress();
  ui.ShowMessage(text, kServiceErrorTitle, MessageIcon::kError);
}

// The service of this installation, or nothing (the message is shown).
std::optional<std::string> FindService(scm::ServiceManager& services, const std::string& program_path,
                                       ConfigUi& ui) {
  auto listed = services.EnumerateServices();
  if (!listed.ok()) {
    Fail(ui,
         "Unable to connect to the Services database. You may have insufficient rights to\nperform this "
         "operation.\n\nPlease go to Control Panel/Services and try to start the service manually.");
    return std::nullopt;
  }
  for (const scm::ServiceDefinition& service : *listed) {
    if (service.name.find("Korvale") == std::string::npos || service.image_path.empty()) continue;
    if (SameFolder(service.image_path, program_path)) return service.name;
  }
  Fail(ui,
       "The Korvale Update Service could not be found on this machine or\nyou're running the "
       "Configuration program from a different location\nthan originally installed.\n\nPlease check "
       "your installation.");
  return std::nullopt;
}

// Stops the service (a failing stop is ignored: it may not be running) and
// waits for as long as it reports "stop pending".
void StopAndWait(scm::ServiceManager& services, const std::string& name) {
  (void)services.Stop(name);
  for (;;) {
    auto state = services.Query(name);
    if (!state.ok() || *state != scm::ServiceState::kStopPending) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
}

bool StartStopped(scm::ServiceManager& services, const std::string& name, ConfigUi& ui) {
  auto state = services.Query(name);
  if (!state.ok()) {
    Fail(ui, "A problem occured while querying the " + name + kManual + "\n\nError:\n" +
                 state.status().message());
    return false;
  }
  if (*state != scm::ServiceState::kStopped) {
    Fail(ui, "The " + name + " could not be started." + kManual);
    return false;
  }
  ui.ShowProgress("The " + name + " is starting. Please wait...");
  Status started = services.Start(name);
  if (!started.ok()) {
    Fail(ui, "The " + name + " could not be started." + kManual + "\nError message:\n" + started.message());
    return false;
  }
  ui.CloseProgress();
  return true;
}

}  // namespace

bool RestartLocalService(scm::ServiceManager& services, const std::string& program_path, ConfigUi& ui,
                         bool ask) {
  if (ask && !ui.AskYesNo("Would you like to restart the Korvale Update Service\nin order to refect changes "
                          "you made to the configuration settings?",
                          "Korvale Restart Service", MessageIcon::kQuestion)) {
    return false;
  }
  ui.ShowProgress("Searching for installed services. Please wait...");
  WaitCursor wait(ui);
  std::optional<std::string> name = FindService(services, program_path, ui);
  if (!name) return false;
  ui.ShowProgress("The " + *name + " is stopping. Please wait...");
  if (!services.OpenService(*name).ok()) {
    Fail(ui, "The " + *name + " could not be found on this machine.\nPlease check your installation.");
    return false;
  }
  StopAndWait(services, *name);
  return StartStopped(services, *name, ui);
}

}  // namespace korvale::config
