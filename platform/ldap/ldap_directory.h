// A connection to an LDAP directory with the few reads that directory
// discovery needs: attributes of the root DSE, whether an entry exists, and
// subtree searches. Where to connect and how to authenticate come from the
// OpenLDAP client configuration the machine already keeps (ldap.conf and
// ~/.ldaprc: URI, BASE, SASL_MECH ...; LDAPCONF, LDAPURI and the other LDAP*
// variables override it, which is how tests point it at their own server).
// A SASL bind is made when SASL_MECH is configured, an anonymous one otherwise.
//
//   auto directory = LdapDirectory::Connect();
//   if (!directory.ok()) report(directory.status().code());  // an HRESULT, see LdapErrorText
//   auto rows = (*directory)->SearchSubtree(base, "(objectCategory=x)", {"cn"});
//
// Failures are HRESULTs as the directory interfaces of the system report
// them: LDAP result codes become 0x8007xxxx with the matching directory-service
// error, a missing attribute E_ADS_PROPERTY_NOT_FOUND. The vendor header is
// seen only inside this folder.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/status.h"

namespace korvale::ldap {

// E_ADS_PROPERTY_NOT_FOUND: the entry has no such attribute.
inline constexpr int32_t kPropertyNotFound = static_cast<int32_t>(0x8000500D);

// Attribute values of one entry, by attribute name in lower case.
using LdapRow = std::map<std::string, std::vector<std::string>>;

class LdapDirectory {
 public:
  virtual ~LdapDirectory() = default;

  // Connects and binds as configured (see above). The Status code is the HRESULT.
  static Expected<std::unique_ptr<LdapDirectory>> Connect();

  // The values of one attribute of the root DSE; kPropertyNotFound when it has none.
  virtual Expected<std::vector<std::string>> ReadRootDse(const std::string& attribute) = 0;
  // Succeeds when the entry `dn` can be read (a base search).
  virtual Status OpenEntry(const std::string& dn) = 0;
  // Every entry at or below `base` that matches `filter`, with the asked
  // attributes (and its distinguished name under "distinguishedname").
  virtual Expected<std::vector<LdapRow>> SearchSubtree(const std::string& base, const std::string& filter,
                                                       const std::vector<std::string>& attributes) = 0;
};

// The text for a failure HRESULT from this layer, as a message box shows it.
std::string LdapErrorText(int32_t hresult);

}  // namespace korvale::ldap
