#include "config/admin_expansion.h"

#include <cstdio>
#include <vector>

#include "common/list_split.h"
#include "common/text.h"
#include "platform/accounts/net_api.h"

namespace korvale::config {

const char kAccountFormatMessage[] =
    "Invalid NT-/AD- account format. Please use\nDOMAIN\\username or\nusername@domain.example.com\n"
    "Separate entries by semicolon.";

namespace {

using accounts::DWORD;
using accounts::SID_NAME_USE;
constexpr char kTitle[] = "Configuration Error";

// The message texts are printf patterns; an encoding error gives an empty text.
template <typename... Args>
std::string Format(const char* pattern, Args... args) {
  const int size = std::snprintf(nullptr, 0, pattern, args...);
  if (size <= 0) return std::string();
  std::vector<char> out(static_cast<size_t>(size) + 1);
  std::snprintf(out.data(), out.size(), pattern, args...);
  return std::string(out.data(), static_cast<size_t>(size));
}

// One entry as the administrator typed it, with where it is looked up.
struct Entry {
  std::string typed_domain;  // NT form: the domain as typed; directory form: the DNS name typed
  std::string account;
  bool directory_form = false;
  std::string controller;
  std::string dns_domain;   // directory form
  std::string flat_domain;  // directory form, when known
};

class Expansion {
 public:
  Expansion(accounts::AccountDirectory& directory, ConfigUi& ui) : directory_(directory), ui_(ui) {}

  AdminExpansion Run(const std::string& admin_users) {
    WaitCursor wait(ui_);
    AdminExpansion::Outcome outcome = AdminExpansion::Outcome::kComplete;
    for (const std::string& text : SplitSemicolonList(admin_users)) {
      if (text.empty()) continue;  // "a; ; b" or a trailing "; ": nothing was typed there
      outcome = ExpandEntry(text);
      if (outcome != AdminExpansion::Outcome::kComplete) break;
    }
    return {outcome, JoinSemicolonList(expanded_)};
  }

 private:
  AdminExpansion::Outcome ExpandEntry(const std::string& text) {
    Entry entry;
    bool found = false;
    if (size_t slash = text.find('\\'); slash != std::string::npos) {
      entry.typed_domain = text.substr(0, slash);
      entry.account = text.substr(slash + 1);
      found = FindPrimaryController(entry);
    } else if (size_t at = text.find('@'); at != std::string::npos) {
      entry.account = text.substr(0, at);
      entry.typed_domain = text.substr(at + 1);
      entry.directory_form = true;
      found = FindController(entry);
    } else {
      Show(kAccountFormatMessage);
      return AdminExpansion::Outcome::kStopped;
    }
    if (!found) return AdminExpansion::Outcome::kStopped;
    return TakeAccount(entry);
  }

  bool FindPrimaryController(Entry& entry) {
    DWORD rc = accounts::NetGetDCName(directory_, "", entry.typed_domain, &entry.controller);
    if (rc == 0) return true;
    Show(ControllerMissing(rc) ? Format("Can't find Primary DC in domain %s.", entry.typed_domain.c_str())
                               : Format("General Error retrieving PDC in domain %s. Error Code: %d.",
                                        entry.typed_domain.c_str(), static_cast<int>(rc)));
    return false;
  }

  bool FindController(Entry& entry) {
    accounts::DOMAIN_CONTROLLER_INFO info;
    if (accounts::DsGetDcName(directory_, "", entry.typed_domain,
                              accounts::DS_IS_DNS_NAME | accounts::DS_RETURN_FLAT_NAME, &info) == 0)
      entry.flat_domain = info.DomainName;
    DWORD rc = accounts::DsGetDcName(directory_, "", entry.typed_domain, accounts::DS_IS_DNS_NAME, &info);
    if (rc == 0) {
      entry.controller = info.DomainControllerName;
      entry.dns_domain = info.DomainName;
      return true;
    }
    Show(ControllerMissing(rc) ? Format("Can't find DC in domain %s.", entry.typed_domain.c_str())
                               : Format("General Error retrieving DC in domain %s. Error Code: %d.",
                                        entry.typed_domain.c_str(), static_cast<int>(rc)));
    return false;
  }

  static bool ControllerMissing(DWORD rc) { return rc == 1212 || rc == 1355 || rc == 2453; }

  AdminExpansion::Outcome TakeAccount(const Entry& entry) {
    // The directory form is looked up by its flat domain when known, so a
    // name that exists in several domains is found in the right one.
    std::string name =
        entry.directory_form
            ? (entry.flat_domain.empty() ? entry.account : entry.flat_domain + "\\" + entry.account)
            : entry.typed_domain + "\\" + entry.account;
    auto found = accounts::LookupAccountName(directory_, entry.controller, name);
    if (!found.ok()) {
      const char* advice =
          found.status().code() == accounts::ERROR_NONE_MAPPED
              ? "Please check that the account name is spelled correctly."
              : "Please check for network problems and that the account name is spelled correctly.";
      Show(Format("Error looking up %s account on PDC/DC %s of domain %s.\n%s\nError Code: %d.",
                  entry.account.c_str(), entry.controller.c_str(), entry.typed_domain.c_str(), advice,
                  static_cast<int>(found.status().code())));
      return AdminExpansion::Outcome::kStopped;
    }
    if (found->use == SID_NAME_USE::SidTypeGroup) return GroupUsers(entry, entry.account);
    if (found->use == SID_NAME_USE::SidTypeAlias) return LocalGroupMembers(entry);
    Add(entry, entry.account);
    return AdminExpansion::Outcome::kComplete;
  }

  AdminExpansion::Outcome GroupUsers(const Entry& entry, const std::string& group) {
    accounts::DWORD_PTR resume = 0;
    DWORD rc = 0;
    do {
      std::vector<accounts::GROUP_USERS_INFO_0> users;
      DWORD read = 0, total = 0;
      rc = accounts::NetGroupGetUsers(directory_, entry.controller, group, 0, &users,
                                      accounts::MAX_PREFERRED_LENGTH, &read, &total, &resume);
      if (rc != 0 && rc != accounts::ERROR_MORE_DATA) return ListingFailed(group, entry.controller, rc);
      for (const auto& user : users) Add(entry, user.grui0_name);
    } while (rc == accounts::ERROR_MORE_DATA && resume != 0);
    return AdminExpansion::Outcome::kComplete;
  }

  AdminExpansion::Outcome LocalGroupMembers(const Entry& entry) {
    accounts::DWORD_PTR resume = 0;
    DWORD rc = 0;
    do {
      std::vector<accounts::LOCALGROUP_MEMBERS_INFO> members;
      DWORD read = 0, total = 0;
      rc = accounts::NetLocalGroupGetMembers(directory_, entry.controller, entry.account, 1, &members,
                                             accounts::MAX_PREFERRED_LENGTH, &read, &total, &resume);
      if (rc != 0 && rc != accounts::ERROR_MORE_DATA)
        return ListingFailed(entry.account, entry.controller, rc);
      for (const auto& member : members) {
        if (member.lgrmi_sidusage == SID_NAME_USE::SidTypeUser) {
          Add(entry, member.lgrmi_name);
        } else if (member.lgrmi_sidusage == SID_NAME_USE::SidTypeGroup) {
          if (auto done = GroupUsers(entry, member.lgrmi_name); done != AdminExpansion::Outcome::kComplete)
            return done;
        }
      }
    } while (rc == accounts::ERROR_MORE_DATA && resume != 0);
    return AdminExpansion::Outcome::kComplete;
  }

  AdminExpansion::Outcome ListingFailed(const std::string& group, const std::string& server, DWORD rc) {
    Show(Format("General Error retrieving group members of NT group %s on server %s. Error Code: %d.",
                group.c_str(), server.c_str(), static_cast<int>(rc)));
    return AdminExpansion::Outcome::kSaveEnded;
  }

  void Add(const Entry& entry, const std::string& name) {
    if (name.empty() || name.back() == '$') return;  // computer accounts never administer
    if (!entry.directory_form) {
      AddOnce(entry.typed_domain + "\\" + name);
      return;
    }
    AddOnce(name + "@" + entry.dns_domain);
    if (!entry.flat_domain.empty()) AddOnce(entry.flat_domain + "\\" + name);
  }

  void AddOnce(const std::string& account) {
    for (const auto& listed : expanded_)
      if (EqualsNoCase(listed, account)) return;
    expanded_.push_back(account);
  }

  // Messages show with the normal cursor; the wait cursor comes back after.
  void Show(const std::string& text) {
    ui_.SetWaitCursor(false);
    ui_.ShowMessage(text, kTitle, MessageIcon::kError);
    ui_.SetWaitCursor(true);
  }

  accounts::AccountDirectory& directory_;
  ConfigUi& ui_;
  std::vector<std::string> expanded_;
};

}  // namespace

AdminExpansion DirectoryAdminUsers::Expand(const std::string& admin_users, ConfigUi& ui) {
  return Expansion(directory_, ui).Run(admin_users);
}

}  // namespace korvale::config
