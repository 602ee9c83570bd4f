#include "adsdiscovery/discovery.h"

#include <string>
#include <vector>

namespace korvale::ads {

namespace {

using ldap::LdapRow;

// The first value of an attribute; empty when the row has none.
std::string First(const LdapRow& row, const std::string& attribute) {
  auto it = row.find(attribute);
  return it == row.end() || it->second.empty() ? std::string() : it->second.front();
}

class Discovery {
 public:
  Discovery(ldap::LdapDirectory& directory, DiscoveryAreas& areas) : directory_(directory), areas_(areas) {}

  DiscoveryResult Run() {
    auto context = directory_.ReadRootDse("configurationNamingContext");
    if (!context.ok()) return {static_cast<int32_t>(context.status().code()), true};
    const std::string exchange = "CN=Microsoft Exchange,CN=Services," + context->front();
    if (Status opened = directory_.OpenEntry(exchange); !opened.ok())
      return {static_cast<int32_t>(opened.code()), true};
    auto organisations = directory_.SearchSubtree(exchange, "(objectCategory=msExchOrganizationContainer)",
                                                  {"cn", "distinguishedname"});
    if (!organisations.ok()) return {static_cast<int32_t>(organisations.status().code()), false};
    for (const auto& row : *organisations) {
      std::string name = First(row, "cn");
      if (name.empty()) continue;
      int number = areas_.AddOrganisation(name);
      if (number >= 0) AdminGroups(number, First(row, "distinguishedname"));
    }
    return {0, true};
  }

 private:
  // The rows of one lower search; none when the entry cannot be opened or the search fails.
  std::vector<LdapRow> Below(const std::string& dn, const std::string& category,
                             const std::vector<std::string>& attributes) {
    if (dn.empty() || !directory_.OpenEntry(dn).ok()) return {};
    auto rows = directory_.SearchSubtree(dn, "(objectCategory=" + category + ")", attributes);
    return rows.ok() ? std::move(*rows) : std::vector<LdapRow>{};
  }

  void AdminGroups(int organisation, const std::string& organisation_dn) {
    for (const auto& container : Below(organisation_dn, "msExchAdminGroupContainer", {"distinguishedname"})) {
      for (const auto& row :
           Below(First(container, "distinguishedname"), "msExchAdminGroup", {"cn", "distinguishedname"})) {
        std::string name = First(row, "cn");
        if (name.empty()) continue;
        int group = areas_.AddGroup(organisation, name);
        if (group >= 0) Servers(organisation, group, First(row, "distinguishedname"));
      }
    }
  }

  void Servers(int organisation, int group, const std::string& group_dn) {
    for (const auto& container : Below(group_dn, "msExchServersContainer", {"distinguishedname"})) {
      for (const auto& row : Below(First(container, "distinguishedname"), "msExchExchangeServer", {"cn"})) {
        std::string name = First(row, "cn");
        if (!name.empty()) areas_.AddServer(organisation, group, name);
      }
    }
  }

  ldap::LdapDirectory& directory_;
  DiscoveryAreas& areas_;
};

}  // namespace

DiscoveryResult Discover(ldap::LdapDirectory& directory, DiscoveryAreas& areas) {
  return Discovery(directory, areas).Run();
}

}  // namespace korvale::ads
