// The service steps of the installation: the service account's right to run
// services (here: the account is a user of this machine, see
// platform/scm/service_account.h), and the service "Korvale Update Service"
// registered with its event source.
#pragma once

#include <string>

#include "Setup/setup_ui.h"
#include "platform/registry/registry.h"
#include "platform/scm/service_manager.h"

namespace korvale::setup {

inline constexpr const char* kUpdateServiceName = "Korvale Update Service";

// Shows "The %s account has been granted the 'Logon as a Service' right."
// when the account is a user of this machine, else the message that asks to
// set the right by hand. True on success.
bool GrantServiceLogonRight(const std::string& account, SetupUi& ui);

// Registers the service with the installation folder's KorvaleSrv, running
// as the account; when the account is refused, as the local system account
// with message 1039; an existing service is stopped, deleted and created
// again. Then the event source. Returns false (after its message) when the
// service could not be registered at all.
bool RegisterUpdateService(const std::string& folder, const std::string& account, const std::string& password,
                           scm::ServiceManager& services, registry::Registry& registry, SetupUi& ui);

// Starts the service (the last step of an upgrade); a failure is shown.
bool StartUpdateService(scm::ServiceManager& services, SetupUi& ui);

}  // namespace korvale::setup
