// Restarts the update service of this installation after a save, so the
// agent reads the new settings: among the services whose name contains
// "Korvale", the first whose program lies in this program's folder (compared
// without regard to case) is stopped, waited for and started again. Every
// outcome other than success is one message box.
//
//   bool restarted = RestartLocalService(services, CurrentExecutablePath(), ui, true);
#pragma once

#include <string>

#include "config/config_ui.h"
#include "platform/scm/service_manager.h"

namespace korvale::config {

inline constexpr const char* kServiceErrorTitle = "Korvale Error";

// With `ask`, asks first and does nothing unless the answer is yes. Returns
// true when the service was started; false when the user declined or a
// message was shown.
bool RestartLocalService(scm::ServiceManager& services, const std::string& program_path, ConfigUi& ui,
                         bool ask);

}  // namespace korvale::config
