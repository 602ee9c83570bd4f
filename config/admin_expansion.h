// Expanding the administrator accounts against the account directory: each
// entry of AdminUsers ("DOMAIN\\name", or "name@dns.domain") is looked up on
// its domain's controller; a group or local group is replaced by its users
// (a global group inside a local group one level deep), computer accounts
// ("$" at the end) are never taken and no account is listed twice.
//
//   DirectoryAdminUsers expander(directory);
//   AdminExpansion result = expander.Expand("CORP\\Admins; ann@corp.example.org", ui);
//
// A lookup that fails shows its message and stops the expansion (the entries
// expanded so far stay); a group listing that fails ends the save. The
// configuration program and the server setup both use it.
#pragma once

#include <string>

#include "config/admin_users.h"
#include "platform/accounts/account_directory.h"

namespace korvale::config {

class DirectoryAdminUsers : public AdminUsersExpander {
 public:
  explicit DirectoryAdminUsers(accounts::AccountDirectory& directory) : directory_(directory) {}
  AdminExpansion Expand(const std::string& admin_users, ConfigUi& ui) override;

 private:
  accounts::AccountDirectory& directory_;
};

// The message shown for an entry in neither form.
extern const char kAccountFormatMessage[];

}  // namespace korvale::config
