// The MAPI session over an organisation store, and the folder permission
// table helper.
#include "platform/mapi/orgstore/entry_ids.h"
#include "platform/mapi/orgstore/objects.h"

namespace korvale::mapi::orgstore {

namespace {

class SessionImpl : public IMAPISession,
                    public IExchangeManageStore,
                    public std::enable_shared_from_this<SessionImpl> {
 public:
  SessionImpl(std::shared_ptr<Backend> backend, std::shared_ptr<StoreImpl> default_store)
      : backend_(std::move(backend)), default_store_(std::move(default_store)) {}

  HRESULT QueryInterface(const IID& iid, std::shared_ptr<IUnknown>* out) override {
    // Only the profile-less administrative session manages stores itself.
    if (iid == IID_IExchangeManageStore && default_store_) return MAPI_E_INTERFACE_NOT_SUPPORTED;
    return QueryImpl(this, iid, {IID_IMAPISession, IID_IExchangeManageStore}, out);
  }

  HRESULT GetLastError(HRESULT, ULONG, std::optional<MAPIERROR>* error) override { return last_.Get(error); }

  HRESULT GetMsgStoresTable(ULONG, std::shared_ptr<IMAPITable>* table) override {
    if (!table) return MAPI_E_INVALID_PARAMETER;
    std::vector<std::vector<SPropValue>> rows;
    if (default_store_) {
      HRESULT hr = Guarded(last_, [&] {
        auto& b = default_store_->backend();
        rows.push_back({{PR_ENTRYID, b.StoreEntryId(default_store_->row())},
                        {PR_DISPLAY_NAME, "Mailbox - " + default_store_->owner().display_name},
                        {PR_PROVIDER_DISPLAY, std::string("Microsoft Exchange Message Store")},
                        {PR_DEFAULT_STORE, true},
                        {PR_RESOURCE_FLAGS, static_cast<int32_t>(0x00000002)},
                        {PR_MDB_PROVIDER, SBinary{0x54, 0x94, 0xA1, 0xC0, 0x29, 0x7F, 0x10, 0x1B, 0xA5, 0x87,
                                                  0x08, 0x00, 0x2B, 0x2A, 0x25, 0x17}}});
        return S_OK;
      });
      if (FAILED(hr)) return hr;
    }
    *table = RowTable::Fixed(std::move(rows), {PR_ENTRYID, PR_DISPLAY_NAME, PR_DEFAULT_STORE});
    return S_OK;
  }

  HRESULT OpenMsgStore(ULONG, const ENTRYID& entry_id, const IID* iid, ULONG,
                       std::shared_ptr<IMsgStore>* store) override {
    if (!store) return MAPI_E_INVALID_PARAMETER;
    if (iid && *iid != IID_IMsgStore && *iid != IID_IMAPIProp) return MAPI_E_INTERFACE_NOT_SUPPORTED;
    std::shared_ptr<StoreImpl> opened;
    HRESULT hr = OpenStoreOn(backend_, last_, entry_id, &opened);
    if (FAILED(hr)) return hr;
    *store = opened;
    return S_OK;
  }

  HRESULT OpenAddressBook(ULONG, const IID*, ULONG, std::shared_ptr<IAddrBook>* address_book) override {
    if (!address_book) return MAPI_E_INVALID_PARAMETER;
    *address_book = MakeAddressBook(backend_);
    return S_OK;
  }

  HRESULT OpenEntry(const ENTRYID& entry_id, const IID* iid, ULONG flags, ULONG* object_type,
                    std::shared_ptr<IUnknown>* object) override {
    if (entry_id.empty()) return MAPI_E_INVALID_PARAMETER;
    if (ParseAddressBookEid(entry_id) || ParseOneOffEid(entry_id))
      return MakeAddressBook(backend_)->OpenEntry(entry_id, iid, flags, object_type, object);
    if (ParseStoreEid(entry_id)) {
      std::shared_ptr<IMsgStore> store;
      HRESULT hr = OpenMsgStore(0, entry_id, nullptr, flags, &store);
      if (FAILED(hr)) return hr;
      *object = store;
      if (object_type) *object_type = MAPI_STORE;
      return S_OK;
    }
    // A folder or message of any store of the organisation: find its store by GUID.
    return Guarded(last_, [&]() -> HRESULT {
      GUID guid;
      if (auto f = ParseFolderEid(entry_id))
        guid = f->store_guid;
      else if (auto m = ParseMessageEid(entry_id))
        guid = m->store_guid;
      else
        return last_.Set(MAPI_E_UNKNOWN_ENTRYID, "unknown entry identifier");
      auto row = backend_->StoreByGuid(guid);
      if (!row) return last_.Set(MAPI_E_NOT_FOUND, "no such store");
      auto owner = backend_->RecipientById(row->recipient_id);
      if (!owner) return last_.Set(MAPI_E_NOT_FOUND, "the store has no owner");
      auto store = std::make_shared<StoreImpl>(backend_, *row, *owner);
      return store->OpenEntry(entry_id, iid, flags, object_type, object);
    });
  }

  HRESULT Logoff(ULONG, ULONG, ULONG) override { return S_OK; }

  HRESULT CreateStoreEntryID(const std::string& store_dn, const std::string& mailbox_dn, ULONG,
                             ENTRYID* entry_id) override {
    return BuildStoreEntryId(store_dn, mailbox_dn, entry_id);
  }

 private:
  std::shared_ptr<Backend> backend_;
  std::shared_ptr<StoreImpl> default_store_;
  LastError last_;
};

class FolderAclsImpl : public FolderACLs {
 public:
  explicit FolderAclsImpl(std::vector<AclEntry> entries) : entries_(std::move(entries)) {}
  const std::vector<AclEntry>& Entries() const override { return entries_; }
  HRESULT GetTable(ULONG, std::shared_ptr<IMAPITable>* table) override {
    if (!table) return MAPI_E_INVALID_PARAMETER;
    std::vector<std::vector<SPropValue>> rows;
    for (const auto& e : entries_)
      rows.push_back({{PR_MEMBER_ID, e.member_id},
                      {PR_MEMBER_NAME, e.member_name},
                      {PR_MEMBER_ENTRYID, e.member_entry_id},
                      {PR_MEMBER_RIGHTS, static_cast<int32_t>(e.rights)}});
    *table =
        RowTable::Fixed(std::move(rows), {PR_MEMBER_ID, PR_MEMBER_NAME, PR_MEMBER_ENTRYID, PR_MEMBER_RIGHTS});
    return S_OK;
  }

 private:
  std::vector<AclEntry> entries_;
};

}  // namespace

std::shared_ptr<IMAPISession> MakeSession(std::shared_ptr<Backend> backend,
                                          std::shared_ptr<StoreImpl> default_store) {
  return std::make_shared<SessionImpl>(std::move(backend), std::move(default_store));
}

}  // namespace korvale::mapi::orgstore

namespace korvale::mapi {

HRESULT HrFolderACLsOpen(IMAPISession*, IMsgStore* store, const ENTRYID& folder_entry_id,
                         std::unique_ptr<FolderACLs>* acls) {
  using namespace orgstore;
  if (!store || !acls) return MAPI_E_INVALID_PARAMETER;
  auto* impl = dynamic_cast<StoreImpl*>(store);
  if (!impl) return MAPI_E_NO_SUPPORT;
  auto eid = ParseFolderEid(folder_entry_id);
  if (!eid) return MAPI_E_INVALID_ENTRYID;
  if (eid->store_guid != impl->row().guid) return MAPI_E_INVALID_ENTRYID;
  LastError last;
  return Guarded(last, [&]() -> HRESULT {
    auto folder = impl->backend().Folder(eid->folder_id);
    if (!folder || folder->store_id != impl->row().id) return MAPI_E_NOT_FOUND;
    *acls = std::make_unique<FolderAclsImpl>(impl->backend().FolderAcl(eid->folder_id));
    return S_OK;
  });
}

}  // namespace korvale::mapi
