// KorvaleSrv: runs Caldrun once per CycleTime; --stop asks a running cycle to end;
// -i and -u register and remove the service with the machine's service manager.
#include <signal.h>

#include <CLI/CLI.hpp>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <iostream>
#include <thread>

#include "agent/core/service_host.h"
#include "agent/core/stop_atom.h"
#include "platform/scm/service_manager.h"
#include "platform/version/file_version.h"

namespace {

std::atomic<bool> g_stop{false};

void OnTerminate(int) { g_stop = true; }

// Registers this program as the service `service`, run with its name as argument.
int Install(const std::string& service, const std::string& self) {
  auto services = korvale::scm::OpenServiceManager();
  korvale::Status created = services->Create({service, self, {service}});
  if (!created.ok()) {
    std::cerr << "The service " << service << " could not be installed: " << created.message() << "\n";
    return 1;
  }
  std::cout << "Installed the service " << service << " (" << self << ").\n";
  return 0;
}

// Stops the service if it runs (waiting while it is stopping), then removes it.
int Uninstall(const std::string& service) {
  auto services = korvale::scm::OpenServiceManager();
  if (services->Stop(service).ok()) {
    for (;;) {
      auto state = services->Query(service);
      if (!state.ok() || *state != korvale::scm::ServiceState::kStopPending) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
  }
  korvale::Status deleted = services->Delete(service);
  if (!deleted.ok()) {
    std::cerr << "The service " << service << " could not be removed: " << deleted.message() << "\n";
    return 1;
  }
  std::cout << "Removed the service " << service << ".\n";
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Korvale service host: runs the update agent once per cycle"};
  std::string service = "Korvale Update Service";
  std::string stop_name;
  bool install = false, uninstall = false;
  int cycles = 0;
  app.add_option("service", service, "service name, passed to the agent as its instance name");
  app.add_option("--stop", stop_name, "ask the running cycle of this service to stop, then exit");
  app.add_flag("-i", install, "register the service (a systemd unit, or the local service registry)");
  app.add_flag("-u", uninstall, "stop the service if it runs and remove its registration");
  app.add_option("--cycles", cycles, "run this many cycles, then exit (0 = until stopped)");
  CLI11_PARSE(app, argc, argv);

  if (app.count("--stop")) return korvale::RequestStop(stop_name) ? 0 : 1;
  std::string self = korvale::CurrentExecutablePath();
  if (install) return Install(service, self);
  if (uninstall) return Uninstall(service);

  struct sigaction action {};
  action.sa_handler = OnTerminate;
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);

  auto folder = std::filesystem::path(self).parent_path();
  korvale::ServiceHostOptions options;
  options.service_name = service;
  options.agent_program = (folder / "Caldrun").string();
  options.ini_file = (folder / "Caldrun.ini").string();
  options.max_cycles = cycles;
  return korvale::RunServiceHost(options, g_stop);
}
