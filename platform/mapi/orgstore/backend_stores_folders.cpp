// Stores and folders: their rows, entry identifiers and message counts.
#include "platform/mapi/orgstore/backend.h"
#include "platform/mapi/orgstore/entry_ids.h"

namespace korvale::mapi::orgstore {

namespace {

constexpr const char* kStoreColumns =
    "SELECT id, recipient_id, guid, inbox_id, calendar_id, sent_id FROM stores ";

StoreRow ReadStore(Stmt& st) {
  StoreRow s;
  s.id = st.Int(0);
  s.recipient_id = st.Int(1);
  auto g = st.Blob(2);
  if (g.size() != 16) throw CorruptData{"broken store GUID"};
  s.guid = GuidFromBytes(g.data());
  s.inbox_id = st.IsNull(3) ? 0 : st.Int(3);
  s.calendar_id = st.IsNull(4) ? 0 : st.Int(4);
  s.sent_id = st.IsNull(5) ? 0 : st.Int(5);
  return s;
}

}  // namespace

std::optional<StoreRow> Backend::StoreByRecipient(int64_t recipient_id) {
  auto st = db_->Prepare(std::string(kStoreColumns) + "WHERE recipient_id=?");
  st.Bind(1, recipient_id);
  if (!st.Step()) return std::nullopt;
  return ReadStore(st);
}

std::optional<StoreRow> Backend::StoreById(int64_t id) {
  auto st = db_->Prepare(std::string(kStoreColumns) + "WHERE id=?");
  st.Bind(1, id);
  if (!st.Step()) return std::nullopt;
  return ReadStore(st);
}

std::optional<StoreRow> Backend::StoreByGuid(const GUID& guid) {
  auto st = db_->Prepare(std::string(kStoreColumns) + "WHERE guid=?");
  auto b = GuidToBytes(guid);
  st.BindBlob(1, std::vector<uint8_t>(b.begin(), b.end()));
  if (!st.Step()) return std::nullopt;
  return ReadStore(st);
}

std::optional<FolderRow> Backend::Folder(int64_t id) {
  auto st = db_->Prepare("SELECT id, store_id, kind, display_name, container_class FROM folders WHERE id=?");
  st.Bind(1, id);
  if (!st.Step()) return std::nullopt;
  return FolderRow{st.Int(0), st.Int(1), st.Text(2), st.Text(3), st.Text(4)};
}

std::vector<FolderRow> Backend::Folders(int64_t store_id) {
  auto st = db_->Prepare(
      "SELECT id, store_id, kind, display_name, container_class FROM folders WHERE store_id=? ORDER BY id");
  st.Bind(1, store_id);
  std::vector<FolderRow> out;
  while (st.Step()) out.push_back(FolderRow{st.Int(0), st.Int(1), st.Text(2), st.Text(3), st.Text(4)});
  return out;
}

ENTRYID Backend::FolderEntryId(const StoreRow& store, int64_t folder_id) {
  return MakeFolderEid({store.guid, database_guid_, folder_id});
}

ENTRYID Backend::MessageEntryId(const StoreRow& store, int64_t folder_id, int64_t message_id) {
  return MakeMessageEid({store.guid, database_guid_, folder_id, message_id});
}

ENTRYID Backend::StoreEntryId(const StoreRow& store) {
  auto owner = RecipientById(store.recipient_id);
  std::string server;
  if (owner && owner->server_id)
    if (auto s = ServerById(owner->server_id)) server = s->name;
  return MakeStoreEid({server, owner ? owner->legacy_dn : std::string()});
}

int64_t Backend::MessageCount(int64_t folder_id) {
  auto st = db_->Prepare("SELECT COUNT(*) FROM messages WHERE folder_id=?");
  st.Bind(1, folder_id);
  st.Step();
  return st.Int(0);
}

}  // namespace korvale::mapi::orgstore
