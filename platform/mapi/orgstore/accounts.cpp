// Windows domains, accounts and groups of the organisation store, and SIDs.
#include <algorithm>
#include <cinttypes>
#include <cstdio>

#include "platform/mapi/orgstore/backend.h"

namespace korvale::mapi::orgstore {

bool SidFromString(const std::string& text, SBinary* sid) {
  if (text.size() < 4 || (text[0] != 'S' && text[0] != 's') || text[1] != '-') return false;
  std::vector<uint64_t> parts;
  size_t i = 2;
  while (i <= text.size()) {
    size_t j = text.find('-', i);
    if (j == std::string::npos) j = text.size();
    std::string part = text.substr(i, j - i);
    if (part.empty() || part.size() > 15 || part.find_first_not_of("0123456789") != std::string::npos)
      return false;
    parts.push_back(std::stoull(part));
    i = j + 1;
  }
  // revision, authority, then 1..15 sub-authorities
  if (parts.size() < 3 || parts.size() > 17 || parts[0] != 1 || parts[1] > 0xFFFFFFFFFFFFULL) return false;
  SBinary out;
  out.push_back(1);
  out.push_back(static_cast<uint8_t>(parts.size() - 2));
  for (int b = 5; b >= 0; --b) out.push_back(static_cast<uint8_t>(parts[1] >> (8 * b)));
  for (size_t k = 2; k < parts.size(); ++k) {
    if (parts[k] > 0xFFFFFFFFULL) return false;
    for (int b = 0; b < 4; ++b) out.push_back(static_cast<uint8_t>(parts[k] >> (8 * b)));
  }
  *sid = std::move(out);
  return true;
}

std::string SidToString(const SBinary& sid) {
  if (sid.size() < 8 || sid[0] != 1 || sid.size() != 8 + size_t(sid[1]) * 4) return {};
  uint64_t authority = 0;
  for (int b = 0; b < 6; ++b) authority = (authority << 8) | sid[2 + b];
  std::string out = "S-1-" + std::to_string(authority);
  for (size_t k = 0; k < sid[1]; ++k) {
    uint32_t v = 0;
    for (int b = 0; b < 4; ++b) v |= uint32_t(sid[8 + 4 * k + b]) << (8 * b);
    out += "-" + std::to_string(v);
  }
  return out;
}

namespace {

constexpr int kGroupNotFound = 2220;  // NERR_GroupNotFound
constexpr int kDcNotFound = 2453;     // NERR_DCNotFound

class OrgAccountsImpl : public OrgAccounts {
 public:
  explicit OrgAccountsImpl(std::shared_ptr<Backend> backend) : backend_(std::move(backend)) {}

  Expected<std::optional<AccountInfo>> LookupSid(const SBinary& sid) override {
    return Run<std::optional<AccountInfo>>([&]() -> std::optional<AccountInfo> {
      auto st = backend_->db().Prepare("SELECT domain, name, type, sid FROM accounts WHERE sid=?");
      st.BindBlob(1, sid);
      if (st.Step()) return Read(st);
      // The SID of a domain itself.
      auto d = backend_->db().Prepare("SELECT name, sid FROM domains WHERE sid=?");
      d.BindBlob(1, sid);
      if (d.Step()) return AccountInfo{d.Text(0), d.Text(0), SidType::kDomain, d.Blob(1)};
      return std::nullopt;
    });
  }

  Expected<std::optional<AccountInfo>> LookupName(const std::string& name) override {
    return Run<std::optional<AccountInfo>>([&]() -> std::optional<AccountInfo> {
      size_t slash = name.find('\\');
      std::string sql = "SELECT domain, name, type, sid FROM accounts WHERE name=?";
      if (slash != std::string::npos) sql += " AND domain=?";
      sql += " ORDER BY id";
      auto st = backend_->db().Prepare(sql);
      if (slash != std::string::npos)
        st.Bind(1, name.substr(slash + 1)).Bind(2, name.substr(0, slash));
      else
        st.Bind(1, name);
      if (st.Step()) return Read(st);
      return std::nullopt;
    });
  }

  Expected<std::vector<AccountInfo>> GroupMembers(const std::string& domain,
                                                  const std::string& group) override {
    return Members(domain, group, SidType::kGroup);
  }

  Expected<std::vector<AccountInfo>> LocalGroupMembers(const std::string& server_or_domain,
                                                       const std::string& group) override {
    std::string machine = server_or_domain;
    while (!machine.empty() && machine.front() == '\\') machine.erase(machine.begin());
    return Members(machine, group, SidType::kAlias);
  }

  Expected<std::vector<std::string>> DomainControllers(const std::string& domain) override {
    try {
      auto st = backend_->db().Prepare(
          "SELECT c.name FROM domains d JOIN domain_controllers c ON c.domain_id = d.id WHERE d.name=? ORDER "
          "BY c.position");
      st.Bind(1, domain);
      std::vector<std::string> out;
      while (st.Step()) out.push_back(st.Text(0));
      if (out.empty()) return Status::Error("no domain controller for " + domain, kDcNotFound);
      return out;
    } catch (const DbError& e) {
      return Status::Error(e.message);
    }
  }

  Expected<std::vector<std::string>> DomainNames() override {
    try {
      auto st = backend_->db().Prepare("SELECT name FROM domains ORDER BY id");
      std::vector<std::string> out;
      while (st.Step()) out.push_back(st.Text(0));
      return out;
    } catch (const DbError& e) {
      return Status::Error(e.message);
    }
  }

 private:
  template <class T, class F>
  Expected<T> Run(F&& f) {
    try {
      return T(f());
    } catch (const DbError& e) {
      return Status::Error(e.message);
    }
  }

  static AccountInfo Read(Stmt& st) {
    return AccountInfo{st.Text(0), st.Text(1), static_cast<SidType>(st.Int(2)), st.Blob(3)};
  }

  Expected<std::vector<AccountInfo>> Members(const std::string& domain, const std::string& group,
                                             SidType type) {
    try {
      auto g = backend_->db().Prepare("SELECT id FROM accounts WHERE domain=? AND name=? AND type=?");
      g.Bind(1, domain).Bind(2, group).Bind(3, static_cast<int64_t>(type));
      if (!g.Step()) return Status::Error("no group " + domain + "\\" + group, kGroupNotFound);
      auto st = backend_->db().Prepare(
          "SELECT a.domain, a.name, a.type, a.sid FROM account_members m JOIN accounts a ON a.id = "
          "m.member_id "
          "WHERE m.group_id=? ORDER BY m.position");
      st.Bind(1, g.Int(0));
      std::vector<AccountInfo> out;
      while (st.Step()) out.push_back(Read(st));
      return out;
    } catch (const DbError& e) {
      return Status::Error(e.message);
    }
  }

  std::shared_ptr<Backend> backend_;
};

}  // namespace

Expected<std::unique_ptr<OrgAccounts>> OrgAccounts::Open(const std::string& path) {
  try {
    return std::unique_ptr<OrgAccounts>(new OrgAccountsImpl(Backend::Open(path, false)));
  } catch (const DbError& e) {
    return Status::Error(e.message);
  }
}

}  // namespace korvale::mapi::orgstore
