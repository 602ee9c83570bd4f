// The administrator accounts of a save expanded against the account
// directory of the organisation store that serves the home server (as the
// window shows it when "Update" is pressed). A directory that cannot be
// opened makes each lookup fail with its reason, shown through the interface.
#pragma once

#include <functional>
#include <string>

#include "config/admin_users.h"

namespace korvale::config {

class HomeServerAdminUsers : public AdminUsersExpander {
 public:
  explicit HomeServerAdminUsers(std::function<std::string()> home_server)
      : home_server_(std::move(home_server)) {}
  AdminExpansion Expand(const std::string& admin_users, ConfigUi& ui) override;

 private:
  std::function<std::string()> home_server_;
};

// The server's own name: the part after the last "/cn=" of a distinguished
// name (compared without case), or the whole text.
std::string ServerNameOf(const std::string& home_server);

}  // namespace korvale::config
