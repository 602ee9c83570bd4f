// Message stores, folders, messages and attachments, the Exchange
// store-management interface that builds a store identifier for any mailbox,
// and the folder permission table.
//
//   std::shared_ptr<IExchangeManageStore> manage;
//   HrQueryInterface(*default_store, IID_IExchangeManageStore, &manage);
//   ENTRYID store_id;
//   manage->CreateStoreEntryID(
//       "/o=Org/ou=Site/cn=Configuration/cn=Servers/cn=SRV1/cn=Microsoft Private MDB",
//       "/o=Org/ou=Site/cn=Recipients/cn=jdoe", OPENSTORE_USE_ADMIN_PRIVILEGE, &store_id);
//   std::shared_ptr<IMsgStore> store;
//   session->OpenMsgStore(0, store_id, nullptr, MDB_NO_DIALOG | MAPI_BEST_ACCESS, &store);
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/mapi/mapi_prop.h"

namespace korvale::mapi {

class IMessage;

class IAttach : public virtual IMAPIProp {};

class IMessage : public virtual IMAPIProp {
 public:
  // Rows of the recipients: every property of each recipient plus PR_ROWID.
  virtual HRESULT GetRecipientTable(ULONG flags, std::shared_ptr<IMAPITable>* table) = 0;
  // MODRECIP_ADD appends the entries (each gets a new PR_ROWID);
  // MODRECIP_MODIFY replaces the recipients with the entries' PR_ROWID;
  // MODRECIP_REMOVE removes them; flags 0 replaces all recipients.
  // MAPI_E_INVALID_PARAMETER when an entry lacks PR_RECIPIENT_TYPE (add) or
  // PR_ROWID (modify, remove). Kept until SaveChanges.
  virtual HRESULT ModifyRecipients(ULONG flags, const ADRLIST& mods) = 0;
  // Rows of the attachments (PR_ATTACH_NUM, PR_ATTACH_METHOD, every other
  // attachment property except the data itself).
  virtual HRESULT GetAttachmentTable(ULONG flags, std::shared_ptr<IMAPITable>* table) = 0;
  virtual HRESULT OpenAttach(ULONG attach_num, const IID* iid, ULONG flags,
                             std::shared_ptr<IAttach>* attach) = 0;
  virtual HRESULT CreateAttach(const IID* iid, ULONG flags, ULONG* attach_num,
                               std::shared_ptr<IAttach>* attach) = 0;
  virtual HRESULT DeleteAttach(ULONG attach_num, ULONG flags) = 0;
  // Saves the message and hands it to the transport: each recipient that
  // resolves to a mailbox of the organisation (through its entry identifier,
  // or an SMTP address of the organisation) gets a copy in its Inbox;
  // distribution lists are expanded; other one-off recipients are recorded as
  // sent but not delivered. Then, with PR_DELETE_AFTER_SUBMIT true the message
  // is removed from its folder, otherwise it is moved to Sent Items. The
  // message object may not be used afterwards. MAPI_E_NO_RECIPIENTS without
  // recipients.
  virtual HRESULT SubmitMessage(ULONG flags) = 0;
  virtual HRESULT SetReadFlag(ULONG flags) = 0;
};

class IMAPIFolder : public virtual IMAPIContainer {
 public:
  // A new message in this folder, kept in memory until SaveChanges.
  virtual HRESULT CreateMessage(const IID* iid, ULONG flags, std::shared_ptr<IMessage>* message) = 0;
  // Deletes the messages with these identifiers in one change.
  // MAPI_W_PARTIAL_COMPLETION when some were not in this folder.
  virtual HRESULT DeleteMessages(const std::vector<ENTRYID>& entry_ids, ULONG flags) = 0;
};

class IMsgStore : public virtual IMAPIProp {
 public:
  virtual HRESULT OpenEntry(const ENTRYID& entry_id, const IID* iid, ULONG flags, ULONG* object_type,
                            std::shared_ptr<IUnknown>* object) = 0;
  // The folder that receives messages of this class ("" or "IPM": the Inbox).
  // *explicit_class (when given) gets the class the setting was made for.
  virtual HRESULT GetReceiveFolder(const std::string& message_class, ULONG flags, ENTRYID* entry_id,
                                   std::string* explicit_class) = 0;
  virtual HRESULT StoreLogoff(ULONG* flags) = 0;
};

class IExchangeManageStore : public virtual IUnknown {
 public:
  // The identifier of the store of mailbox `mailbox_dn` (its legacy
  // distinguished name) on the store `store_dn` (the server's legacy name
  // followed by "/cn=Microsoft Private MDB"). Only the form of the names is
  // checked here (MAPI_E_INVALID_PARAMETER when one is empty or does not start
  // with "/o="); OpenMsgStore finds out whether they exist.
  virtual HRESULT CreateStoreEntryID(const std::string& store_dn, const std::string& mailbox_dn, ULONG flags,
                                     ENTRYID* entry_id) = 0;
};

// One entry of a folder's permission table.
struct AclEntry {
  ULONG rights = 0;         // frights* bits
  std::string member_name;  // empty for the default entry
  ENTRYID member_entry_id;  // empty for the default entry; else an address-book id
  int64_t member_id = 0;    // PR_MEMBER_ID: 0 default, -1 anonymous, else > 0
};

// A folder's permission table as the Exchange ACL helper hands it out: the
// default entry first, then the members in the order they were granted.
class FolderACLs {
 public:
  virtual ~FolderACLs() = default;
  virtual const std::vector<AclEntry>& Entries() const = 0;
  // The same rows as a table (PR_MEMBER_ID, PR_MEMBER_NAME, PR_MEMBER_ENTRYID,
  // PR_MEMBER_RIGHTS).
  virtual HRESULT GetTable(ULONG flags, std::shared_ptr<IMAPITable>* table) = 0;
};

}  // namespace korvale::mapi
