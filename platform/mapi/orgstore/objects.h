// The MAPI objects of the organisation store: stores, folders, messages,
// attachments, streams, the address book with its entries, and the session.
// Internal to the provider; callers see only the interfaces of mapi.h.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/mapi/orgstore/backend.h"
#include "platform/mapi/orgstore/object_base.h"
#include "platform/mapi/orgstore/row_table.h"

namespace korvale::mapi::orgstore {

class StoreImpl;

class StreamImpl : public IStream, public std::enable_shared_from_this<StreamImpl> {
 public:
  using CommitFn = std::function<void(const SBinary&)>;
  StreamImpl(SBinary bytes, bool writable, CommitFn commit)
      : bytes_(std::move(bytes)), writable_(writable), commit_(std::move(commit)) {}
  HRESULT QueryInterface(const IID& iid, std::shared_ptr<IUnknown>* out) override;
  HRESULT Read(void* buffer, ULONG cb, ULONG* read) override;
  HRESULT Write(const void* buffer, ULONG cb, ULONG* written) override;
  HRESULT Seek(int64_t move, ULONG origin, uint64_t* new_position) override;
  HRESULT SetSize(uint64_t size) override;
  HRESULT Stat(STATSTG* stat, ULONG flags) override;
  HRESULT Commit(ULONG flags) override;

 private:
  SBinary bytes_;
  size_t pos_ = 0;
  bool writable_;
  CommitFn commit_;
};

// A message: a top-level one in a folder, or one embedded in an attachment.
class MessageImpl : public IMessage, public std::enable_shared_from_this<MessageImpl> {
 public:
  // Top-level; message_id 0 for a new message.
  MessageImpl(std::shared_ptr<StoreImpl> store, int64_t folder_id, int64_t message_id, MessageData data,
              bool modifiable);
  // Embedded: SaveChanges hands the data to `save_into_owner`.
  MessageImpl(std::shared_ptr<StoreImpl> store, MessageData data, bool modifiable,
              std::function<void(const MessageData&)> save_into_owner);

  HRESULT QueryInterface(const IID& iid, std::shared_ptr<IUnknown>* out) override;
  HRESULT GetLastError(HRESULT hr, ULONG flags, std::optional<MAPIERROR>* error) override;
  HRESULT GetProps(const SPropTagArray* tags, ULONG flags, std::vector<SPropValue>* values) override;
  HRESULT GetPropList(ULONG flags, SPropTagArray* tags) override;
  HRESULT SetProps(const std::vector<SPropValue>& values, std::vector<SPropProblem>* problems) override;
  HRESULT DeleteProps(const SPropTagArray& tags, std::vector<SPropProblem>* problems) override;
  HRESULT SaveChanges(ULONG flags) override;
  HRESULT OpenProperty(ULONG tag, const IID& iid, ULONG options, ULONG flags,
                       std::shared_ptr<IUnknown>* out) override;
  HRESULT CopyTo(const SPropTagArray* excluded, const IID& iid, IMAPIProp* destination, ULONG flags,
                 std::vector<SPropProblem>* problems) override;
  HRESULT GetIDsFromNames(const std::vector<MAPINAMEID>& names, ULONG flags, SPropTagArray* tags) override;
  HRESULT GetNamesFromIDs(const SPropTagArray& tags, ULONG flags,
                          std::vector<std::optional<MAPINAMEID>>* names) override;
  HRESULT GetRecipientTable(ULONG flags, std::shared_ptr<IMAPITable>* table) override;
  HRESULT ModifyRecipients(ULONG flags, const ADRLIST& mods) override;
  HRESULT GetAttachmentTable(ULONG flags, std::shared_ptr<IMAPITable>* table) override;
  HRESULT OpenAttach(ULONG attach_num, const IID* iid, ULONG flags,
                     std::shared_ptr<IAttach>* attach) override;
  HRESULT CreateAttach(const IID* iid, ULONG flags, ULONG* attach_num,
                       std::shared_ptr<IAttach>* attach) override;
  HRESULT DeleteAttach(ULONG attach_num, ULONG flags) override;
  HRESULT SubmitMessage(ULONG flags) override;
  HRESULT SetReadFlag(ULONG flags) override;

  // Used by attachments and CopyTo.
  MessageData& data() { return data_; }
  HRESULT CheckWritable();

 private:
  std::vector<SPropValue> AllProps();

  std::shared_ptr<StoreImpl> store_;
  int64_t folder_id_ = 0;
  int64_t message_id_ = 0;
  MessageData data_;
  bool modifiable_ = true;
  bool closed_ = false;  // saved without KEEP_OPEN, or submitted
  std::function<void(const MessageData&)> save_into_owner_;
  LastError last_;
};

class AttachImpl : public IAttach, public std::enable_shared_from_this<AttachImpl> {
 public:
  AttachImpl(std::shared_ptr<MessageImpl> parent, std::shared_ptr<StoreImpl> store, AttachmentData data,
             bool modifiable);
  HRESULT QueryInterface(const IID& iid, std::shared_ptr<IUnknown>* out) override;
  HRESULT GetLastError(HRESULT hr, ULONG flags, std::optional<MAPIERROR>* error) override;
  HRESULT GetProps(const SPropTagArray* tags, ULONG flags, std::vector<SPropValue>* values) override;
  HRESULT GetPropList(ULONG flags, SPropTagArray* tags) override;
  HRESULT SetProps(const std::vector<SPropValue>& values, std::vector<SPropProblem>* problems) override;
  HRESULT DeleteProps(const SPropTagArray& tags, std::vector<SPropProblem>* problems) override;
  HRESULT SaveChanges(ULONG flags) override;
  HRESULT OpenProperty(ULONG tag, const IID& iid, ULONG options, ULONG flags,
                       std::shared_ptr<IUnknown>* out) override;
  HRESULT CopyTo(const SPropTagArray* excluded, const IID& iid, IMAPIProp* destination, ULONG flags,
                 std::vector<SPropProblem>* problems) override;
  HRESULT GetIDsFromNames(const std::vector<MAPINAMEID>& names, ULONG flags, SPropTagArray* tags) override;
  HRESULT GetNamesFromIDs(const SPropTagArray& tags, ULONG flags,
                          std::vector<std::optional<MAPINAMEID>>* names) override;

 private:
  std::vector<SPropValue> AllProps() const;
  std::shared_ptr<MessageImpl> parent_;
  std::shared_ptr<StoreImpl> store_;
  AttachmentData data_;
  bool modifiable_;
  LastError last_;
};

class FolderImpl : public IMAPIFolder, public ReadOnlyProp, public std::enable_shared_from_this<FolderImpl> {
 public:
  FolderImpl(std::shared_ptr<StoreImpl> store, FolderRow row)
      : store_(std::move(store)), row_(std::move(row)) {}
  HRESULT QueryInterface(const IID& iid, std::shared_ptr<IUnknown>* out) override;
  HRESULT GetContentsTable(ULONG flags, std::shared_ptr<IMAPITable>* table) override;
  HRESULT GetHierarchyTable(ULONG flags, std::shared_ptr<IMAPITable>* table) override;
  HRESULT OpenEntry(const ENTRYID& entry_id, const IID* iid, ULONG flags, ULONG* object_type,
                    std::shared_ptr<IUnknown>* object) override;
  HRESULT CreateMessage(const IID* iid, ULONG flags, std::shared_ptr<IMessage>* message) override;
  HRESULT DeleteMessages(const std::vector<ENTRYID>& entry_ids, ULONG flags) override;
  HRESULT GetIDsFromNames(const std::vector<MAPINAMEID>& names, ULONG flags, SPropTagArray* tags) override;
  HRESULT GetNamesFromIDs(const SPropTagArray& tags, ULONG flags,
                          std::vector<std::optional<MAPINAMEID>>* names) override;

  const FolderRow& row() const { return row_; }

 protected:
  std::vector<SPropValue> AllProps() override;

 private:
  std::shared_ptr<StoreImpl> store_;
  FolderRow row_;
};

class StoreImpl : public IMsgStore,
                  public IExchangeManageStore,
                  public ReadOnlyProp,
                  public std::enable_shared_from_this<StoreImpl> {
 public:
  StoreImpl(std::shared_ptr<Backend> backend, StoreRow row, RecipientRow owner)
      : backend_(std::move(backend)), row_(std::move(row)), owner_(std::move(owner)) {}
  HRESULT QueryInterface(const IID& iid, std::shared_ptr<IUnknown>* out) override;
  HRESULT OpenEntry(const ENTRYID& entry_id, const IID* iid, ULONG flags, ULONG* object_type,
                    std::shared_ptr<IUnknown>* object) override;
  HRESULT GetReceiveFolder(const std::string& message_class, ULONG flags, ENTRYID* entry_id,
                           std::string* explicit_class) override;
  HRESULT StoreLogoff(ULONG* flags) override;
  HRESULT CreateStoreEntryID(const std::string& store_dn, const std::string& mailbox_dn, ULONG flags,
                             ENTRYID* entry_id) override;
  HRESULT GetIDsFromNames(const std::vector<MAPINAMEID>& names, ULONG flags, SPropTagArray* tags) override;
  HRESULT GetNamesFromIDs(const SPropTagArray& tags, ULONG flags,
                          std::vector<std::optional<MAPINAMEID>>* names) override;

  Backend& backend() { return *backend_; }
  const std::shared_ptr<Backend>& shared_backend() { return backend_; }
  const StoreRow& row() const { return row_; }
  const RecipientRow& owner() const { return owner_; }
  // Computed properties of a message of this store.
  void AddMessageIdentity(std::vector<SPropValue>& props, int64_t folder_id, int64_t message_id);
  HRESULT NamesToIds(LastError& last, const std::vector<MAPINAMEID>& names, ULONG flags, SPropTagArray* tags);
  HRESULT IdsToNames(LastError& last, const SPropTagArray& tags,
                     std::vector<std::optional<MAPINAMEID>>* names);

 protected:
  std::vector<SPropValue> AllProps() override;

 private:
  std::shared_ptr<Backend> backend_;
  StoreRow row_;
  RecipientRow owner_;
  std::optional<ENTRYID> entry_id_;  // every message row carries it: looked up once
};

// Shared by the store and the admin session: MAPI_E_INVALID_PARAMETER for a
// name that is empty or does not start with "/o=".
HRESULT BuildStoreEntryId(const std::string& store_dn, const std::string& mailbox_dn, ENTRYID* entry_id);

// Opens a store identifier on the backend (see IMAPISession::OpenMsgStore).
HRESULT OpenStoreOn(const std::shared_ptr<Backend>& backend, LastError& last, const ENTRYID& entry_id,
                    std::shared_ptr<StoreImpl>* store);

class AddrBookImpl;
std::shared_ptr<IAddrBook> MakeAddressBook(std::shared_ptr<Backend> backend);

// A session on a backend; `default_store` may be empty (admin logon).
std::shared_ptr<IMAPISession> MakeSession(std::shared_ptr<Backend> backend,
                                          std::shared_ptr<StoreImpl> default_store);

}  // namespace korvale::mapi::orgstore
