// MAPI initialisation, profile administration and logon with a profile.
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <mutex>
#include <set>

#include "common/text.h"
#include "platform/mapi/orgstore/objects.h"
#include "platform/mapi/orgstore/org_store.h"
#include "platform/mapi/orgstore/profile_file.h"

namespace korvale::mapi {

namespace {

struct MapiState {
  std::mutex mutex;
  int count = 0;
  std::string profile_file;
};

MapiState& State() {
  static MapiState state;
  return state;
}

std::string DefaultProfileFile() {
  if (const char* env = std::getenv("KORVALE_MAPI_PROFILES"); env && *env) return env;
  std::error_code ec;
  auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (!ec) return (exe.parent_path() / "mapi-profiles.json").string();
  return "mapi-profiles.json";
}

bool Initialized(std::string* file) {
  auto& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (s.count == 0) return false;
  *file = s.profile_file;
  return true;
}

}  // namespace

HRESULT MAPIInitialize(const MAPIINIT_0* init) {
  if (init && init->ulVersion != MAPI_INIT_VERSION) return MAPI_E_VERSION;
  std::string file = init && !init->profile_file.empty() ? init->profile_file : DefaultProfileFile();
  auto& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (s.count > 0 && init && !init->profile_file.empty() && init->profile_file != s.profile_file)
    return MAPI_E_INVALID_PARAMETER;
  if (s.count == 0) s.profile_file = file;
  ++s.count;
  return S_OK;
}

void MAPIUninitialize() {
  auto& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (s.count > 0) --s.count;
}

std::string MAPIProfileFile() {
  std::string file;
  Initialized(&file);
  return file;
}

}  // namespace korvale::mapi

namespace korvale::mapi::orgstore {

namespace {

constexpr const char* kExchangeComponent = "Microsoft Exchange";

std::string Text(const std::vector<SPropValue>& props, ULONG tag) {
  const SPropValue* p = FindProp(props, PROP_ID(tag));
  return p && p->String() ? *p->String() : std::string();
}

// The mailbox a profile names, found as Exchange finds it: by legacy DN,
// alias, display name or SMTP address.
struct Resolution {
  HRESULT hr = S_OK;
  std::string text;
  std::string store_path;
  std::string server_name;
  std::string mailbox_dn;
};

Resolution ResolveMailbox(const std::string& profile_file, const ProfileData& data, const std::string& server,
                          const std::string& mailbox) {
  Resolution r;
  auto path = data.ServerStore(server, profile_file);
  if (!path) {
    r.hr = MAPI_E_NETWORK_ERROR;
    r.text = "The Microsoft Exchange Server computer " + server + " is not available.";
    return r;
  }
  r.store_path = *path;
  r.server_name = server;
  try {
    auto backend = Backend::Open(*path, false);
    std::vector<RecipientRow> matches;
    for (const auto& row : backend->AllRecipients()) {
      if (row.kind == RecipientKind::kDistList) continue;
      std::string key = Lower(mailbox);
      if (Lower(row.legacy_dn) == key || Lower(row.alias) == key || Lower(row.display_name) == key ||
          (!row.smtp.empty() && Lower(row.smtp) == key))
        matches.push_back(row);
    }
    if (matches.size() != 1) {
      r.hr = MAPI_E_UNCONFIGURED;
      r.text = matches.empty()
                   ? "The name could not be resolved. The name could not be matched to a name in the "
                     "address list."
                   : "The name could not be resolved. The name matches several entries in the address list.";
      return r;
    }
    if (!backend->StoreByRecipient(matches[0].id)) {
      r.hr = MAPI_E_UNCONFIGURED;
      r.text = "The mailbox " + mailbox + " has no message store.";
      return r;
    }
    r.mailbox_dn = matches[0].legacy_dn;
  } catch (const DbError& e) {
    r.hr = MAPI_E_NETWORK_ERROR;
    r.text = e.message;
  } catch (const CorruptData& e) {
    r.hr = MAPI_E_NETWORK_ERROR;
    r.text = e.message;
  }
  return r;
}

class ProfSectImpl : public IProfSect, public std::enable_shared_from_this<ProfSectImpl> {
 public:
  ProfSectImpl(std::string file, std::string profile, std::string uid, std::vector<SPropValue> props,
               bool modifiable)
      : file_(std::move(file)),
        profile_(std::move(profile)),
        uid_(std::move(uid)),
        props_(std::move(props)),
        modifiable_(modifiable) {}
  HRESULT QueryInterface(const IID& iid, std::shared_ptr<IUnknown>* out) override {
    return QueryImpl(this, iid, {IID_IProfSect, IID_IMAPIProp}, out);
  }
  HRESULT GetLastError(HRESULT, ULONG, std::optional<MAPIERROR>* error) override { return last_.Get(error); }
  HRESULT GetProps(const SPropTagArray* tags, ULONG, std::vector<SPropValue>* values) override {
    return GetPropsFrom(props_, tags, values);
  }
  HRESULT GetPropList(ULONG, SPropTagArray* tags) override {
    if (!tags) return MAPI_E_INVALID_PARAMETER;
    tags->clear();
    for (const auto& p : props_) tags->push_back(p.ulPropTag);
    return S_OK;
  }
  HRESULT SetProps(const std::vector<SPropValue>& values, std::vector<SPropProblem>* problems) override {
    if (!modifiable_) return last_.Set(MAPI_E_NO_ACCESS, "the section is open read-only");
    for (size_t i = 0; i < values.size(); ++i) {
      if (!ValueMatchesType(PROP_TYPE(values[i].ulPropTag), values[i].Value)) {
        if (problems) problems->push_back({static_cast<ULONG>(i), values[i].ulPropTag, MAPI_E_INVALID_TYPE});
        continue;
      }
      SetProp(props_, values[i]);
    }
    return S_OK;
  }
  HRESULT DeleteProps(const SPropTagArray& tags, std::vector<SPropProblem>*) override {
    if (!modifiable_) return last_.Set(MAPI_E_NO_ACCESS, "the section is open read-only");
    for (ULONG t : tags) RemoveProp(props_, PROP_ID(t));
    return S_OK;
  }
  HRESULT SaveChanges(ULONG) override {
    if (!modifiable_) return last_.Set(MAPI_E_NO_ACCESS, "the section is open read-only");
    std::string error;
    bool missing = false;
    bool ok = UpdateProfileFile(
        file_,
        [&](ProfileData& d) {
          auto it = d.profiles.find(profile_);
          if (it == d.profiles.end()) return !(missing = true);
          it->second.sections[uid_] = props_;
          return true;
        },
        &error);
    if (!ok) return last_.Set(MAPI_E_CALL_FAILED, error);
    if (missing) return last_.Set(MAPI_E_NOT_FOUND, "the profile " + profile_ + " was deleted");
    return S_OK;
  }
  HRESULT OpenProperty(ULONG, const IID&, ULONG, ULONG, std::shared_ptr<IUnknown>*) override {
    return MAPI_E_NO_SUPPORT;
  }
  HRESULT CopyTo(const SPropTagArray*, const IID&, IMAPIProp*, ULONG, std::vector<SPropProblem>*) override {
    return MAPI_E_NO_SUPPORT;
  }
  HRESULT GetIDsFromNames(const std::vector<MAPINAMEID>&, ULONG, SPropTagArray*) override {
    return MAPI_E_NO_SUPPORT;
  }
  HRESULT GetNamesFromIDs(const SPropTagArray&, ULONG, std::vector<std::optional<MAPINAMEID>>*) override {
    return MAPI_E_NO_SUPPORT;
  }

 private:
  std::string file_, profile_, uid_;
  std::vector<SPropValue> props_;
  bool modifiable_;
  LastError last_;
};

class ServiceAdminImpl : public IMsgServiceAdmin, public std::enable_shared_from_this<ServiceAdminImpl> {
 public:
  ServiceAdminImpl(std::string file, std::string profile)
      : file_(std::move(file)), profile_(std::move(profile)) {}
  HRESULT QueryInterface(const IID& iid, std::shared_ptr<IUnknown>* out) override {
    return QueryImpl(this, iid, {IID_IMsgServiceAdmin}, out);
  }
  HRESULT GetLastError(HRESULT, ULONG, std::optional<MAPIERROR>* error) override { return last_.Get(error); }

  HRESULT GetMsgServiceTable(ULONG, std::shared_ptr<IMAPITable>* table) override {
    if (!table) return MAPI_E_INVALID_PARAMETER;
    ProfileData data;
    std::string error;
    if (!ReadProfileFile(file_, &data, &error)) return last_.Set(MAPI_E_CALL_FAILED, error);
    auto it = data.profiles.find(profile_);
    if (it == data.profiles.end()) return last_.Set(MAPI_E_NOT_FOUND, "no profile " + profile_);
    std::vector<std::vector<SPropValue>> rows;
    for (const auto& s : it->second.services)
      rows.push_back({{PR_SERVICE_NAME, s.name},
                      {PR_DISPLAY_NAME, s.display},
                      {PR_SERVICE_UID, SBinary(s.uid.begin(), s.uid.end())},
                      {PR_RESOURCE_FLAGS, static_cast<int32_t>(0)}});
    *table = RowTable::Fixed(std::move(rows), {PR_SERVICE_NAME, PR_DISPLAY_NAME, PR_SERVICE_UID});
    return S_OK;
  }

  HRESULT CreateMsgService(const std::string& service, const std::string& display_name, ULONG,
                           ULONG) override {
    if (service != "MSEMS")
      return last_.Set(MAPI_E_NOT_FOUND, "The message service " + service + " is not installed.");
    std::string error;
    bool missing = false;
    ProfileService svc{service, display_name, {}};
    auto bytes = GuidToBytes(NewGuid());
    std::copy(bytes.begin(), bytes.end(), svc.uid.begin());
    bool ok = UpdateProfileFile(
        file_,
        [&](ProfileData& d) {
          auto it = d.profiles.find(profile_);
          if (it == d.profiles.end()) return !(missing = true);
          it->second.services.push_back(svc);
          it->second.sections[UidToHex(svc.uid)] = {};
          return true;
        },
        &error);
    if (!ok) return last_.Set(MAPI_E_CALL_FAILED, error);
    if (missing) return last_.Set(MAPI_E_NOT_FOUND, "no profile " + profile_);
    return S_OK;
  }

  HRESULT DeleteMsgService(const MAPIUID& uid) override {
    std::string error;
    bool found = false;
    bool ok = UpdateProfileFile(
        file_,
        [&](ProfileData& d) {
          auto it = d.profiles.find(profile_);
          if (it == d.profiles.end()) return false;
          auto& list = it->second.services;
          auto s =
              std::find_if(list.begin(), list.end(), [&](const ProfileService& x) { return x.uid == uid; });
          if (s == list.end()) return false;
          list.erase(s);
          it->second.sections.erase(UidToHex(uid));
          return found = true;
        },
        &error);
    if (!ok) return last_.Set(MAPI_E_CALL_FAILED, error);
    return found ? S_OK : last_.Set(MAPI_E_NOT_FOUND, "no such service");
  }

  HRESULT ConfigureMsgService(const MAPIUID& uid, ULONG, ULONG,
                              const std::vector<SPropValue>& props) override {
    ProfileData data;
    std::string error;
    if (!ReadProfileFile(file_, &data, &error)) return last_.Set(MAPI_E_CALL_FAILED, error);
    auto it = data.profiles.find(profile_);
    if (it == data.profiles.end()) return last_.Set(MAPI_E_NOT_FOUND, "no profile " + profile_);
    const auto& services = it->second.services;
    if (std::none_of(services.begin(), services.end(), [&](const ProfileService& s) { return s.uid == uid; }))
      return last_.Set(MAPI_E_NOT_FOUND, "no such service in profile " + profile_);
    std::vector<SPropValue> section = it->second.sections[UidToHex(uid)];
    for (const auto& p : props)
      if (ValueMatchesType(PROP_TYPE(p.ulPropTag), p.Value)) SetProp(section, p);
    std::string mailbox = Text(section, PR_PROFILE_UNRESOLVED_NAME);
    std::string server = Text(section, PR_PROFILE_UNRESOLVED_SERVER);
    if (!mailbox.empty() || !server.empty()) {
      Resolution r = ResolveMailbox(file_, data, server, mailbox);
      if (FAILED(r.hr)) {
        last_.Set(r.hr, r.text);
        return r.hr;
      }
      SetProp(section, {PR_PROFILE_HOME_SERVER, r.server_name});
      SetProp(section, {PR_PROFILE_USER, r.mailbox_dn});
    }
    bool ok = UpdateProfileFile(
        file_,
        [&](ProfileData& d) {
          auto p = d.profiles.find(profile_);
          if (p == d.profiles.end()) return false;
          p->second.sections[UidToHex(uid)] = section;
          return true;
        },
        &error);
    if (!ok) return last_.Set(MAPI_E_CALL_FAILED, error);
    return S_OK;
  }

  HRESULT OpenProfileSection(const MAPIUID& uid, const IID*, ULONG flags,
                             std::shared_ptr<IProfSect>* section) override {
    if (!section) return MAPI_E_INVALID_PARAMETER;
    ProfileData data;
    std::string error;
    if (!ReadProfileFile(file_, &data, &error)) return last_.Set(MAPI_E_CALL_FAILED, error);
    auto it = data.profiles.find(profile_);
    if (it == data.profiles.end()) return last_.Set(MAPI_E_NOT_FOUND, "no profile " + profile_);
    std::string key = UidToHex(uid);
    auto s = it->second.sections.find(key);
    std::vector<SPropValue> props = s == it->second.sections.end() ? std::vector<SPropValue>{} : s->second;
    if (s == it->second.sections.end() && uid != pbGlobalProfileSectionGuid && !(flags & MAPI_MODIFY))
      return last_.Set(MAPI_E_NOT_FOUND, "no such profile section");
    *section =
        std::make_shared<ProfSectImpl>(file_, profile_, key, std::move(props), (flags & MAPI_MODIFY) != 0);
    return S_OK;
  }

 private:
  std::string file_, profile_;
  LastError last_;
};

class ProfAdminImpl : public IProfAdmin, public std::enable_shared_from_this<ProfAdminImpl> {
 public:
  explicit ProfAdminImpl(std::string file) : file_(std::move(file)) {}
  HRESULT QueryInterface(const IID& iid, std::shared_ptr<IUnknown>* out) override {
    return QueryImpl(this, iid, {IID_IProfAdmin}, out);
  }
  HRESULT GetLastError(HRESULT, ULONG, std::optional<MAPIERROR>* error) override { return last_.Get(error); }

  HRESULT GetProfileTable(ULONG, std::shared_ptr<IMAPITable>* table) override {
    if (!table) return MAPI_E_INVALID_PARAMETER;
    ProfileData data;
    std::string error;
    if (!ReadProfileFile(file_, &data, &error)) return last_.Set(MAPI_E_CALL_FAILED, error);
    std::vector<std::vector<SPropValue>> rows;
    for (const auto& [name, p] : data.profiles)
      rows.push_back({{PR_DISPLAY_NAME, name}, {PR_DEFAULT_PROFILE, false}});
    *table = RowTable::Fixed(std::move(rows), {PR_DISPLAY_NAME, PR_DEFAULT_PROFILE});
    return S_OK;
  }

  HRESULT CreateProfile(const std::string& name, const std::string&, ULONG, ULONG) override {
    if (name.empty() || name.size() > 64) return last_.Set(MAPI_E_INVALID_PARAMETER, "bad profile name");
    std::string error;
    bool exists = false;
    bool ok = UpdateProfileFile(
        file_,
        [&](ProfileData& d) {
          if (d.profiles.count(name)) return !(exists = true);
          d.profiles[name] = Profile{};
          return true;
        },
        &error);
    if (!ok) return last_.Set(MAPI_E_CALL_FAILED, error);
    if (exists) return last_.Set(MAPI_E_NO_ACCESS, "The profile " + name + " exists already.");
    return S_OK;
  }

  HRESULT DeleteProfile(const std::string& name, ULONG) override {
    std::string error;
    bool found = false;
    bool ok = UpdateProfileFile(
        file_, [&](ProfileData& d) { return found = d.profiles.erase(name) > 0; }, &error);
    if (!ok) return last_.Set(MAPI_E_CALL_FAILED, error);
    return found ? S_OK : last_.Set(MAPI_E_NOT_FOUND, "no profile " + name);
  }

  HRESULT AdminServices(const std::string& name, const std::string&, ULONG, ULONG,
                        std::shared_ptr<IMsgServiceAdmin>* admin) override {
    if (!admin) return MAPI_E_INVALID_PARAMETER;
    ProfileData data;
    std::string error;
    if (!ReadProfileFile(file_, &data, &error)) return last_.Set(MAPI_E_CALL_FAILED, error);
    if (!data.profiles.count(name)) return last_.Set(MAPI_E_NOT_FOUND, "no profile " + name);
    *admin = std::make_shared<ServiceAdminImpl>(file_, name);
    return S_OK;
  }

 private:
  std::string file_;
  LastError last_;
};

}  // namespace

}  // namespace korvale::mapi::orgstore

namespace korvale::mapi {

HRESULT MAPIAdminProfiles(ULONG, std::shared_ptr<IProfAdmin>* admin) {
  if (!admin) return MAPI_E_INVALID_PARAMETER;
  std::string file;
  if (!Initialized(&file)) return MAPI_E_NOT_INITIALIZED;
  *admin = std::make_shared<orgstore::ProfAdminImpl>(file);
  return S_OK;
}

HRESULT MAPILogonEx(ULONG, const std::string& profile_name, const std::string&, ULONG flags,
                    std::shared_ptr<IMAPISession>* session) {
  using namespace orgstore;
  if (!session) return MAPI_E_INVALID_PARAMETER;
  std::string file;
  if (!Initialized(&file)) return MAPI_E_NOT_INITIALIZED;
  ProfileData data;
  std::string error;
  if (!ReadProfileFile(file, &data, &error)) return MAPI_E_LOGON_FAILED;
  std::string name = profile_name;
  if (name.empty() && (flags & (MAPI_LOGON_UI | MAPI_USE_DEFAULT))) {
    // No profile named: where MAPI would offer its profiles, take the only
    // one; without profiles, a session on the organisation when the server
    // map names a single store (the directory is what such callers want).
    if (data.profiles.size() == 1) {
      name = data.profiles.begin()->first;
    } else if (data.profiles.empty()) {
      std::set<std::string> stores;
      for (const auto& server : data.servers)
        if (auto path = data.ServerStore(server.first, file)) {
          std::error_code ec;
          auto canonical = std::filesystem::weakly_canonical(*path, ec);
          stores.insert(ec ? *path : canonical.string());
        }
      if (stores.size() != 1) return MAPI_E_LOGON_FAILED;
      return OpenOrgStoreSession(*stores.begin(), "", session);
    }
  }
  auto it = data.profiles.find(name);
  if (it == data.profiles.end()) return MAPI_E_LOGON_FAILED;
  const Profile& profile = it->second;
  auto svc = std::find_if(profile.services.begin(), profile.services.end(),
                          [](const ProfileService& s) { return s.name == "MSEMS"; });
  if (svc == profile.services.end()) return MAPI_E_LOGON_FAILED;
  auto sec = profile.sections.find(UidToHex(svc->uid));
  if (sec == profile.sections.end()) return MAPI_E_UNCONFIGURED;
  std::string user = Text(sec->second, PR_PROFILE_USER);
  std::string server = Text(sec->second, PR_PROFILE_UNRESOLVED_SERVER);
  if (user.empty()) return MAPI_E_UNCONFIGURED;
  auto path = data.ServerStore(server, file);
  if (!path) return MAPI_E_NETWORK_ERROR;
  try {
    auto backend = Backend::Open(*path, false);
    auto owner = backend->RecipientByDn(user);
    if (!owner) return MAPI_E_UNCONFIGURED;
    auto row = backend->StoreByRecipient(owner->id);
    if (!row) return MAPI_E_UNCONFIGURED;
    *session = MakeSession(backend, std::make_shared<StoreImpl>(backend, *row, *owner));
    return S_OK;
  } catch (const DbError&) {
    return MAPI_E_NETWORK_ERROR;
  } catch (const CorruptData&) {
    return MAPI_E_CORRUPT_STORE;
  }
}

}  // namespace korvale::mapi
