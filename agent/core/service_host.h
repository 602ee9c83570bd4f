// The service host: starts the agent once per cycle with the service name as
// its only argument, waits for it, and turns a stop request (SIGTERM) into the
// stop atom so the running cycle ends early. It reports its own start, stop
// and the agent's exit codes to the event log under the service name.
#pragma once

#include <atomic>
#include <string>

namespace korvale {

struct ServiceHostOptions {
  std::string service_name = "Korvale Update Service";
  std::string agent_program;  // Caldrun in the host's own folder
  std::string ini_file;       // Caldrun.ini beside it (CycleTime)
  int max_cycles = 0;         // 0 = until stopped
};

// Event numbers of the host's own reports.
inline constexpr uint32_t kHostStartedEvent = 1000;
inline constexpr uint32_t kHostStoppedEvent = 1001;
inline constexpr uint32_t kAgentExitEvent = 1002;

// Runs cycles until `stop` becomes true (or max_cycles ran). Returns the exit status.
int RunServiceHost(const ServiceHostOptions& options, const std::atomic<bool>& stop);

// Minutes between cycles from Caldrun.ini (CycleTime, default 60; at least 1).
int CycleMinutes(const std::string& ini_file);

}  // namespace korvale
