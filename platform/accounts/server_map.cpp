// Reading the server map of the MAPI profile file.
#include "platform/accounts/server_map.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>

#include <nlohmann/json.hpp>

namespace korvale::accounts {
namespace {

bool EqualsNoCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

}  // namespace

Expected<std::string> OrgStoreForServer(const std::string& profile_file,
                                        const std::string& server_name) {
  std::ifstream in(profile_file, std::ios::binary);
  if (!in) return Status::Error("Cannot read the MAPI profile file " + profile_file);
  nlohmann::json doc = nlohmann::json::parse(in, nullptr, /*allow_exceptions=*/false);
  if (doc.is_discarded() || !doc.is_object()) {
    return Status::Error("The MAPI profile file " + profile_file + " is not a JSON object");
  }
  auto servers = doc.find("servers");
  if (servers == doc.end()) {
    return Status::Error("The MAPI profile file " + profile_file + " has no server map");
  }
  if (!servers->is_object()) {
    return Status::Error("The server map of the MAPI profile file " + profile_file +
                         " is not a JSON object");
  }
  for (auto it = servers->begin(); it != servers->end(); ++it) {
    if (!EqualsNoCase(it.key(), server_name)) continue;
    if (!it->is_string() || it->get<std::string>().empty()) {
      return Status::Error("The server map of " + profile_file + " gives no store file for server " +
                           server_name);
    }
    std::filesystem::path store(it->get<std::string>());
    if (store.is_relative()) store = std::filesystem::path(profile_file).parent_path() / store;
    return store.string();
  }
  return Status::Error("Server " + server_name + " is not in the server map of " + profile_file);
}

}  // namespace korvale::accounts
