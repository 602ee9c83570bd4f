// Which organisation store serves an Exchange server name: the "servers" map
// of the MAPI platform's profile file (platform/mapi/README.md), read here
// without going through a MAPI session, because account lookups happen
// outside any logon (the configuration program) as well as inside one.
#pragma once

#include <string>

#include "common/status.h"

namespace korvale::accounts {

// The store file mapped to `server_name` (compared without regard to case).
// A relative store path is taken relative to the profile file's directory.
// Fails with a message naming the file when it cannot be parsed, and naming
// the server and the file when the map does not hold it (a missing profile
// file is an empty one, as for MAPI).
Expected<std::string> OrgStoreForServer(const std::string& profile_file, const std::string& server_name);

}  // namespace korvale::accounts
