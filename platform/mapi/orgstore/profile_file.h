// The platform's profile file: the server map (server name -> organisation
// store file) and the MAPI profiles with their services and sections.
// Readers take a shared lock and writers an exclusive one on "<file>.lock";
// a write replaces the file through a temporary one, so a reader never sees
// half a file.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/mapi/prop_value.h"

namespace korvale::mapi::orgstore {

struct ProfileService {
  std::string name;     // "MSEMS"
  std::string display;  // "Microsoft Exchange"
  MAPIUID uid{};
};

struct Profile {
  std::vector<ProfileService> services;
  // Section uid (32 hex digits) -> properties.
  std::map<std::string, std::vector<SPropValue>> sections;
};

struct ProfileData {
  std::map<std::string, std::string> servers;  // name as written -> store path
  std::map<std::string, Profile> profiles;     // exact, case-sensitive names
  // The store file of a server (name compared without regard to case);
  // relative paths are taken from the profile file's directory.
  std::optional<std::string> ServerStore(const std::string& server, const std::string& profile_file) const;
};

// Reads the file; a missing file is an empty one. Errors name the file.
bool ReadProfileFile(const std::string& path, ProfileData* data, std::string* error);
// Reads, changes and writes the file under the exclusive lock. `change`
// returns false to leave the file as it was.
bool UpdateProfileFile(const std::string& path, const std::function<bool(ProfileData&)>& change,
                       std::string* error);

std::string UidToHex(const MAPIUID& uid);

}  // namespace korvale::mapi::orgstore
