// Event numbers of the agent's start that the original table of event numbers
// (common/agent_log.h) does not have.
#pragma once

#include <cstdint>

namespace korvale::event_id {

// Warning: the settings file looks cut off or damaged (settings_file_check.h).
inline constexpr uint32_t kSettingsFile = 152;
// Warning: another agent of the same instance name runs, so this start ends;
// or the check for one could not be made and the cycle runs without it.
inline constexpr uint32_t kInstanceRunning = 153;

}  // namespace korvale::event_id
