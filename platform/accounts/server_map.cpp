// The server map, read with the MAPI platform's own profile-file reader so
// that both agree on names, relative paths and locking.
#include "platform/accounts/server_map.h"

#include "platform/mapi/orgstore/profile_file.h"

namespace korvale::accounts {

Expected<std::string> OrgStoreForServer(const std::string& profile_file, const std::string& server_name) {
  mapi::orgstore::ProfileData data;
  std::string error;
  if (!mapi::orgstore::ReadProfileFile(profile_file, &data, &error)) {
    return Status::Error("Cannot read the MAPI profile file " + profile_file + ": " + error);
  }
  auto store = data.ServerStore(server_name, profile_file);
  if (!store || store->empty()) {
    return Status::Error("Server " + server_name + " is not in the server map of " + profile_file);
  }
  return *store;
}

}  // namespace korvale::accounts
