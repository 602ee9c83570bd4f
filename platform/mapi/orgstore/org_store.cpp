// Creating an organisation from a spec, listings, and profile-less logon.
#include "platform/mapi/orgstore/org_store.h"

#include <algorithm>
#include <map>
#include <set>

#include "common/text.h"
#include "platform/mapi/orgstore/codec.h"
#include "platform/mapi/orgstore/objects.h"

namespace korvale::mapi::orgstore {

std::string ServerSpec::LegacyDn() const {
  return "/o=" + org + "/ou=" + site + "/cn=Configuration/cn=Servers/cn=" + name;
}

namespace {

const char* KindName(RecipientKind k) {
  switch (k) {
    case RecipientKind::kMailbox: return "mailbox";
    case RecipientKind::kRoom: return "room";
    case RecipientKind::kEquipment: return "equipment";
    case RecipientKind::kDistList: return "distribution list";
  }
  return "?";
}

// What exists already, by lower-case key, so the spec is checked against it.
struct Known {
  std::map<std::string, ServerSpec> servers;
  std::map<std::string, SBinary> domains;           // name -> SID
  std::set<std::string> accounts;                   // "domain\name"
  std::map<std::string, RecipientKind> recipients;  // alias -> kind
  std::set<std::string> legacy_dns;
  std::set<std::string> recipients_with_store;
};

std::string AccountKey(const std::string& domain, const std::string& name) {
  return Lower(domain + "\\" + name);
}

bool SplitAccount(const std::string& text, std::string* domain, std::string* name) {
  size_t slash = text.find('\\');
  if (slash == std::string::npos || slash == 0 || slash + 1 == text.size()) return false;
  *domain = text.substr(0, slash);
  *name = text.substr(slash + 1);
  return true;
}

class OrgStoreImpl : public OrgStore {
 public:
  explicit OrgStoreImpl(std::shared_ptr<Backend> backend) : backend_(std::move(backend)) {}

  const std::string& Path() const override { return backend_->db().Path(); }

  Status Apply(const OrganisationSpec& spec, const std::function<Status(IMAPISession&)>& then) override {
    try {
      return backend_->db().Transaction([&]() -> Status {
        Known known = LoadKnown();
        std::vector<std::string> errors;
        Validate(spec, known, errors);
        if (!errors.empty()) {
          std::string all;
          for (const auto& e : errors) all += (all.empty() ? "" : "\n") + e;
          throw ValidationFailed{all};
        }
        Write(spec, known);
        if (then) {
          auto session = MakeSession(backend_, nullptr);
          Status s = then(*session);
          if (!s.ok()) throw ValidationFailed{s.message()};
        }
        return Status::Ok();
      });
    } catch (const ValidationFailed& v) {
      return Status::Error(v.message);
    } catch (const DbError& e) {
      return Status::Error(Path() + ": " + e.message);
    } catch (const CorruptData& e) {
      return Status::Error(Path() + ": " + e.message);
    }
  }

  Expected<std::vector<ServerSpec>> ListServers() override {
    return Run<std::vector<ServerSpec>>([&] {
      std::vector<ServerSpec> out;
      auto st = backend_->db().Prepare("SELECT name, org, site FROM servers ORDER BY id");
      while (st.Step()) out.push_back({st.Text(0), st.Text(1), st.Text(2)});
      return out;
    });
  }

  Expected<std::vector<MailboxInfo>> ListRecipients() override {
    return Run<std::vector<MailboxInfo>>([&] {
      std::vector<MailboxInfo> out;
      for (const auto& r : backend_->AllRecipients()) {
        MailboxInfo m;
        m.id = r.id;
        m.kind = r.kind;
        m.alias = r.alias;
        m.display_name = r.display_name;
        m.legacy_dn = r.legacy_dn;
        m.smtp = r.smtp;
        if (r.server_id)
          if (auto s = backend_->ServerById(r.server_id)) m.server = s->name;
        m.has_store = backend_->StoreByRecipient(r.id).has_value();
        out.push_back(std::move(m));
      }
      return out;
    });
  }

  Expected<std::vector<FolderInfo>> ListFolders(const std::string& alias) override {
    return Run<std::vector<FolderInfo>>([&] {
      std::vector<FolderInfo> out;
      for (const auto& r : backend_->AllRecipients()) {
        if (!alias.empty() && Lower(alias) != Lower(r.alias)) continue;
        auto store = backend_->StoreByRecipient(r.id);
        if (!store) continue;
        for (const auto& f : backend_->Folders(store->id))
          out.push_back(
              {r.alias, f.display_name, backend_->FolderEntryId(*store, f.id), backend_->MessageCount(f.id)});
      }
      return out;
    });
  }

  Expected<std::vector<OutboundMail>> ListOutboundMail() override {
    return Run<std::vector<OutboundMail>>([&] { return backend_->OutboundLog(); });
  }

  HRESULT Logon(const std::string& logon_alias, std::shared_ptr<IMAPISession>* session) override {
    if (!session) return MAPI_E_INVALID_PARAMETER;
    try {
      std::shared_ptr<StoreImpl> store;
      if (!logon_alias.empty()) {
        std::optional<RecipientRow> owner;
        for (const auto& r : backend_->AllRecipients())
          if (Lower(r.alias) == Lower(logon_alias)) owner = r;
        if (!owner) return MAPI_E_UNCONFIGURED;
        auto row = backend_->StoreByRecipient(owner->id);
        if (!row) return MAPI_E_UNCONFIGURED;
        store = std::make_shared<StoreImpl>(backend_, *row, *owner);
      }
      *session = MakeSession(backend_, store);
      return S_OK;
    } catch (const DbError&) {
      return MAPI_E_CALL_FAILED;
    } catch (const CorruptData&) {
      return MAPI_E_CORRUPT_STORE;
    }
  }

 private:
  struct ValidationFailed {
    std::string message;
  };

  template <class T, class F>
  Expected<T> Run(F&& f) {
    try {
      return T(f());
    } catch (const DbError& e) {
      return Status::Error(Path() + ": " + e.message);
    } catch (const CorruptData& e) {
      return Status::Error(Path() + ": " + e.message);
    }
  }

  Known LoadKnown() {
    Known k;
    auto& db = backend_->db();
    {
      auto st = db.Prepare("SELECT name, org, site FROM servers");
      while (st.Step()) k.servers[Lower(st.Text(0))] = {st.Text(0), st.Text(1), st.Text(2)};
    }
    {
      auto st = db.Prepare("SELECT name, sid FROM domains");
      while (st.Step()) k.domains[Lower(st.Text(0))] = st.Blob(1);
    }
    {
      auto st = db.Prepare("SELECT domain, name FROM accounts");
      while (st.Step()) k.accounts.insert(AccountKey(st.Text(0), st.Text(1)));
    }
    {
      auto st = db.Prepare(
          "SELECT r.alias, r.kind, r.legacy_dn, s.id FROM recipients r LEFT JOIN stores s ON s.recipient_id "
          "= r.id");
      while (st.Step()) {
        k.recipients[Lower(st.Text(0))] = static_cast<RecipientKind>(st.Int(1));
        k.legacy_dns.insert(Lower(st.Text(2)));
        if (!st.IsNull(3)) k.recipients_with_store.insert(Lower(st.Text(0)));
      }
    }
    return k;
  }

  static std::string DefaultDn(const RecipientSpec& r, const Known& k, const OrganisationSpec& spec) {
    const ServerSpec* server = nullptr;
    if (auto it = k.servers.find(Lower(r.server)); it != k.servers.end()) server = &it->second;
    if (!server && !k.servers.empty()) server = &k.servers.begin()->second;
    if (!server && !spec.servers.empty()) server = &spec.servers.front();
    if (!server) return "";
    return "/o=" + server->org + "/ou=" + server->site + "/cn=Recipients/cn=" + r.alias;
  }

  void Validate(const OrganisationSpec& spec, Known& k, std::vector<std::string>& errors) {
    for (size_t i = 0; i < spec.servers.size(); ++i) {
      const auto& s = spec.servers[i];
      std::string where = "server " + std::to_string(i + 1) + (s.name.empty() ? "" : " (" + s.name + ")");
      if (s.name.empty() || s.org.empty() || s.site.empty())
        errors.push_back(where + ": name, organisation and site must not be empty");
      else if (s.name.find('/') != std::string::npos)
        errors.push_back(where + ": the name must not contain '/'");
      else if (!k.servers.emplace(Lower(s.name), s).second)
        errors.push_back(where + ": a server of that name exists already");
    }
    for (size_t i = 0; i < spec.domains.size(); ++i) {
      const auto& d = spec.domains[i];
      std::string where = "domain " + std::to_string(i + 1) + (d.name.empty() ? "" : " (" + d.name + ")");
      SBinary sid;
      if (d.name.empty())
        errors.push_back(where + ": the name must not be empty");
      else if (!SidFromString(d.sid, &sid))
        errors.push_back(where + ": \"" + d.sid + "\" is not a SID");
      else if (!k.domains.emplace(Lower(d.name), sid).second)
        errors.push_back(where + ": the domain exists already");
    }
    for (size_t i = 0; i < spec.accounts.size(); ++i) {
      const auto& a = spec.accounts[i];
      std::string where = "account " + std::to_string(i + 1) + " (" + a.domain + "\\" + a.name + ")";
      SBinary sid;
      if (a.domain.empty() || a.name.empty())
        errors.push_back(where + ": domain and name must not be empty");
      else if (!a.sid.empty() && !SidFromString(a.sid, &sid))
        errors.push_back(where + ": \"" + a.sid + "\" is not a SID");
      else if (a.sid.empty() && !k.domains.count(Lower(a.domain)))
        errors.push_back(where + ": the domain " + a.domain +
                         " is not defined (give a SID for a machine's account)");
      else if (!k.accounts.insert(AccountKey(a.domain, a.name)).second)
        errors.push_back(where + ": the account exists already");
      if (a.type == SidType::kUser && !a.members.empty())
        errors.push_back(where + ": only groups have members");
    }
    for (size_t i = 0; i < spec.accounts.size(); ++i)
      for (const auto& m : spec.accounts[i].members) {
        std::string d, n;
        if (!SplitAccount(m, &d, &n) || !k.accounts.count(AccountKey(d, n)))
          errors.push_back("account " + std::to_string(i + 1) + " (" + spec.accounts[i].domain + "\\" +
                           spec.accounts[i].name + "): the member " + m + " is not an account");
      }
    for (size_t i = 0; i < spec.recipients.size(); ++i) {
      const auto& r = spec.recipients[i];
      std::string where = std::string(KindName(r.kind)) + " " + std::to_string(i + 1) +
                          (r.alias.empty() ? "" : " (" + r.alias + ")");
      if (r.alias.empty() || r.display_name.empty()) {
        errors.push_back(where + ": alias and display name must not be empty");
        continue;
      }
      if (r.kind != RecipientKind::kDistList && !k.servers.count(Lower(r.server)))
        errors.push_back(where + ": the server \"" + r.server + "\" is not defined");
      if (r.kind == RecipientKind::kDistList && !r.server.empty() && !k.servers.count(Lower(r.server)))
        errors.push_back(where + ": the server \"" + r.server + "\" is not defined");
      if (!k.recipients.emplace(Lower(r.alias), r.kind).second)
        errors.push_back(where + ": the alias exists already");
      std::string dn = r.legacy_dn.empty() ? DefaultDn(r, k, spec) : r.legacy_dn;
      if (dn.empty() || dn.compare(0, 3, "/o=") != 0)
        errors.push_back(where + ": the legacy DN \"" + dn + "\" does not start with /o=");
      else if (!k.legacy_dns.insert(Lower(dn)).second)
        errors.push_back(where + ": the legacy DN " + dn + " is taken");
      std::string d, n;
      if (!r.nt_account.empty() &&
          (!SplitAccount(r.nt_account, &d, &n) || !k.accounts.count(AccountKey(d, n))))
        errors.push_back(where + ": the NT account " + r.nt_account + " is not defined");
      if (r.kind != RecipientKind::kDistList && !r.members.empty())
        errors.push_back(where + ": only distribution lists have members");
      if (r.kind != RecipientKind::kDistList) k.recipients_with_store.insert(Lower(r.alias));
      for (const auto& p : r.props)
        if (!ValueMatchesType(PROP_TYPE(p.ulPropTag), p.Value))
          errors.push_back(where + ": the value of " + TagName(p.ulPropTag) + " does not fit its type");
    }
    for (size_t i = 0; i < spec.recipients.size(); ++i)
      for (const auto& m : spec.recipients[i].members)
        if (!k.recipients.count(Lower(m)))
          errors.push_back("distribution list " + std::to_string(i + 1) + " (" + spec.recipients[i].alias +
                           "): the member " + m + " is not defined");
    for (size_t i = 0; i < spec.permissions.size(); ++i) {
      const auto& p = spec.permissions[i];
      std::string where = "permission " + std::to_string(i + 1) + " (" + p.mailbox + ")";
      if (!k.recipients_with_store.count(Lower(p.mailbox)))
        errors.push_back(where + ": " + p.mailbox + " is not a mailbox");
      std::string f = Lower(p.folder);
      if (f != "calendar" && f != "inbox" && f != "sent items")
        errors.push_back(where + ": the folder must be Calendar, Inbox or Sent Items");
      if (!p.member.empty() && !k.recipients.count(Lower(p.member)))
        errors.push_back(where + ": the member " + p.member + " is not defined");
    }
  }

  void Write(const OrganisationSpec& spec, const Known& k) {
    Db& db = backend_->db();
    for (const auto& s : spec.servers)
      db.Prepare("INSERT INTO servers (name, org, site, legacy_dn) VALUES (?,?,?,?)")
          .Bind(1, s.name)
          .Bind(2, s.org)
          .Bind(3, s.site)
          .Bind(4, s.LegacyDn())
          .Run();
    for (const auto& d : spec.domains) {
      SBinary sid;
      SidFromString(d.sid, &sid);
      db.Prepare("INSERT INTO domains (name, sid) VALUES (?,?)").Bind(1, d.name).BindBlob(2, sid).Run();
      int64_t id = db.LastInsertId();
      for (size_t i = 0; i < d.controllers.size(); ++i)
        db.Prepare("INSERT INTO domain_controllers VALUES (?,?,?)")
            .Bind(1, id)
            .Bind(2, static_cast<int64_t>(i))
            .Bind(3, d.controllers[i])
            .Run();
    }
    for (const auto& a : spec.accounts) {
      SBinary sid;
      if (!a.sid.empty()) {
        SidFromString(a.sid, &sid);
      } else {
        auto st = db.Prepare("SELECT sid, next_rid FROM domains WHERE name=?");
        st.Bind(1, a.domain);
        st.Step();
        sid = st.Blob(0);
        int64_t rid = a.rid ? a.rid : st.Int(1);
        db.Prepare("UPDATE domains SET next_rid = MAX(next_rid, ?) WHERE name=?")
            .Bind(1, rid + 1)
            .Bind(2, a.domain)
            .Run();
        sid[1] = static_cast<uint8_t>(sid[1] + 1);
        for (int b = 0; b < 4; ++b)
          sid.push_back(static_cast<uint8_t>(static_cast<uint64_t>(rid) >> (8 * b)));
      }
      db.Prepare("INSERT INTO accounts (domain, name, type, sid) VALUES (?,?,?,?)")
          .Bind(1, a.domain)
          .Bind(2, a.name)
          .Bind(3, static_cast<int64_t>(a.type))
          .BindBlob(4, sid)
          .Run();
    }
    auto account_id = [&](const std::string& text) {
      std::string d, n;
      SplitAccount(text, &d, &n);
      auto st = db.Prepare("SELECT id FROM accounts WHERE domain=? AND name=?");
      st.Bind(1, d).Bind(2, n);
      st.Step();
      return st.Int(0);
    };
    for (const auto& a : spec.accounts) {
      if (a.members.empty()) continue;
      int64_t group = account_id(a.domain + "\\" + a.name);
      auto pos = db.Prepare("SELECT COALESCE(MAX(position), -1) + 1 FROM account_members WHERE group_id=?");
      pos.Bind(1, group);
      pos.Step();
      int64_t next = pos.Int(0);
      for (const auto& m : a.members)
        db.Prepare("INSERT INTO account_members VALUES (?,?,?)")
            .Bind(1, group)
            .Bind(2, next++)
            .Bind(3, account_id(m))
            .Run();
    }
    Known after = LoadKnown();
    for (const auto& r : spec.recipients) WriteRecipient(r, after, spec, account_id);
    auto recipient_id = [&](const std::string& alias) {
      auto st = db.Prepare("SELECT id FROM recipients WHERE alias=?");
      st.Bind(1, alias);
      st.Step();
      return st.Int(0);
    };
    for (const auto& r : spec.recipients) {
      if (r.members.empty()) continue;
      int64_t list = recipient_id(r.alias);
      int64_t pos = 0;
      for (const auto& m : r.members)
        db.Prepare("INSERT INTO dl_members VALUES (?,?,?)")
            .Bind(1, list)
            .Bind(2, pos++)
            .Bind(3, recipient_id(m))
            .Run();
    }
    for (const auto& p : spec.permissions) {
      auto st = db.Prepare(
          "SELECT f.id FROM folders f JOIN stores s ON s.id = f.store_id JOIN recipients r ON r.id = "
          "s.recipient_id "
          "WHERE r.alias=? AND f.display_name=? COLLATE NOCASE");
      st.Bind(1, p.mailbox).Bind(2, p.folder);
      if (!st.Step())
        throw ValidationFailed{"permission (" + p.mailbox + "): the mailbox has no folder " + p.folder};
      int64_t folder = st.Int(0);
      if (p.member.empty()) {
        db.Prepare("UPDATE folder_acl SET rights=? WHERE folder_id=? AND member_id IS NULL")
            .Bind(1, static_cast<int64_t>(p.rights))
            .Bind(2, folder)
            .Run();
        continue;
      }
      int64_t member = recipient_id(p.member);
      auto existing = db.Prepare("SELECT position FROM folder_acl WHERE folder_id=? AND member_id=?");
      existing.Bind(1, folder).Bind(2, member);
      if (existing.Step()) {
        db.Prepare("UPDATE folder_acl SET rights=? WHERE folder_id=? AND member_id=?")
            .Bind(1, static_cast<int64_t>(p.rights))
            .Bind(2, folder)
            .Bind(3, member)
            .Run();
        continue;
      }
      auto pos = db.Prepare("SELECT COALESCE(MAX(position), -1) + 1 FROM folder_acl WHERE folder_id=?");
      pos.Bind(1, folder);
      pos.Step();
      db.Prepare("INSERT INTO folder_acl VALUES (?,?,?,?)")
          .Bind(1, folder)
          .Bind(2, pos.Int(0))
          .Bind(3, member)
          .Bind(4, static_cast<int64_t>(p.rights))
          .Run();
    }
    (void)k;
  }

  template <class AccountId>
  void WriteRecipient(const RecipientSpec& r, const Known& k, const OrganisationSpec& spec,
                      AccountId& account_id) {
    Db& db = backend_->db();
    std::string dn = r.legacy_dn.empty() ? DefaultDn(r, k, spec) : r.legacy_dn;
    const ServerSpec* server = nullptr;
    if (auto it = k.servers.find(Lower(r.server)); it != k.servers.end()) server = &it->second;
    std::vector<SPropValue> props = r.props;
    if (server && r.kind != RecipientKind::kDistList && !r.no_home_mta) {
      SetProp(props, {PR_EMS_AB_HOME_MTA, server->LegacyDn() + "/cn=Microsoft MTA"});
      SetProp(props, {PR_EMS_AB_HOME_MDB, server->LegacyDn() + "/cn=Microsoft Private MDB"});
    }
    if (!r.nt_account.empty()) {
      auto st = db.Prepare("SELECT sid FROM accounts WHERE id=?");
      st.Bind(1, account_id(r.nt_account));
      st.Step();
      SetProp(props, {PR_EMS_AB_ASSOC_NT_ACCOUNT, st.Blob(0)});
    }
    if (!r.smtp.empty())
      SetProp(props, {PR_EMS_AB_PROXY_ADDRESSES, std::vector<std::string>{"SMTP:" + r.smtp}});
    int64_t server_id = 0;
    if (server) {
      auto st = db.Prepare("SELECT id FROM servers WHERE name=?");
      st.Bind(1, server->name);
      if (st.Step()) server_id = st.Int(0);
    }
    auto ins = db.Prepare(
        "INSERT INTO recipients (kind, alias, legacy_dn, display_name, smtp, server_id, props) VALUES "
        "(?,?,?,?,?,?,?)");
    ins.Bind(1, static_cast<int64_t>(r.kind))
        .Bind(2, r.alias)
        .Bind(3, dn)
        .Bind(4, r.display_name)
        .Bind(5, r.smtp);
    if (server_id)
      ins.Bind(6, server_id);
    else
      ins.BindNull(6);
    ins.BindBlob(7, EncodePropList(props)).Run();
    int64_t id = db.LastInsertId();
    if (r.kind == RecipientKind::kDistList) return;
    auto g = GuidToBytes(NewGuid());
    db.Prepare("INSERT INTO stores (recipient_id, guid) VALUES (?,?)")
        .Bind(1, id)
        .BindBlob(2, std::vector<uint8_t>(g.begin(), g.end()))
        .Run();
    int64_t store = db.LastInsertId();
    auto folder = [&](const char* kind, const char* name, const char* cls) {
      db.Prepare("INSERT INTO folders (store_id, kind, display_name, container_class) VALUES (?,?,?,?)")
          .Bind(1, store)
          .Bind(2, kind)
          .Bind(3, name)
          .Bind(4, cls)
          .Run();
      int64_t fid = db.LastInsertId();
      db.Prepare("INSERT INTO folder_acl VALUES (?, 0, NULL, 0)").Bind(1, fid).Run();
      return fid;
    };
    int64_t inbox = folder("inbox", "Inbox", "IPF.Note");
    int64_t calendar = r.no_calendar ? 0 : folder("calendar", "Calendar", "IPF.Appointment");
    int64_t sent = folder("sent", "Sent Items", "IPF.Note");
    auto upd = db.Prepare("UPDATE stores SET inbox_id=?, calendar_id=?, sent_id=? WHERE id=?");
    upd.Bind(1, inbox);
    if (calendar)
      upd.Bind(2, calendar);
    else
      upd.BindNull(2);
    upd.Bind(3, sent).Bind(4, store).Run();
  }

  std::shared_ptr<Backend> backend_;
};

}  // namespace

Expected<std::unique_ptr<OrgStore>> OrgStore::Open(const std::string& path, OpenMode mode) {
  try {
    return std::unique_ptr<OrgStore>(new OrgStoreImpl(Backend::Open(path, mode == OpenMode::kCreate)));
  } catch (const DbError& e) {
    return Status::Error(e.message);
  }
}

HRESULT OpenOrgStoreSession(const std::string& path, const std::string& logon_alias,
                            std::shared_ptr<IMAPISession>* session) {
  auto org = OrgStore::Open(path, OpenMode::kExisting);
  if (!org.ok()) return MAPI_E_NETWORK_ERROR;
  return (*org)->Logon(logon_alias, session);
}

}  // namespace korvale::mapi::orgstore
