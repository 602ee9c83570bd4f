// The services of this machine, as the configuration program and the setup
// see them: enumerate with image paths, open, stop ("stop pending" until the
// process has gone), query, start, create and delete.
//
//   std::unique_ptr<scm::ServiceManager> services = scm::OpenServiceManager();
//   for (const auto& s : services->EnumerateServices().value()) ...
//   services->Stop(name);  // then Query until it is no longer kStopPending
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "common/status.h"

namespace korvale::scm {

enum class ServiceState { kStopped, kStopPending, kRunning };

struct ServiceDefinition {
  ServiceDefinition() = default;
  ServiceDefinition(std::string name, std::string image_path, std::vector<std::string> arguments = {},
                    std::string account = {})
      : name(std::move(name)),
        image_path(std::move(image_path)),
        arguments(std::move(arguments)),
        account(std::move(account)) {}

  std::string name;                    // "Korvale Update Service"
  std::string image_path;              // the program the service runs
  std::vector<std::string> arguments;  // given to the program
  // The account the service runs as ("DOMAIN\\user" or a user name, see
  // service_account.h); empty for the local system account (the manager's own user).
  std::string account;
};

class ServiceManager {
 public:
  virtual ~ServiceManager() = default;
  // Every registered service with its image path, in a stable order.
  virtual Expected<std::vector<ServiceDefinition>> EnumerateServices() = 0;
  // Succeeds when the service is registered.
  virtual Status OpenService(const std::string& name) = 0;
  // Asks a running service to stop; fails (and changes nothing) when it is not running.
  virtual Status Stop(const std::string& name) = 0;
  virtual Expected<ServiceState> Query(const std::string& name) = 0;
  // Starts a stopped service; the message of a failure says why in the system's words.
  virtual Status Start(const std::string& name) = 0;
  // Registers a stopped service; fails when the name is taken or cannot be a
  // service name, or when the account is not a user of this machine.
  virtual Status Create(const ServiceDefinition& definition) = 0;
  // Removes a stopped service's registration.
  virtual Status Delete(const std::string& name) = 0;
};

// The local service registry in `directory` (one file per service).
std::unique_ptr<ServiceManager> OpenLocalRegistry(const std::string& directory);

// systemd's services over the system bus; unit files of created services go
// into `unit_dir`. Fails, saying why, when no system bus answers or nobody on
// it answers as systemd (containers, CI).
Expected<std::unique_ptr<ServiceManager>> OpenSystemdManager(const std::string& unit_dir);

// Where created units go: KORVALE_SYSTEMD_DIR, or /etc/systemd/system.
std::string SystemdUnitDirectory();

// The machine's services: the local registry in KORVALE_SERVICE_DIR when that
// is set (tests and demos stay on their own registry), else systemd when it
// answers, else the local registry in /var/lib/korvale/services.
std::unique_ptr<ServiceManager> OpenServiceManager();

}  // namespace korvale::scm
