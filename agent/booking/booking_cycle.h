// What the booking operations need to know about the running cycle besides
// the database: the agent's instance name (Reserved2 in shared-table mode) and
// the time the cycle calls "now", injected so that tests can set it.
#pragma once

#include <string>

#include "common/agent_settings.h"
#include "platform/tz/tz_types.h"

namespace korvale {

struct BookingCycle {
  std::string instance_name;
  SYSTEMTIME now;  // local time
};

}  // namespace korvale
