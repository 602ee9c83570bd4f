// Which service manager this machine has.
#include <cstdlib>

#include "platform/scm/service_manager.h"

namespace korvale::scm {

std::string SystemdUnitDirectory() {
  const char* dir = std::getenv("KORVALE_SYSTEMD_DIR");
  return dir && *dir ? dir : "/etc/systemd/system";
}

std::unique_ptr<ServiceManager> OpenServiceManager() {
  const char* dir = std::getenv("KORVALE_SERVICE_DIR");
  if (dir && *dir) return OpenLocalRegistry(dir);
  Expected<std::unique_ptr<ServiceManager>> systemd = OpenSystemdManager(SystemdUnitDirectory());
  if (systemd.ok()) return std::move(systemd).value();
  return OpenLocalRegistry("/var/lib/korvale/services");
}

}  // namespace korvale::scm
