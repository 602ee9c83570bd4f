// The account directory over the accounts of an organisation store.
#include "platform/accounts/org_account_directory.h"

#include "platform/accounts/server_map.h"
#include "platform/mapi/orgstore/org_store.h"

namespace korvale::accounts {
namespace {

namespace org = mapi::orgstore;

DirectoryAccount FromInfo(const org::AccountInfo& info) {
  // The store numbers its account kinds as SID_NAME_USE does.
  return {info.domain, info.name, static_cast<SID_NAME_USE>(static_cast<int>(info.type)), info.sid};
}

Expected<std::optional<DirectoryAccount>> FromOptional(Expected<std::optional<org::AccountInfo>> found) {
  if (!found.ok()) return found.status();
  if (!found->has_value()) return std::optional<DirectoryAccount>();
  return std::optional<DirectoryAccount>(FromInfo(**found));
}

Expected<std::vector<DirectoryAccount>> FromList(Expected<std::vector<org::AccountInfo>> list) {
  if (!list.ok()) return list.status();
  std::vector<DirectoryAccount> out;
  out.reserve(list->size());
  for (const auto& info : *list) out.push_back(FromInfo(info));
  return out;
}

class OrgAccountDirectory : public AccountDirectory {
 public:
  explicit OrgAccountDirectory(std::unique_ptr<org::OrgAccounts> accounts) : accounts_(std::move(accounts)) {}

  Expected<std::optional<DirectoryAccount>> FindSid(const Sid& sid) override {
    return FromOptional(accounts_->LookupSid(sid));
  }
  Expected<std::optional<DirectoryAccount>> FindName(const std::string& name) override {
    return FromOptional(accounts_->LookupName(name));
  }
  Expected<std::vector<DirectoryAccount>> GroupMembers(const std::string& domain,
                                                       const std::string& group) override {
    return FromList(accounts_->GroupMembers(domain, group));
  }
  Expected<std::vector<DirectoryAccount>> LocalGroupMembers(const std::string& server_or_domain,
                                                            const std::string& group) override {
    return FromList(accounts_->LocalGroupMembers(server_or_domain, group));
  }
  Expected<std::vector<std::string>> DomainControllers(const std::string& domain) override {
    return accounts_->DomainControllers(domain);
  }
  Expected<std::vector<std::string>> Domains() override { return accounts_->DomainNames(); }

 private:
  std::unique_ptr<org::OrgAccounts> accounts_;
};

class Unreadable : public AccountDirectory {
 public:
  explicit Unreadable(std::string reason) : reason_(std::move(reason)) {}

  Expected<std::optional<DirectoryAccount>> FindSid(const Sid&) override { return Failure(); }
  Expected<std::optional<DirectoryAccount>> FindName(const std::string&) override { return Failure(); }
  Expected<std::vector<DirectoryAccount>> GroupMembers(const std::string&, const std::string&) override {
    return Failure();
  }
  Expected<std::vector<DirectoryAccount>> LocalGroupMembers(const std::string&, const std::string&) override {
    return Failure();
  }
  Expected<std::vector<std::string>> DomainControllers(const std::string&) override { return Failure(); }
  Expected<std::vector<std::string>> Domains() override { return Failure(); }

 private:
  Status Failure() const { return Status::Error(reason_); }
  std::string reason_;
};

}  // namespace

std::unique_ptr<AccountDirectory> UnreadableAccountDirectory(std::string reason) {
  return std::make_unique<Unreadable>(std::move(reason));
}

Expected<std::unique_ptr<AccountDirectory>> OpenOrgAccountDirectory(const std::string& org_store_path) {
  auto accounts = org::OrgAccounts::Open(org_store_path);
  if (!accounts.ok()) return accounts.status();
  return std::unique_ptr<AccountDirectory>(std::make_unique<OrgAccountDirectory>(std::move(*accounts)));
}

Expected<std::unique_ptr<AccountDirectory>> OpenAccountDirectoryForServer(const std::string& profile_file,
                                                                          const std::string& server_name) {
  auto store = OrgStoreForServer(profile_file, server_name);
  if (!store.ok()) return store.status();
  return OpenOrgAccountDirectory(*store);
}

}  // namespace korvale::accounts
