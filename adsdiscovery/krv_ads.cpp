// The exports of libKrvADS.so.
#include <cstdio>
#include <exception>

#include "adsdiscovery/ads_discovery.h"
#include "adsdiscovery/discovery.h"

namespace {
// E_POINTER and E_OUTOFMEMORY, for what the directory never reports.
constexpr int32_t kInvalidPointer = static_cast<int32_t>(0x80004003);
constexpr int32_t kOutOfMemory = static_cast<int32_t>(0x8007000E);
}  // namespace

extern "C" __attribute__((visibility("default"))) int32_t ADSGetOrgAndServers(char* buffer) {
  if (!buffer) return kInvalidPointer;
  try {
    auto directory = korvale::ldap::LdapDirectory::Connect();
    if (!directory.ok()) {
      std::fputs("Not Found. Could not bind to the domain.\n", stdout);
      std::fflush(stdout);
      return static_cast<int32_t>(directory.status().code());
    }
    korvale::ads::DiscoveryAreas areas;
    korvale::ads::DiscoveryResult result = korvale::ads::Discover(**directory, areas);
    if (result.copy) areas.CopyTo(buffer);
    return result.hresult;
  } catch (const std::exception&) {
    // Only allocation can throw here; the caller's buffer is left as it was.
    return kOutOfMemory;
  }
}

CKrvADS::CKrvADS() = default;
CKrvADS& CKrvADS::operator=(const CKrvADS&) { return *this; }
