#include "agent/core/agent_environment.h"

#include <ctime>
#include <thread>

#include "platform/accounts/org_account_directory.h"
#include "platform/mapi/mapi.h"
#include "platform/tz/tz.h"

namespace korvale {

AgentEnvironment MachineEnvironment() {
  AgentEnvironment env;
  env.now = [] { return std::chrono::system_clock::now(); };
  env.machine_zone = [] { return tz::MachineTimeZone(); };
  env.connector = OpenSqlConnection;
  env.account_directory = [](const std::string& logon_server) {
    return accounts::OpenAccountDirectoryForServer(mapi::MAPIProfileFile(), logon_server);
  };
  env.sleep = [](std::chrono::milliseconds pause) { std::this_thread::sleep_for(pause); };
  return env;
}

SYSTEMTIME LocalSystemTime(std::chrono::system_clock::time_point instant) {
  std::time_t seconds = std::chrono::system_clock::to_time_t(instant);
  std::tm local{};
  localtime_r(&seconds, &local);
  SYSTEMTIME t{};
  t.wYear = static_cast<uint16_t>(local.tm_year + 1900);
  t.wMonth = static_cast<uint16_t>(local.tm_mon + 1);
  t.wDay = static_cast<uint16_t>(local.tm_mday);
  t.wDayOfWeek = static_cast<uint16_t>(local.tm_wday);
  t.wHour = static_cast<uint16_t>(local.tm_hour);
  t.wMinute = static_cast<uint16_t>(local.tm_min);
  t.wSecond = static_cast<uint16_t>(local.tm_sec);
  return t;
}

uint64_t FileTimeOf(std::chrono::system_clock::time_point instant) {
  using namespace std::chrono;
  constexpr int64_t kUnixEpochIn100ns = 116444736000000000LL;
  auto since_epoch = duration_cast<microseconds>(instant.time_since_epoch()).count();
  return static_cast<uint64_t>(kUnixEpochIn100ns + since_epoch * 10);
}

}  // namespace korvale
