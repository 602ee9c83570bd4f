// What the agent takes from the machine it runs on, passed into UpdateAgent in
// one piece so that a test can set "now" and the time zone, put faults
// between the agent and its database, hand it an account directory and stop
// a scan at a chosen pause, all in this process:
//
//   AgentEnvironment env = MachineEnvironment();
//   env.connector = testing::FaultInjectingConnector(plan);
//   env.sleep = [&](std::chrono::milliseconds) { agent->SetStopFlag(); };
//   UpdateAgent agent(paths, &eventlog::RegisterEventSource, std::move(env));
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "agent/database/open_database.h"
#include "common/status.h"
#include "platform/tz/tz_types.h"

namespace korvale {

namespace accounts {
class AccountDirectory;
}

// The directory of Windows accounts that serves `logon_server`; a failure
// says why (the agent then reports it and goes on with a directory whose
// every lookup fails).
using AccountDirectoryFactory =
    std::function<Expected<std::unique_ptr<accounts::AccountDirectory>>(const std::string& logon_server)>;

struct AgentEnvironment {
  // The one clock: the current instant. The scan window and the booking
  // cycle read it as the machine's local wall time, the bookings as FILETIME.
  std::function<std::chrono::system_clock::time_point()> now;
  // The machine's time zone, the zone of the scan window (read once, when the agent is made).
  std::function<TIME_ZONE_INFORMATION()> machine_zone;
  SqlConnector connector;  // opens the cycle's database connection
  AccountDirectoryFactory account_directory;
  std::function<void(std::chrono::milliseconds)> sleep;  // the pause between mailboxes
};

// The real machine: the system clock, the machine's zone, unixODBC, the
// directory of the organisation store the profile file maps the logon server
// to, and a sleeping thread.
AgentEnvironment MachineEnvironment();

// An instant as the machine's local wall time (the process's TZ).
SYSTEMTIME LocalSystemTime(std::chrono::system_clock::time_point instant);
// An instant as FILETIME: 100-nanosecond intervals since 1601-01-01 UTC.
uint64_t FileTimeOf(std::chrono::system_clock::time_point instant);

}  // namespace korvale
