// The data side of the organisation store that the MAPI objects share: one
// connection per session, lookups of directory entries, stores and folders,
// loading and saving messages, contents queries with their indexed
// pre-filter, the named-property map, permissions and delivery.
//
// Methods throw DbError (SQLite failed) or CorruptData (a blob that does not
// decode); the MAPI objects turn both into result codes at their boundary.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/mapi/orgstore/db.h"
#include "platform/mapi/orgstore/org_store.h"

namespace korvale::mapi::orgstore {

struct CorruptData {
  std::string message;
};
// The object was deleted by another session while this one held it.
struct ObjectGone {
  std::string message;
};

struct RecipientRow {
  int64_t id = 0;
  RecipientKind kind = RecipientKind::kMailbox;
  std::string alias, legacy_dn, display_name, smtp;
  int64_t server_id = 0;          // 0: none
  std::vector<SPropValue> props;  // address-book properties as stored
};

struct StoreRow {
  int64_t id = 0;
  int64_t recipient_id = 0;
  GUID guid;
  int64_t inbox_id = 0, calendar_id = 0, sent_id = 0;  // 0: none
};

struct FolderRow {
  int64_t id = 0;
  int64_t store_id = 0;
  std::string kind;  // "inbox", "calendar", "sent"
  std::string display_name, container_class;
};

struct MessageData;
struct AttachmentData {
  ULONG num = 0;
  std::vector<SPropValue> props;
  std::shared_ptr<MessageData> embedded;  // ATTACH_EMBEDDED_MSG
};
struct MessageData {
  std::vector<SPropValue> props;
  std::vector<std::vector<SPropValue>> recipients;  // each with PR_ROWID
  std::vector<AttachmentData> attachments;
  ULONG next_row_id = 1;
  ULONG next_attach_num = 0;
  // A deep copy (embedded messages included).
  MessageData Clone() const;
};

// Property list helpers used by every object.
const SPropValue* FindProp(const std::vector<SPropValue>& props, ULONG prop_id);
void SetProp(std::vector<SPropValue>& props, SPropValue value);
bool RemoveProp(std::vector<SPropValue>& props, ULONG prop_id);
// GetProps semantics for one requested tag (missing or mistyped: PT_ERROR).
SPropValue GetPropAs(const std::vector<SPropValue>& props, ULONG tag);

FILETIME NowFileTime();

class Backend {
 public:
  // Opens the file and checks the schema. Throws DbError.
  static std::shared_ptr<Backend> Open(const std::string& path, bool create);
  Db& db() { return *db_; }
  const GUID& DatabaseGuid() const { return database_guid_; }

  // Directory
  std::optional<RecipientRow> RecipientById(int64_t id);
  std::optional<RecipientRow> RecipientByDn(const std::string& dn);
  std::optional<RecipientRow> RecipientBySmtp(const std::string& smtp);
  std::vector<RecipientRow> AllRecipients();
  std::vector<RecipientRow> ListMembers(int64_t list_id);
  std::optional<ServerSpec> ServerById(int64_t id);
  std::optional<ServerSpec> ServerByName(const std::string& name);
  std::optional<ServerSpec> ServerByLegacyDn(const std::string& dn);
  // The address-book view of an entry: stored properties plus PR_ENTRYID,
  // PR_OBJECT_TYPE, PR_DISPLAY_TYPE, PR_ADDRTYPE, PR_SEARCH_KEY ...
  std::vector<SPropValue> AddressBookProps(const RecipientRow& r);
  ENTRYID AddressBookEntryId(const RecipientRow& r);

  // Stores and folders
  std::optional<StoreRow> StoreByRecipient(int64_t recipient_id);
  std::optional<StoreRow> StoreById(int64_t id);
  std::optional<StoreRow> StoreByGuid(const GUID& guid);
  std::optional<FolderRow> Folder(int64_t id);
  std::vector<FolderRow> Folders(int64_t store_id);
  ENTRYID FolderEntryId(const StoreRow& store, int64_t folder_id);
  ENTRYID MessageEntryId(const StoreRow& store, int64_t folder_id, int64_t message_id);
  ENTRYID StoreEntryId(const StoreRow& store);
  int64_t MessageCount(int64_t folder_id);

  // Messages. Folder of a top-level message; nullopt when it does not exist.
  std::optional<int64_t> MessageFolder(int64_t message_id);
  MessageData LoadMessage(int64_t message_id);
  // Writes the whole message (in the caller's transaction or its own);
  // message_id 0 creates it. Returns the id.
  int64_t SaveMessage(int64_t store_id, int64_t folder_id, int64_t message_id, const MessageData& data);
  void DeleteMessage(int64_t message_id);
  // The messages of a folder that satisfy the restriction, in creation order,
  // each with its stored properties (without computed ones).
  std::vector<std::pair<int64_t, std::vector<SPropValue>>> QueryFolder(const StoreRow& store,
                                                                       int64_t folder_id,
                                                                       const SRestriction* restriction);

  // Named properties of a store.
  std::vector<ULONG> GetIdsFromNames(int64_t store_id, const std::vector<MAPINAMEID>& names, bool create);
  std::optional<MAPINAMEID> GetNameFromId(int64_t store_id, ULONG prop_id);

  // Permissions of a folder: default entry first.
  std::vector<AclEntry> FolderAcl(int64_t folder_id);

  // Transport: delivers copies of the message to the organisation's
  // recipients and records the others; then deletes the message or moves it
  // to Sent Items. One transaction.
  void Submit(const StoreRow& sender_store, int64_t message_id, MessageData data);

  // Transport log of mail to addresses outside the organisation.
  std::vector<OutboundMail> OutboundLog();

 private:
  std::vector<SPropValue> MessagePropRows(int64_t message_id);
  MessageData LoadMessageContent(int64_t message_id);

  std::shared_ptr<Db> db_;
  GUID database_guid_;
};

}  // namespace korvale::mapi::orgstore
