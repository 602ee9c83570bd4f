#include "Setup/admin_expansion.h"

#include <algorithm>
#include <cctype>

#include "common/list_split.h"
#include "platform/accounts/net_api.h"

namespace korvale::setup {
namespace {

using accounts::DWORD;
using accounts::DWORD_PTR;
using accounts::SID_NAME_USE;

constexpr const char* kTitle = "Configuration Error";

struct Failure {
  std::string message;
};

class Expansion {
 public:
  Expansion(accounts::AccountDirectory& directory, SetupUi& ui) : directory_(directory), ui_(ui) {}

  // False once a failure was shown: the expansion ends there.
  bool Entry(const std::string& entry) {
    const auto backslash = entry.find('\\');
    if (backslash == std::string::npos) {
      return Fail("Invalid NT- account format. Please use\nDOMAIN\\username\nSeparate entries by semicolon.");
    }
    const std::string domain = entry.substr(0, backslash);
    const std::string account = entry.substr(backslash + 1);
    std::string dc;
    const auto dc_result = accounts::NetGetDCName(directory_, "", domain, &dc);
    if (dc_result != accounts::NERR_Success) {
      if (dc_result == 1212 || dc_result == 1355 || dc_result == accounts::NERR_DCNotFound) {
        return Fail("Can't find Primary DC in domain " + domain + ".");
      }
      return Fail("General Error retrieving PDC in domain " + domain +
                  ". Error Code: " + std::to_string(dc_result) + ".");
    }
    auto found = accounts::LookupAccountName(directory_, dc, account);
    if (!found.ok()) {
      const auto code = found.status().code();
      const std::string hint =
          code == accounts::ERROR_NONE_MAPPED
              ? "Please check that the account name is spelled correctly."
              : "Please check for network problems and that the account name is spelled correctly.";
      return Fail("Error looking up " + account + " account on PDC " + dc + " of domain " + domain + ".\n" +
                  hint + "\nError Code: " + std::to_string(code) + ".");
    }
    if (found->use == SID_NAME_USE::SidTypeGroup) return GroupUsers(domain, dc, account);
    if (found->use == SID_NAME_USE::SidTypeAlias) return LocalGroupMembers(domain, dc, account);
    Take(domain, account);
    return true;
  }

  std::string Result() const { return JoinSemicolonList(expanded_); }

 private:
  bool GroupUsers(const std::string& domain, const std::string& dc, const std::string& group) {
    DWORD_PTR resume = 0;
    do {
      std::vector<accounts::GROUP_USERS_INFO_0> users;
      DWORD read = 0, total = 0;
      const auto result = accounts::NetGroupGetUsers(directory_, dc, group, 0, &users,
                                                     accounts::MAX_PREFERRED_LENGTH, &read, &total, &resume);
      if (result != accounts::NERR_Success && result != accounts::ERROR_MORE_DATA)
        return ListFailed(group, dc, result);
      for (const auto& user : users) Take(domain, user.grui0_name);
    } while (resume != 0);
    return true;
  }

  bool LocalGroupMembers(const std::string& domain, const std::string& dc, const std::string& group) {
    DWORD_PTR resume = 0;
    do {
      std::vector<accounts::LOCALGROUP_MEMBERS_INFO> members;
      DWORD read = 0, total = 0;
      const auto result = accounts::NetLocalGroupGetMembers(
          directory_, dc, group, 1, &members, accounts::MAX_PREFERRED_LENGTH, &read, &total, &resume);
      if (result != accounts::NERR_Success && result != accounts::ERROR_MORE_DATA)
        return ListFailed(group, dc, result);
      for (const auto& member : members) {
        if (member.lgrmi_sidusage == SID_NAME_USE::SidTypeUser) Take(domain, member.lgrmi_name);
        if (member.lgrmi_sidusage == SID_NAME_USE::SidTypeGroup &&
            !GroupUsers(domain, dc, member.lgrmi_name)) {
          return false;
        }
      }
    } while (resume != 0);
    return true;
  }

  bool ListFailed(const std::string& group, const std::string& dc, DWORD result) {
    return Fail("General Error retrieving group members of NT group " + group + " on server " + dc +
                ". Error Code: " + std::to_string(result) + ".");
  }

  void Take(const std::string& domain, const std::string& name) {
    if (name.empty() || name.back() == '$') return;  // computer accounts
    const std::string entry = domain + "\\" + name;
    if (std::find(expanded_.begin(), expanded_.end(), entry) == expanded_.end()) expanded_.push_back(entry);
  }

  bool Fail(const std::string& message) {
    ui_.ShowMessage(message, kTitle, MessageIcon::kError);
    return false;
  }

  accounts::AccountDirectory& directory_;
  SetupUi& ui_;
  std::vector<std::string> expanded_;
};

}  // namespace

std::string ExpandAdminUsersNtForm(const std::string& admin_users, accounts::AccountDirectory& directory,
                                   SetupUi& ui) {
  Expansion expansion(directory, ui);
  for (const std::string& entry : SplitSemicolonList(admin_users)) {
    if (entry.empty()) continue;
    if (!expansion.Entry(entry)) break;
  }
  return expansion.Result();
}

}  // namespace korvale::setup
