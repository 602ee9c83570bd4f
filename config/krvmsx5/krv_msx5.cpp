// The stand-in for the 5.x enumeration library: organisation and sites of a
// server, read from the organisation store that serves it.
#include "config/krvmsx5/krv_msx5.h"

#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "platform/accounts/server_map.h"
#include "platform/mapi/mapi.h"
#include "platform/mapi/orgstore/org_store.h"

namespace {

using korvale::mapi::HRESULT;

bool SameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() && strncasecmp(a.c_str(), b.c_str(), a.size()) == 0;
}

// The servers of the organisation store that serves `server`, and that server.
HRESULT ServersOf(const char* server, std::vector<korvale::mapi::orgstore::ServerSpec>* servers,
                  korvale::mapi::orgstore::ServerSpec* found) {
  if (!server || !*server) return korvale::mapi::MAPI_E_INVALID_PARAMETER;
  korvale::mapi::MAPIINIT_0 init{};
  if (korvale::mapi::MAPIInitialize(&init) < 0) return korvale::mapi::MAPI_E_NOT_INITIALIZED;
  std::string profile_file = korvale::mapi::MAPIProfileFile();
  korvale::mapi::MAPIUninitialize();
  auto store_path = korvale::accounts::OrgStoreForServer(profile_file, server);
  if (!store_path.ok()) return korvale::mapi::MAPI_E_NOT_FOUND;
  auto store =
      korvale::mapi::orgstore::OrgStore::Open(*store_path, korvale::mapi::orgstore::OpenMode::kExisting);
  if (!store.ok()) return korvale::mapi::MAPI_E_NETWORK_ERROR;
  auto listed = (*store)->ListServers();
  if (!listed.ok()) return korvale::mapi::MAPI_E_NETWORK_ERROR;
  for (const auto& spec : *listed) {
    if (SameName(spec.name, server)) {
      *found = spec;
      *servers = std::move(*listed);
      return korvale::mapi::S_OK;
    }
  }
  return korvale::mapi::MAPI_E_NOT_FOUND;
}

char* Block(const std::string& bytes) {
  char* block = static_cast<char*>(std::malloc(bytes.size()));
  if (block) std::memcpy(block, bytes.data(), bytes.size());
  return block;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int32_t KRVHrEnumOrganizations(const char*,
                                                                                 const char* server,
                                                                                 char** organisations) {
  if (!organisations) return korvale::mapi::MAPI_E_INVALID_PARAMETER;
  try {
    std::vector<korvale::mapi::orgstore::ServerSpec> servers;
    korvale::mapi::orgstore::ServerSpec found;
    if (HRESULT hr = ServersOf(server, &servers, &found); hr < 0) return hr;
    char* block = Block("/o=" + found.org + std::string("\0\0", 2));
    if (!block) return korvale::mapi::MAPI_E_NOT_ENOUGH_MEMORY;
    *organisations = block;
    return korvale::mapi::S_OK;
  } catch (const std::exception&) {
    return korvale::mapi::MAPI_E_CALL_FAILED;
  }
}

extern "C" __attribute__((visibility("default"))) int32_t KRVHrEnumSites(const char* server, const char*,
                                                                         char** sites) {
  if (!sites) return korvale::mapi::MAPI_E_INVALID_PARAMETER;
  try {
    std::vector<korvale::mapi::orgstore::ServerSpec> servers;
    korvale::mapi::orgstore::ServerSpec found;
    if (HRESULT hr = ServersOf(server, &servers, &found); hr < 0) return hr;
    std::vector<std::string> names;
    for (const auto& spec : servers) {
      if (!SameName(spec.org, found.org)) continue;
      bool known = false;
      for (const auto& name : names) known = known || SameName(name, spec.site);
      if (!known) names.push_back(spec.site);
    }
    std::string text;
    for (const auto& name : names) text += (text.empty() ? "" : ";") + name;
    char* block = Block(text + std::string(1, '\0'));
    if (!block) return korvale::mapi::MAPI_E_NOT_ENOUGH_MEMORY;
    *sites = block;
    return korvale::mapi::S_OK;
  } catch (const std::exception&) {
    return korvale::mapi::MAPI_E_CALL_FAILED;
  }
}
