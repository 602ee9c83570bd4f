// The quiet installation's expansion of the administrator accounts
// (AdminUsers into AdminUsersExpanded), in NT account form only: each
// "DOMAIN\name" entry is looked up on the domain's primary controller; a
// group or local group gives its users (a group inside a local group one
// level deep), any other account itself; computer accounts ("$") never, and
// no entry twice. A failure is shown and ends the expansion with the entries
// expanded so far.
#pragma once

#include <string>

#include "Setup/setup_ui.h"
#include "platform/accounts/account_directory.h"

namespace korvale::setup {

// `admin_users` "; "-joined; the result "; "-joined.
std::string ExpandAdminUsersNtForm(const std::string& admin_users, accounts::AccountDirectory& directory,
                                   SetupUi& ui);

}  // namespace korvale::setup
