// A hand-written account directory for tests: domains with controllers,
// accounts with SIDs made from the domain SID and a relative id, global and
// local group memberships, and a switch that makes every query fail as an
// unreadable directory does.
//
//   FakeAccountDirectory dir;
//   dir.AddDomain("CORP", "S-1-5-21-1-2-3", {"\\\\DC1"});
//   Sid ann = dir.AddAccount("CORP", "ann");
//   dir.AddAccount("CORP", "Sales", SID_NAME_USE::SidTypeGroup);
//   dir.AddMember("CORP\\Sales", "CORP\\ann");
#pragma once

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/accounts/account_directory.h"

namespace korvale::testing {

class FakeAccountDirectory : public accounts::AccountDirectory {
 public:
  using Sid = accounts::Sid;
  using SID_NAME_USE = accounts::SID_NAME_USE;
  using DirectoryAccount = accounts::DirectoryAccount;

  void AddDomain(const std::string& name, const std::string& sid_text, std::vector<std::string> controllers) {
    domains_[Upper(name)] = {sid_text, std::move(controllers)};
  }

  // Adds an account of a domain (or of a machine, for local groups and their
  // accounts, when no such domain was added) and returns its SID.
  Sid AddAccount(const std::string& domain, const std::string& name,
                 SID_NAME_USE type = SID_NAME_USE::SidTypeUser) {
    auto d = domains_.find(Upper(domain));
    const std::string base = d != domains_.end() ? d->second.sid : "S-1-5-21-99-99-99";
    Sid sid;
    accounts::ConvertStringSidToSid(base + "-" + std::to_string(next_rid_++), &sid);
    accounts_.push_back({domain, name, type, sid});
    return sid;
  }

  // `group` and `member` as "DOMAIN\\name"; members keep the order added.
  void AddMember(const std::string& group, const std::string& member) {
    members_[Upper(group)].push_back(member);
  }

  // Every query fails with `code` (an unreadable directory: any code but the
  // Windows ones the interface names).
  void FailEverything(int64_t code = -1) { fail_code_ = code; }

  Expected<std::optional<DirectoryAccount>> FindSid(const Sid& sid) override {
    if (auto s = Fail()) return *s;
    for (const auto& a : accounts_) {
      if (a.sid == sid) return std::optional<DirectoryAccount>(a);
    }
    return std::optional<DirectoryAccount>();
  }

  Expected<std::optional<DirectoryAccount>> FindName(const std::string& name) override {
    if (auto s = Fail()) return *s;
    const auto* a = Find(name);
    return a ? std::optional<DirectoryAccount>(*a) : std::optional<DirectoryAccount>();
  }

  Expected<std::vector<DirectoryAccount>> GroupMembers(const std::string& domain,
                                                       const std::string& group) override {
    return Members(domain, group, SID_NAME_USE::SidTypeGroup);
  }

  Expected<std::vector<DirectoryAccount>> LocalGroupMembers(const std::string& server_or_domain,
                                                            const std::string& group) override {
    return Members(server_or_domain, group, SID_NAME_USE::SidTypeAlias);
  }

  Expected<std::vector<std::string>> DomainControllers(const std::string& domain) override {
    if (auto s = Fail()) return *s;
    auto d = domains_.find(Upper(domain));
    if (d == domains_.end() || d->second.controllers.empty()) {
      return Status::Error("no controller for " + domain, accounts::NERR_DCNotFound);
    }
    return d->second.controllers;
  }

 private:
  struct Domain {
    std::string sid;
    std::vector<std::string> controllers;
  };

  static std::string Upper(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return s;
  }

  std::optional<Status> Fail() {
    if (fail_code_ == 0) return std::nullopt;
    return Status::Error("directory unreadable", fail_code_);
  }

  const DirectoryAccount* Find(const std::string& name) const {
    const auto slash = name.find('\\');
    for (const auto& a : accounts_) {
      const bool same_name = Upper(a.name) == Upper(name.substr(slash == std::string::npos ? 0 : slash + 1));
      const bool same_domain = slash == std::string::npos || Upper(a.domain) == Upper(name.substr(0, slash));
      if (same_name && same_domain) return &a;
    }
    return nullptr;
  }

  Expected<std::vector<DirectoryAccount>> Members(const std::string& domain, const std::string& group,
                                                  SID_NAME_USE kind) {
    if (auto s = Fail()) return *s;
    const std::string key = domain + "\\" + group;
    const auto* g = Find(key);
    if (!g || g->type != kind) {
      return Status::Error("no group " + key, accounts::NERR_GroupNotFound);
    }
    std::vector<DirectoryAccount> out;
    auto m = members_.find(Upper(key));
    if (m == members_.end()) return out;
    for (const auto& name : m->second) {
      if (const auto* a = Find(name)) out.push_back(*a);
    }
    return out;
  }

  std::map<std::string, Domain> domains_;
  std::vector<DirectoryAccount> accounts_;
  std::map<std::string, std::vector<std::string>> members_;
  uint32_t next_rid_ = 1000;
  int64_t fail_code_ = 0;
};

}  // namespace korvale::testing
