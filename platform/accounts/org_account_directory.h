// The account directory of an organisation store: the Windows domains,
// accounts and groups that the store's directory holds. This is the directory
// the agent and the configuration program use; which store it is follows from
// the logon server through the MAPI profile file's server map.
//
//   auto directory = OpenAccountDirectoryForServer(mapi::MAPIProfileFile(), "SRV1");
//   if (!directory.ok()) report(directory.status().message());
#pragma once

#include <memory>
#include <string>

#include "common/status.h"
#include "platform/accounts/account_directory.h"

namespace korvale::accounts {

// The directory of the organisation store file at `org_store_path`. Fails
// with a message naming the file when it cannot be opened.
Expected<std::unique_ptr<AccountDirectory>> OpenOrgAccountDirectory(const std::string& org_store_path);

// The directory of the organisation store that serves `server_name` in the
// server map of the profile file (see server_map.h).
Expected<std::unique_ptr<AccountDirectory>> OpenAccountDirectoryForServer(const std::string& profile_file,
                                                                          const std::string& server_name);

}  // namespace korvale::accounts
