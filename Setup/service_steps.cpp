#include "Setup/service_steps.h"

#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/scm/service_account.h"

namespace korvale::setup {
namespace {

constexpr const char* kEventSourceKey =
    "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\Korvale Update Service";

const char* const kLocalSystemMessage =  // 1039
    "The Korvale Service could not be registered with the Service account / password supplied.\n"
    "The local system account has been used instead.\n"
    "Please go to Control Panel/Services and enter a valid Service account and password\n"
    "to run the Korvale Service.";

const char* const kNotRegisteredMessage =
    "The 'Korvale Update Service' could not be registered.\n"
    "Please register it manually by issuing the command:\n"
    "KorvaleSrv.exe -i\n"
    "or unregister it first by issuing the command\n"
    "KorvaleSrv.exe -u";

// Creates the service as the account, else as the local system account (with 1039).
bool Create(scm::ServiceManager& services, const std::string& program, const std::string& account,
            SetupUi& ui) {
  // The password has no counterpart here: a user of this machine needs none to run a service.
  if (services.Create({kUpdateServiceName, program, {kUpdateServiceName}, account}).ok()) return true;
  if (account.empty() || !services.Create({kUpdateServiceName, program, {kUpdateServiceName}}).ok())
    return false;
  ui.ShowMessage(kLocalSystemMessage, kSetupErrorTitle, MessageIcon::kWarning);
  return true;
}

void StopAndDelete(scm::ServiceManager& services) {
  if (services.Stop(kUpdateServiceName).ok()) {
    for (;;) {
      auto state = services.Query(kUpdateServiceName);
      if (!state.ok() || *state != scm::ServiceState::kStopPending) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }
  (void)services.Delete(kUpdateServiceName);  // a failure shows as the second create's
}

}  // namespace

bool GrantServiceLogonRight(const std::string& account, SetupUi& ui) {
  if (scm::ServiceAccountUser(account)) {
    ui.ShowMessage("The " + account + " account has been granted the 'Logon as a Service' right.",
                   kSetupTitle, MessageIcon::kInformation);
    return true;
  }
  ui.ShowMessage(
      "The Setup program was unable to add 'Log on as a service' rights\n on the local machine to the " +
          account +
          " account.\nPlease set this right manually before starting the Korvale\nUpdate Service for the "
          "first time.",
      kSetupErrorTitle, MessageIcon::kError);
  return false;
}

bool RegisterUpdateService(const std::string& folder, const std::string& account, const std::string&,
                           scm::ServiceManager& services, registry::Registry& registry, SetupUi& ui) {
  const std::string program = (std::filesystem::path(folder) / "KorvaleSrv").string();
  bool created = Create(services, program, account, ui);
  if (!created) {
    StopAndDelete(services);
    created = Create(services, program, account, ui);
  }
  if (!created) {
    ui.ShowMessage(kNotRegisteredMessage, kSetupErrorTitle, MessageIcon::kError);
    return false;
  }
  Status source = registry.Set(registry::kLocalMachine, kEventSourceKey, "EventMessageFile",
                               {registry::ValueType::kExpandString, program, 0});
  if (source.ok()) source = registry.SetDword(registry::kLocalMachine, kEventSourceKey, "TypesSupported", 7);
  if (!source.ok()) ui.ShowMessage(source.message(), kSetupErrorTitle, MessageIcon::kError);
  return true;
}

bool StartUpdateService(scm::ServiceManager& services, SetupUi& ui) {
  Status started = services.Start(kUpdateServiceName);
  if (!started.ok()) {
    ui.ShowMessage(std::string("The ") + kUpdateServiceName + " could not be started.\n" + started.message(),
                   kSetupErrorTitle, MessageIcon::kError);
  }
  return started.ok();
}

}  // namespace korvale::setup
