#include "agent/core/service_host.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "agent/core/stop_atom.h"
#include "platform/eventlog/eventlog.h"
#include "platform/profile/profile.h"

namespace korvale {

namespace {

void Report(eventlog::EventSource* log, int type, uint32_t id, const std::string& text) {
  if (log) log->Report(type, id, {text});
}

pid_t StartAgent(const ServiceHostOptions& options) {
  pid_t pid = fork();
  if (pid == 0) {
    execl(options.agent_program.c_str(), options.agent_program.c_str(), options.service_name.c_str(),
          static_cast<char*>(nullptr));
    _exit(127);
  }
  return pid;
}

// Waits for the agent; once a stop is requested the stop atom asks it to end
// early. An atom the agent did not see (it came after the agent's last check)
// was meant for this cycle only: it is taken back when the agent has ended,
// so that it cannot stop the next cycle at its start.
int WaitForAgent(pid_t pid, const ServiceHostOptions& options, const std::atomic<bool>& stop) {
  bool stop_sent = false;
  for (;;) {
    int status = 0;
    pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid || done < 0) {
      if (stop_sent) WithdrawStopRequest(options.service_name);
      if (done < 0) return -1;
      return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    if (stop && !stop_sent) {
      RequestStop(options.service_name);
      stop_sent = true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
}

}  // namespace

int CycleMinutes(const std::string& ini_file) {
  int minutes = profile::GetInt(ini_file, "Config", "CycleTime", 60);
  return minutes < 1 ? 1 : minutes;
}

int RunServiceHost(const ServiceHostOptions& options, const std::atomic<bool>& stop) {
  auto log = eventlog::RegisterEventSource(options.service_name);
  Report(log.get(), 4, kHostStartedEvent, "The service " + options.service_name + " started.");
  for (int cycle = 0; !stop && (options.max_cycles == 0 || cycle < options.max_cycles); ++cycle) {
    pid_t pid = StartAgent(options);
    if (pid < 0) {
      Report(log.get(), 1, kAgentExitEvent, "The update agent could not be started.");
    } else {
      int code = WaitForAgent(pid, options, stop);
      Report(log.get(), code == 0 ? 4 : 1, kAgentExitEvent,
             "The update agent ended with exit code " + std::to_string(code) + ".");
    }
    if (options.max_cycles != 0 && cycle + 1 >= options.max_cycles) break;
    auto wake = std::chrono::steady_clock::now() + std::chrono::minutes(CycleMinutes(options.ini_file));
    while (!stop && std::chrono::steady_clock::now() < wake) {
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
  }
  Report(log.get(), 4, kHostStoppedEvent, "The service " + options.service_name + " stopped.");
  return 0;
}

}  // namespace korvale
