// The agent's own mail profile, named after the instance name and pointing at
// the service mailbox on one server; created at the start of a cycle and
// (with RecreateMAPIProfile) deleted first so it always matches the settings.
#pragma once

#include <string>

#include "common/agent_log.h"
#include "platform/mapi/mapi.h"

namespace korvale {

// Deletes the profile; a profile that does not exist counts as deleted.
// Reports 141 on failure; returns the last result.
mapi::HRESULT DeleteTempProfile(const std::string& profile_name, AgentLog& log);

// Creates and configures the profile unless one of that name exists already
// (then it is used unchanged). `msx2k` >= 2 sets CONNECT_IGNORE_NO_PF.
// Reports 138, 139 or 140 on failure; returns the result (negative = failure).
mapi::HRESULT CreateTempProfile(const std::string& server, const std::string& mailbox,
                                const std::string& profile_name, int msx2k, AgentLog& log);

}  // namespace korvale
