// The account directory: where the Windows account lookups (net_api.h) get
// their answers. One implementation reads the accounts of the organisation
// store (org_account_directory.h); tests may use the hand-written fake in
// tests/fakes/fake_account_directory.h. A directory on a real LDAP server
// would be a third.
//
// Failures are values: an Expected whose Status code is the Windows result
// code the lookup stands for (NERR_GroupNotFound, NERR_DCNotFound), or any
// other code when the directory itself could not be read (the lookups then
// report RPC_S_SERVER_UNAVAILABLE, as for a controller that cannot be reached).
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/status.h"
#include "platform/accounts/win_accounts.h"

namespace korvale::accounts {

struct DirectoryAccount {
  std::string domain;  // NetBIOS domain name, or the machine name of a local account
  std::string name;
  SID_NAME_USE type = SID_NAME_USE::SidTypeUser;
  Sid sid;
};

class AccountDirectory {
 public:
  virtual ~AccountDirectory() = default;

  // The account with this SID; nullopt when none has it.
  virtual Expected<std::optional<DirectoryAccount>> FindSid(const Sid& sid) = 0;
  // By "DOMAIN\\name" or a bare "name" (case-insensitive; a bare name takes
  // the first match); nullopt when none.
  virtual Expected<std::optional<DirectoryAccount>> FindName(const std::string& name) = 0;
  // Direct members of a global group of the domain, in a stable order (the
  // order paging relies on); code NERR_GroupNotFound when there is no such group.
  virtual Expected<std::vector<DirectoryAccount>> GroupMembers(const std::string& domain,
                                                               const std::string& group) = 0;
  // Direct members of a local group of the machine or domain
  // `server_or_domain` (a name without leading backslashes); code
  // NERR_GroupNotFound when there is no such group.
  virtual Expected<std::vector<DirectoryAccount>> LocalGroupMembers(const std::string& server_or_domain,
                                                                    const std::string& group) = 0;
  // The domain's controllers, primary first, as "\\\\DC1"; code
  // NERR_DCNotFound when the domain is unknown or has none.
  virtual Expected<std::vector<std::string>> DomainControllers(const std::string& domain) = 0;
  // The NetBIOS names of the directory's domains (none unless overridden).
  virtual Expected<std::vector<std::string>> Domains() { return std::vector<std::string>{}; }
};

// A directory that could not be opened: every query fails with `reason`, so
// each lookup fails on its own as it does when a controller cannot be reached
// (the lookups report RPC_S_SERVER_UNAVAILABLE) and callers report it per
// account instead of losing everything the directory is not needed for.
std::unique_ptr<AccountDirectory> UnreadableAccountDirectory(std::string reason);

}  // namespace korvale::accounts
