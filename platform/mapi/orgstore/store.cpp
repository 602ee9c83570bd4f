// Mailbox stores and their folders.
#include <algorithm>

#include "common/text.h"
#include "platform/mapi/orgstore/entry_ids.h"
#include "platform/mapi/orgstore/objects.h"

namespace korvale::mapi::orgstore {

namespace {

bool StartsWithOrg(const std::string& dn) {
  return dn.size() > 3 && (dn.compare(0, 3, "/o=") == 0 || dn.compare(0, 3, "/O=") == 0);
}

constexpr const char* kPrivateMdbSuffix = "/cn=microsoft private mdb";

}  // namespace

HRESULT BuildStoreEntryId(const std::string& store_dn, const std::string& mailbox_dn, ENTRYID* entry_id) {
  if (!entry_id || !StartsWithOrg(store_dn) || !StartsWithOrg(mailbox_dn)) return MAPI_E_INVALID_PARAMETER;
  // The server's short name is the common name before the store's own name.
  std::string lower = Lower(store_dn);
  std::string server_dn = store_dn;
  if (lower.size() > std::string(kPrivateMdbSuffix).size() &&
      lower.compare(lower.size() - std::string(kPrivateMdbSuffix).size(), std::string::npos,
                    kPrivateMdbSuffix) == 0)
    server_dn = store_dn.substr(0, store_dn.size() - std::string(kPrivateMdbSuffix).size());
  size_t cn = Lower(server_dn).rfind("/cn=");
  std::string server = cn == std::string::npos ? server_dn : server_dn.substr(cn + 4);
  *entry_id = MakeStoreEid({server, mailbox_dn});
  return S_OK;
}

HRESULT OpenStoreOn(const std::shared_ptr<Backend>& backend, LastError& last, const ENTRYID& entry_id,
                    std::shared_ptr<StoreImpl>* store) {
  if (!store) return MAPI_E_INVALID_PARAMETER;
  auto eid = ParseStoreEid(entry_id);
  if (!eid) return last.Set(MAPI_E_INVALID_ENTRYID, "the identifier is not a mailbox store identifier");
  return Guarded(last, [&]() -> HRESULT {
    auto server = backend->ServerByName(eid->server_short_name);
    if (!server)
      return last.Set(MAPI_E_NETWORK_ERROR,
                      "the server " + eid->server_short_name + " is not part of the organisation");
    auto owner = backend->RecipientByDn(eid->mailbox_dn);
    if (!owner || owner->kind == RecipientKind::kDistList)
      return last.Set(MAPI_E_NOT_FOUND, "no mailbox " + eid->mailbox_dn);
    auto row = backend->StoreByRecipient(owner->id);
    if (!row) return last.Set(MAPI_E_LOGON_FAILED, "the mailbox " + eid->mailbox_dn + " has no store");
    auto home = owner->server_id ? backend->ServerById(owner->server_id) : std::nullopt;
    if (!home || Lower(home->name) != Lower(server->name))
      return last.Set(MAPI_E_FAILONEPROVIDER,
                      "the mailbox " + eid->mailbox_dn + " does not live on the server " + server->name);
    *store = std::make_shared<StoreImpl>(backend, *row, *owner);
    return S_OK;
  });
}

// ---- StoreImpl ---------------------------------------------------------

HRESULT StoreImpl::QueryInterface(const IID& iid, std::shared_ptr<IUnknown>* out) {
  return QueryImpl(this, iid, {IID_IMsgStore, IID_IMAPIProp, IID_IExchangeManageStore}, out);
}

std::vector<SPropValue> StoreImpl::AllProps() {
  std::vector<SPropValue> p;
  auto guid = GuidToBytes(row_.guid);
  p.emplace_back(PR_ENTRYID, backend_->StoreEntryId(row_));
  p.emplace_back(PR_STORE_ENTRYID, backend_->StoreEntryId(row_));
  p.emplace_back(PR_RECORD_KEY, SBinary(guid.begin(), guid.end()));
  p.emplace_back(PR_STORE_RECORD_KEY, SBinary(guid.begin(), guid.end()));
  p.emplace_back(PR_DISPLAY_NAME, "Mailbox - " + owner_.display_name);
  p.emplace_back(PR_OBJECT_TYPE, static_cast<int32_t>(MAPI_STORE));
  p.emplace_back(PR_MDB_PROVIDER, SBinary{0x54, 0x94, 0xA1, 0xC0, 0x29, 0x7F, 0x10, 0x1B, 0xA5, 0x87, 0x08,
                                          0x00, 0x2B, 0x2A, 0x25, 0x17});
  p.emplace_back(PR_STORE_SUPPORT_MASK, static_cast<int32_t>(0x00040F3D));
  if (row_.sent_id) p.emplace_back(PR_IPM_SENTMAIL_ENTRYID, backend_->FolderEntryId(row_, row_.sent_id));
  return p;
}

void StoreImpl::AddMessageIdentity(std::vector<SPropValue>& props, int64_t folder_id, int64_t message_id) {
  ENTRYID eid = backend_->MessageEntryId(row_, folder_id, message_id);
  SetProp(props, {PR_ENTRYID, eid});
  SetProp(props, {PR_RECORD_KEY, eid});
  SBinary instance(8);
  for (int i = 0; i < 8; ++i)
    instance[i] = static_cast<uint8_t>(static_cast<uint64_t>(message_id) >> (8 * i));
  SetProp(props, {PR_INSTANCE_KEY, instance});
  if (!entry_id_) entry_id_ = backend_->StoreEntryId(row_);
  SetProp(props, {PR_STORE_ENTRYID, *entry_id_});
  SetProp(props, {PR_PARENT_ENTRYID, backend_->FolderEntryId(row_, folder_id)});
  SetProp(props, {PR_OBJECT_TYPE, static_cast<int32_t>(MAPI_MESSAGE)});
}

HRESULT StoreImpl::OpenEntry(const ENTRYID& entry_id, const IID* iid, ULONG flags, ULONG* object_type,
                             std::shared_ptr<IUnknown>* object) {
  if (!object) return MAPI_E_INVALID_PARAMETER;
  // An absent identifier is a caller's mistake, as Exchange reports it.
  if (entry_id.empty()) return last_.Set(MAPI_E_INVALID_PARAMETER, "empty entry identifier");
  return Guarded(last_, [&]() -> HRESULT {
    auto self = shared_from_this();
    if (auto f = ParseFolderEid(entry_id)) {
      if (f->store_guid != row_.guid || f->database_guid != backend_->DatabaseGuid())
        return last_.Set(MAPI_E_INVALID_ENTRYID, "the folder belongs to another store");
      auto folder = backend_->Folder(f->folder_id);
      if (!folder || folder->store_id != row_.id) return last_.Set(MAPI_E_NOT_FOUND, "no such folder");
      if (iid && *iid != IID_IMAPIFolder && *iid != IID_IMAPIContainer && *iid != IID_IMAPIProp)
        return MAPI_E_INTERFACE_NOT_SUPPORTED;
      *object = std::make_shared<FolderImpl>(self, *folder);
      if (object_type) *object_type = MAPI_FOLDER;
      return S_OK;
    }
    if (auto m = ParseMessageEid(entry_id)) {
      if (m->store_guid != row_.guid || m->database_guid != backend_->DatabaseGuid())
        return last_.Set(MAPI_E_INVALID_ENTRYID, "the message belongs to another store");
      auto folder = backend_->MessageFolder(m->message_id);
      if (!folder || *folder != m->folder_id) return last_.Set(MAPI_E_NOT_FOUND, "no such message");
      if (iid && *iid != IID_IMessage && *iid != IID_IMAPIProp) return MAPI_E_INTERFACE_NOT_SUPPORTED;
      bool modify = (flags & (MAPI_MODIFY | MAPI_BEST_ACCESS)) != 0;
      *object = std::make_shared<MessageImpl>(self, m->folder_id, m->message_id,
                                              backend_->LoadMessage(m->message_id), modify);
      if (object_type) *object_type = MAPI_MESSAGE;
      return S_OK;
    }
    if (ParseStoreEid(entry_id)) {
      *object = std::static_pointer_cast<IMsgStore>(self);
      if (object_type) *object_type = MAPI_STORE;
      return S_OK;
    }
    return last_.Set(MAPI_E_INVALID_ENTRYID, "the identifier names nothing of this store");
  });
}

HRESULT StoreImpl::GetReceiveFolder(const std::string& message_class, ULONG, ENTRYID* entry_id,
                                    std::string* explicit_class) {
  if (!entry_id) return MAPI_E_INVALID_PARAMETER;
  if (!row_.inbox_id) return last_.Set(MAPI_E_NOT_FOUND, "the store has no Inbox");
  *entry_id = backend_->FolderEntryId(row_, row_.inbox_id);
  if (explicit_class) *explicit_class = message_class.empty() ? "" : "IPM";
  return S_OK;
}

HRESULT StoreImpl::StoreLogoff(ULONG*) { return S_OK; }

HRESULT StoreImpl::CreateStoreEntryID(const std::string& store_dn, const std::string& mailbox_dn, ULONG,
                                      ENTRYID* entry_id) {
  return BuildStoreEntryId(store_dn, mailbox_dn, entry_id);
}

HRESULT StoreImpl::NamesToIds(LastError& last, const std::vector<MAPINAMEID>& names, ULONG flags,
                              SPropTagArray* tags) {
  if (!tags) return MAPI_E_INVALID_PARAMETER;
  return Guarded(last, [&] {
    auto ids = backend_->GetIdsFromNames(row_.id, names, (flags & MAPI_CREATE) != 0);
    tags->clear();
    bool missing = false;
    for (ULONG id : ids) {
      tags->push_back(id ? PROP_TAG(PT_UNSPECIFIED, id) : PROP_TAG(PT_ERROR, 0));
      missing |= id == 0;
    }
    return missing ? MAPI_W_ERRORS_RETURNED : S_OK;
  });
}

HRESULT StoreImpl::IdsToNames(LastError& last, const SPropTagArray& tags,
                              std::vector<std::optional<MAPINAMEID>>* names) {
  if (!names) return MAPI_E_INVALID_PARAMETER;
  return Guarded(last, [&] {
    names->clear();
    bool missing = false;
    for (ULONG tag : tags) {
      names->push_back(PROP_ID(tag) >= kFirstNamedPropId ? backend_->GetNameFromId(row_.id, PROP_ID(tag))
                                                         : std::nullopt);
      missing |= !names->back();
    }
    return missing ? MAPI_W_ERRORS_RETURNED : S_OK;
  });
}

HRESULT StoreImpl::GetIDsFromNames(const std::vector<MAPINAMEID>& names, ULONG flags, SPropTagArray* tags) {
  return NamesToIds(last_, names, flags, tags);
}
HRESULT StoreImpl::GetNamesFromIDs(const SPropTagArray& tags, ULONG,
                                   std::vector<std::optional<MAPINAMEID>>* names) {
  return IdsToNames(last_, tags, names);
}

// ---- FolderImpl ----------------------------------------------------------

HRESULT FolderImpl::QueryInterface(const IID& iid, std::shared_ptr<IUnknown>* out) {
  return QueryImpl(this, iid, {IID_IMAPIFolder, IID_IMAPIContainer, IID_IMAPIProp}, out);
}

std::vector<SPropValue> FolderImpl::AllProps() {
  Backend& b = store_->backend();
  std::vector<SPropValue> p;
  p.emplace_back(PR_ENTRYID, b.FolderEntryId(store_->row(), row_.id));
  p.emplace_back(PR_RECORD_KEY, b.FolderEntryId(store_->row(), row_.id));
  p.emplace_back(PR_STORE_ENTRYID, b.StoreEntryId(store_->row()));
  p.emplace_back(PR_DISPLAY_NAME, row_.display_name);
  p.emplace_back(PR_CONTAINER_CLASS, row_.container_class);
  p.emplace_back(PR_OBJECT_TYPE, static_cast<int32_t>(MAPI_FOLDER));
  p.emplace_back(PR_FOLDER_TYPE, static_cast<int32_t>(1));
  p.emplace_back(PR_SUBFOLDERS, false);
  p.emplace_back(PR_CONTENT_COUNT, static_cast<int32_t>(b.MessageCount(row_.id)));
  if (row_.id == store_->row().inbox_id && store_->row().calendar_id)
    p.emplace_back(PR_IPM_APPOINTMENT_ENTRYID, b.FolderEntryId(store_->row(), store_->row().calendar_id));
  return p;
}

HRESULT FolderImpl::GetContentsTable(ULONG, std::shared_ptr<IMAPITable>* table) {
  if (!table) return MAPI_E_INVALID_PARAMETER;
  auto store = store_;
  int64_t folder_id = row_.id;
  auto source = [store, folder_id](const SRestriction* restriction) {
    auto found = store->backend().QueryFolder(store->row(), folder_id, restriction);
    std::vector<std::vector<SPropValue>> rows;
    rows.reserve(found.size());
    for (auto& [id, props] : found) {
      store->AddMessageIdentity(props, folder_id, id);
      rows.push_back(std::move(props));
    }
    return rows;
  };
  *table = std::make_shared<RowTable>(source, SPropTagArray{PR_ENTRYID, PR_SUBJECT, PR_MESSAGE_CLASS}, true);
  return S_OK;
}

HRESULT FolderImpl::GetHierarchyTable(ULONG, std::shared_ptr<IMAPITable>* table) {
  if (!table) return MAPI_E_INVALID_PARAMETER;
  *table = RowTable::Fixed({}, {PR_ENTRYID, PR_DISPLAY_NAME});
  return S_OK;
}

HRESULT FolderImpl::OpenEntry(const ENTRYID& entry_id, const IID* iid, ULONG flags, ULONG* object_type,
                              std::shared_ptr<IUnknown>* object) {
  return store_->OpenEntry(entry_id, iid, flags, object_type, object);
}

HRESULT FolderImpl::CreateMessage(const IID*, ULONG, std::shared_ptr<IMessage>* message) {
  if (!message) return MAPI_E_INVALID_PARAMETER;
  MessageData data;
  data.props.emplace_back(PR_MESSAGE_FLAGS, static_cast<int32_t>(MSGFLAG_READ | MSGFLAG_UNSENT));
  *message = std::make_shared<MessageImpl>(store_, row_.id, 0, std::move(data), true);
  return S_OK;
}

HRESULT FolderImpl::DeleteMessages(const std::vector<ENTRYID>& entry_ids, ULONG) {
  return Guarded(last_, [&]() -> HRESULT {
    Backend& b = store_->backend();
    bool partial = false;
    b.db().Transaction([&] {
      for (const auto& eid : entry_ids) {
        auto m = ParseMessageEid(eid);
        if (!m || m->store_guid != store_->row().guid || m->folder_id != row_.id ||
            b.MessageFolder(m->message_id) != row_.id) {
          partial = true;
          continue;
        }
        b.DeleteMessage(m->message_id);
      }
    });
    return partial ? MAPI_W_PARTIAL_COMPLETION : S_OK;
  });
}

HRESULT FolderImpl::GetIDsFromNames(const std::vector<MAPINAMEID>& names, ULONG flags, SPropTagArray* tags) {
  return store_->NamesToIds(last_, names, flags, tags);
}
HRESULT FolderImpl::GetNamesFromIDs(const SPropTagArray& tags, ULONG,
                                    std::vector<std::optional<MAPINAMEID>>* names) {
  return store_->IdsToNames(last_, tags, names);
}

}  // namespace korvale::mapi::orgstore
