// Finding the mail system's organisations, administrative groups and servers
// in the directory. Below the configuration naming context (read from the
// root DSE) lies "CN=Microsoft Exchange,CN=Services,<context>"; under it, in
// the order the directory returns them, subtree searches find
//   (objectCategory=msExchOrganizationContainer)   cn, distinguishedname
//   in each: (objectCategory=msExchAdminGroupContainer)
//     in each: (objectCategory=msExchAdminGroup)   cn, distinguishedname
//       in each: (objectCategory=msExchServersContainer)
//         in each: (objectCategory=msExchExchangeServer)   cn
// and the names go into DiscoveryAreas.
#pragma once

#include <cstdint>

#include "adsdiscovery/discovery_areas.h"
#include "platform/ldap/ldap_directory.h"

namespace korvale::ads {

struct DiscoveryResult {
  int32_t hresult = 0;  // 0 on success, else the directory's failure (an HRESULT)
  // Whether the caller's buffer receives the areas. Failures before the
  // organisation search (no naming context, no container) still hand over
  // the empty areas; a failing organisation search hands over nothing.
  bool copy = true;
};

// Fills `areas` from a bound directory. Failures below the organisation
// search skip only that subtree: a search that fails, an entry that cannot be
// opened, a row without its name.
DiscoveryResult Discover(ldap::LdapDirectory& directory, DiscoveryAreas& areas);

}  // namespace korvale::ads
