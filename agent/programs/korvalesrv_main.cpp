// KorvaleSrv: runs Caldrun once per CycleTime; --stop asks a running cycle to end.
#include <signal.h>

#include <CLI/CLI.hpp>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>

#include "agent/core/service_host.h"
#include "agent/core/stop_atom.h"
#include "platform/version/file_version.h"

namespace {

std::atomic<bool> g_stop{false};

void OnTerminate(int) { g_stop = true; }

std::filesystem::path UnitDirectory() {
  const char* dir = std::getenv("KORVALE_SYSTEMD_DIR");
  return dir ? dir : "/etc/systemd/system";
}

int InstallUnit(const std::string& service, const std::string& self) {
  auto path = UnitDirectory() / korvale::SystemdUnitName(service);
  std::ofstream out(path);
  out << korvale::SystemdUnitText(service, self);
  if (!out) {
    std::cerr << "Cannot write " << path << "\n";
    return 1;
  }
  std::cout << "Installed " << path << "\n";
  if (!std::getenv("KORVALE_SYSTEMD_DIR")) {
    (void)std::system("systemctl daemon-reload >/dev/null 2>&1");
  }
  return 0;
}

int RemoveUnit(const std::string& service) {
  auto path = UnitDirectory() / korvale::SystemdUnitName(service);
  std::error_code ec;
  if (!std::filesystem::remove(path, ec)) {
    std::cerr << "No unit " << path << "\n";
    return 1;
  }
  std::cout << "Removed " << path << "\n";
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
  app.add_flag("-i", install, "install a systemd unit for the service");
  app.add_flag("-u", uninstall, "remove the systemd unit of the service");
  app.add_option("--cycles", cycles, "run this many cycles, then exit (0 = until stopped)");
  CLI11_PARSE(app, argc, argv);

  if (app.count("--stop")) return korvale::RequestStop(stop_name) ? 0 : 1;
  std::string self = korvale::CurrentExecutablePath();
  if (install) return InstallUnit(service, self);
  if (uninstall) return RemoveUnit(service);

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
