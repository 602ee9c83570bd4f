// Directory, store, folder and message data of the organisation store.
#include "platform/mapi/orgstore/backend.h"

#include <algorithm>
#include <chrono>
#include <set>

#include "platform/mapi/orgstore/codec.h"
#include "platform/mapi/orgstore/entry_ids.h"
#include "platform/mapi/orgstore/schema.h"

namespace korvale::mapi::orgstore {

// ---- property list helpers ------------------------------------------------

const SPropValue* FindProp(const std::vector<SPropValue>& props, ULONG prop_id) {
  for (const auto& p : props)
    if (PROP_ID(p.ulPropTag) == prop_id) return &p;
  return nullptr;
}

void SetProp(std::vector<SPropValue>& props, SPropValue value) {
  for (auto& p : props)
    if (PROP_ID(p.ulPropTag) == PROP_ID(value.ulPropTag)) {
      p = std::move(value);
      return;
    }
  props.push_back(std::move(value));
}

bool RemoveProp(std::vector<SPropValue>& props, ULONG prop_id) {
  auto it = std::remove_if(props.begin(), props.end(),
                           [&](const SPropValue& p) { return PROP_ID(p.ulPropTag) == prop_id; });
  bool removed = it != props.end();
  props.erase(it, props.end());
  return removed;
}

SPropValue GetPropAs(const std::vector<SPropValue>& props, ULONG tag) {
  const SPropValue* p = FindProp(props, PROP_ID(tag));
  if (!p || p->IsError()) return SPropValue::Error(tag, MAPI_E_NOT_FOUND);
  ULONG want = PROP_TYPE(tag), have = PROP_TYPE(p->ulPropTag);
  if (want == PT_UNSPECIFIED || want == have) return *p;
  auto is_string = [](ULONG t) { return t == PT_STRING8 || t == PT_UNICODE; };
  auto is_mv_string = [](ULONG t) { return t == PT_MV_STRING8 || t == PT_MV_UNICODE; };
  if ((is_string(want) && is_string(have)) || (is_mv_string(want) && is_mv_string(have))) {
    SPropValue v = *p;
    v.ulPropTag = tag;
    return v;
  }
  return SPropValue::Error(tag, MAPI_E_NOT_FOUND);
}

FILETIME NowFileTime() {
  using namespace std::chrono;
  auto since_1970 = duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
  return static_cast<FILETIME>(since_1970) * 10 + 116444736000000000ULL;
}

MessageData MessageData::Clone() const {
  MessageData copy = *this;
  for (auto& a : copy.attachments)
    if (a.embedded) a.embedded = std::make_shared<MessageData>(a.embedded->Clone());
  return copy;
}

// ---- backend ------------------------------------------------------------------

std::shared_ptr<Backend> Backend::Open(const std::string& path, bool create) {
  auto b = std::make_shared<Backend>();
  b->db_ = Db::Open(path, create);
  EnsureSchema(*b->db_, create);
  auto st = b->db_->Prepare("SELECT value FROM meta WHERE key='database_guid'");
  if (!st.Step() || !GuidFromString(st.Text(0), &b->database_guid_))
    throw DbError{path + ": the database GUID is missing", 0};
  return b;
}

namespace {

std::vector<SPropValue> DecodeOrThrow(const std::vector<uint8_t>& blob, const std::string& what) {
  auto v = DecodePropList(blob);
  if (!v) throw CorruptData{"broken property list in " + what};
  return std::move(*v);
}

constexpr const char* kRecipientColumns =
    "SELECT id, kind, alias, legacy_dn, display_name, smtp, server_id, props FROM recipients ";

RecipientRow ReadRecipient(Stmt& st) {
  RecipientRow r;
  r.id = st.Int(0);
  r.kind = static_cast<RecipientKind>(st.Int(1));
  r.alias = st.Text(2);
  r.legacy_dn = st.Text(3);
  r.display_name = st.Text(4);
  r.smtp = st.Text(5);
  r.server_id = st.IsNull(6) ? 0 : st.Int(6);
  r.props = DecodeOrThrow(st.Blob(7), "directory entry " + r.alias);
  return r;
}

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

ServerSpec ReadServer(Stmt& st) { return ServerSpec{st.Text(0), st.Text(1), st.Text(2)}; }

}  // namespace

std::optional<RecipientRow> Backend::RecipientById(int64_t id) {
  auto st = db_->Prepare(std::string(kRecipientColumns) + "WHERE id=?");
  st.Bind(1, id);
  if (!st.Step()) return std::nullopt;
  return ReadRecipient(st);
}

std::optional<RecipientRow> Backend::RecipientByDn(const std::string& dn) {
  auto st = db_->Prepare(std::string(kRecipientColumns) + "WHERE legacy_dn=?");
  st.Bind(1, dn);
  if (!st.Step()) return std::nullopt;
  return ReadRecipient(st);
}

std::optional<RecipientRow> Backend::RecipientBySmtp(const std::string& smtp) {
  if (smtp.empty()) return std::nullopt;
  auto st = db_->Prepare(std::string(kRecipientColumns) + "WHERE smtp=? ORDER BY id");
  st.Bind(1, smtp);
  if (!st.Step()) return std::nullopt;
  return ReadRecipient(st);
}

std::vector<RecipientRow> Backend::AllRecipients() {
  auto st = db_->Prepare(std::string(kRecipientColumns) + "ORDER BY id");
  std::vector<RecipientRow> out;
  while (st.Step()) out.push_back(ReadRecipient(st));
  return out;
}

std::vector<RecipientRow> Backend::ListMembers(int64_t list_id) {
  auto st = db_->Prepare(
      "SELECT r.id, r.kind, r.alias, r.legacy_dn, r.display_name, r.smtp, r.server_id, r.props "
      "FROM dl_members m JOIN recipients r ON r.id = m.member_id WHERE m.list_id=? ORDER BY m.position");
  st.Bind(1, list_id);
  std::vector<RecipientRow> out;
  while (st.Step()) out.push_back(ReadRecipient(st));
  return out;
}

std::optional<ServerSpec> Backend::ServerById(int64_t id) {
  auto st = db_->Prepare("SELECT name, org, site FROM servers WHERE id=?");
  st.Bind(1, id);
  if (!st.Step()) return std::nullopt;
  return ReadServer(st);
}

std::optional<ServerSpec> Backend::ServerByName(const std::string& name) {
  auto st = db_->Prepare("SELECT name, org, site FROM servers WHERE name=?");
  st.Bind(1, name);
  if (!st.Step()) return std::nullopt;
  return ReadServer(st);
}

std::optional<ServerSpec> Backend::ServerByLegacyDn(const std::string& dn) {
  auto st = db_->Prepare("SELECT name, org, site FROM servers WHERE legacy_dn=?");
  st.Bind(1, dn);
  if (!st.Step()) return std::nullopt;
  return ReadServer(st);
}

ENTRYID Backend::AddressBookEntryId(const RecipientRow& r) {
  return MakeAddressBookEid({r.kind == RecipientKind::kDistList ? DT_DISTLIST : DT_MAILUSER, r.legacy_dn});
}

std::vector<SPropValue> Backend::AddressBookProps(const RecipientRow& r) {
  std::vector<SPropValue> props = r.props;
  bool list = r.kind == RecipientKind::kDistList;
  SetProp(props, {PR_ENTRYID, AddressBookEntryId(r)});
  SetProp(props, {PR_RECORD_KEY, AddressBookEntryId(r)});
  SetProp(props, {PR_OBJECT_TYPE, static_cast<int32_t>(list ? MAPI_DISTLIST : MAPI_MAILUSER)});
  SetProp(props, {PR_DISPLAY_TYPE, static_cast<int32_t>(list ? DT_DISTLIST : DT_MAILUSER)});
  ULONG ex = list                                  ? DT_DISTLIST
             : r.kind == RecipientKind::kRoom      ? DT_ROOM
             : r.kind == RecipientKind::kEquipment ? DT_EQUIPMENT
                                                   : DT_MAILUSER;
  SetProp(props, {PR_DISPLAY_TYPE_EX, static_cast<int32_t>(ex)});
  SetProp(props, {PR_DISPLAY_NAME, r.display_name});
  SetProp(props, {PR_TRANSMITABLE_DISPLAY_NAME, r.display_name});
  SetProp(props, {PR_ADDRTYPE, std::string("EX")});
  SetProp(props, {PR_EMAIL_ADDRESS, r.legacy_dn});
  SetProp(props, {PR_ACCOUNT, r.alias});
  std::string key = "EX:" + r.legacy_dn;
  std::transform(key.begin(), key.end(), key.begin(), [](unsigned char c) { return std::toupper(c); });
  SBinary search_key(key.begin(), key.end());
  search_key.push_back(0);
  SetProp(props, {PR_SEARCH_KEY, search_key});
  if (!r.smtp.empty()) SetProp(props, {PR_SMTP_ADDRESS, r.smtp});
  return props;
}

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

std::optional<int64_t> Backend::MessageFolder(int64_t message_id) {
  auto st = db_->Prepare("SELECT folder_id FROM messages WHERE id=?");
  st.Bind(1, message_id);
  if (!st.Step() || st.IsNull(0)) return std::nullopt;
  return st.Int(0);
}

// The rows of one message's properties: messages saved before the store kept
// them as one list too.
std::vector<SPropValue> Backend::MessagePropRows(int64_t message_id) {
  std::vector<SPropValue> props;
  auto st =
      db_->Prepare("SELECT prop_id, prop_type, value FROM message_props WHERE message_id=? ORDER BY prop_id");
  st.Bind(1, message_id);
  while (st.Step()) {
    ULONG tag = PROP_TAG(static_cast<ULONG>(st.Int(1)), static_cast<ULONG>(st.Int(0)));
    auto v = DecodeValue(PROP_TYPE(tag), st.Blob(2));
    if (!v)
      throw CorruptData{"broken value of " + TagName(tag) + " in message " + std::to_string(message_id)};
    SPropValue pv;
    pv.ulPropTag = tag;
    pv.Value = std::move(*v);
    props.push_back(std::move(pv));
  }
  return props;
}

MessageData Backend::LoadMessage(int64_t message_id) {
  // The message, its recipients and attachments and any embedded messages:
  // one read transaction rather than one per statement.
  return db_->Reading([&] { return LoadMessageContent(message_id); });
}

MessageData Backend::LoadMessageContent(int64_t message_id) {
  MessageData data;
  const std::string what = "message " + std::to_string(message_id);
  {
    auto st = db_->Prepare("SELECT props FROM messages WHERE id=?");
    st.Bind(1, message_id);
    if (st.Step() && !st.IsNull(0))
      data.props = DecodeOrThrow(st.Blob(0), what);
    else
      data.props = MessagePropRows(message_id);
  }
  {
    auto st =
        db_->Prepare("SELECT row_id, props FROM recipients_of_message WHERE message_id=? ORDER BY row_id");
    st.Bind(1, message_id);
    while (st.Step()) {
      auto props = DecodeOrThrow(st.Blob(1), "a recipient of " + what);
      SetProp(props, {PR_ROWID, static_cast<int32_t>(st.Int(0))});
      data.recipients.push_back(std::move(props));
      data.next_row_id = std::max<ULONG>(data.next_row_id, static_cast<ULONG>(st.Int(0)) + 1);
    }
  }
  {
    auto st = db_->Prepare(
        "SELECT attach_num, props, embedded_message_id FROM attachments WHERE message_id=? ORDER BY "
        "attach_num");
    st.Bind(1, message_id);
    while (st.Step()) {
      AttachmentData a;
      a.num = static_cast<ULONG>(st.Int(0));
      a.props = DecodeOrThrow(st.Blob(1), "an attachment of " + what);
      if (!st.IsNull(2)) a.embedded = std::make_shared<MessageData>(LoadMessageContent(st.Int(2)));
      data.next_attach_num = std::max<ULONG>(data.next_attach_num, a.num + 1);
      data.attachments.push_back(std::move(a));
    }
  }
  return data;
}

namespace {

// Properties the store derives from the message when it is saved.
void AddDerivedProps(MessageData& d) {
  bool has_attach = !d.attachments.empty();
  SetProp(d.props, {PR_HASATTACH, has_attach});
  std::string to, cc, bcc;
  for (const auto& r : d.recipients) {
    const SPropValue* type = FindProp(r, PROP_ID(PR_RECIPIENT_TYPE));
    const SPropValue* name = FindProp(r, PROP_ID(PR_DISPLAY_NAME));
    if (!name || !name->String()) continue;
    int32_t t = type && type->Long() ? *type->Long() & 0xFF : MAPI_TO;
    std::string& list = t == MAPI_CC ? cc : t == MAPI_BCC ? bcc : to;
    if (!list.empty()) list += "; ";
    list += *name->String();
  }
  SetProp(d.props, {PR_DISPLAY_TO, to});
  SetProp(d.props, {PR_DISPLAY_CC, cc});
  SetProp(d.props, {PR_DISPLAY_BCC, bcc});
  int32_t flags = 0;
  if (auto f = FindProp(d.props, PROP_ID(PR_MESSAGE_FLAGS)); f && f->Long()) flags = *f->Long();
  flags = has_attach ? (flags | MSGFLAG_HASATTACH) : (flags & ~MSGFLAG_HASATTACH);
  SetProp(d.props, {PR_MESSAGE_FLAGS, flags});
  size_t size = 0;
  for (const auto& p : d.props) size += EncodeValue(p).size() + 8;
  SetProp(d.props, {PR_MESSAGE_SIZE, static_cast<int32_t>(std::min<size_t>(size, INT32_MAX))});
  if (!FindProp(d.props, PROP_ID(PR_CREATION_TIME)))
    SetProp(d.props, SPropValue::Time(PR_CREATION_TIME, NowFileTime()));
  SetProp(d.props, SPropValue::Time(PR_LAST_MODIFICATION_TIME, NowFileTime()));
}

// Properties never stored: the store computes them when asked.
bool IsComputed(ULONG prop_id) {
  switch (prop_id) {
    case PROP_ID(PR_ENTRYID):
    case PROP_ID(PR_STORE_ENTRYID):
    case PROP_ID(PR_PARENT_ENTRYID):
    case PROP_ID(PR_RECORD_KEY):
    case PROP_ID(PR_INSTANCE_KEY):
    case PROP_ID(PR_OBJECT_TYPE):
    case PROP_ID(PR_STORE_RECORD_KEY):
    case PROP_ID(PR_MAPPING_SIGNATURE): return true;
  }
  return false;
}

void CollectEmbedded(Db& db, int64_t message_id, std::vector<int64_t>& out) {
  auto st = db.Prepare(
      "SELECT embedded_message_id FROM attachments WHERE message_id=? AND embedded_message_id IS NOT NULL");
  st.Bind(1, message_id);
  std::vector<int64_t> direct;
  while (st.Step()) direct.push_back(st.Int(0));
  for (int64_t id : direct) {
    out.push_back(id);
    CollectEmbedded(db, id, out);
  }
}

void DeleteContent(Db& db, int64_t message_id) {
  std::vector<int64_t> embedded;
  CollectEmbedded(db, message_id, embedded);
  for (int64_t id : embedded) db.Prepare("DELETE FROM messages WHERE id=?").Bind(1, id).Run();
  db.Prepare("DELETE FROM message_props WHERE message_id=?").Bind(1, message_id).Run();
  db.Prepare("DELETE FROM recipients_of_message WHERE message_id=?").Bind(1, message_id).Run();
  db.Prepare("DELETE FROM attachments WHERE message_id=?").Bind(1, message_id).Run();
}

void WriteContent(Db& db, int64_t store_id, int64_t message_id, const MessageData& d) {
  auto prop = db.Prepare(
      "INSERT INTO message_props (message_id, prop_id, prop_type, ival, value) VALUES (?,?,?,?,?)");
  std::vector<SPropValue> stored;
  for (const auto& p : d.props) {
    if (p.IsError() || IsComputed(PROP_ID(p.ulPropTag))) continue;
    prop.Bind(1, message_id).Bind(2, PROP_ID(p.ulPropTag)).Bind(3, PROP_TYPE(p.ulPropTag));
    if (auto iv = IndexValue(p))
      prop.Bind(4, *iv);
    else
      prop.BindNull(4);
    prop.BindBlob(5, EncodeValue(p));
    prop.Run();
    prop.Reset();
    stored.push_back(p);
  }
  // The same properties as one list, in the order the rows are read back.
  std::stable_sort(stored.begin(), stored.end(), [](const SPropValue& a, const SPropValue& b) {
    return PROP_ID(a.ulPropTag) < PROP_ID(b.ulPropTag);
  });
  db.Prepare("UPDATE messages SET props=? WHERE id=?")
      .BindBlob(1, EncodePropList(stored))
      .Bind(2, message_id)
      .Run();
  auto rec = db.Prepare("INSERT INTO recipients_of_message (message_id, row_id, props) VALUES (?,?,?)");
  for (const auto& r : d.recipients) {
    std::vector<SPropValue> props = r;
    const SPropValue* row_id = FindProp(props, PROP_ID(PR_ROWID));
    int64_t id = row_id && row_id->Long() ? *row_id->Long() : 0;
    RemoveProp(props, PROP_ID(PR_ROWID));
    rec.Bind(1, message_id).Bind(2, id).BindBlob(3, EncodePropList(props));
    rec.Run();
    rec.Reset();
  }
  for (const auto& a : d.attachments) {
    int64_t embedded_id = 0;
    if (a.embedded) {
      db.Prepare("INSERT INTO messages (store_id, folder_id) VALUES (?, NULL)").Bind(1, store_id).Run();
      embedded_id = db.LastInsertId();
      MessageData e = *a.embedded;
      AddDerivedProps(e);
      WriteContent(db, store_id, embedded_id, e);
    }
    auto att = db.Prepare(
        "INSERT INTO attachments (message_id, attach_num, props, embedded_message_id) VALUES (?,?,?,?)");
    att.Bind(1, message_id).Bind(2, a.num).BindBlob(3, EncodePropList(a.props));
    if (embedded_id)
      att.Bind(4, embedded_id);
    else
      att.BindNull(4);
    att.Run();
    if (embedded_id)
      db.Prepare("UPDATE messages SET owner_attachment_id=? WHERE id=?")
          .Bind(1, db.LastInsertId())
          .Bind(2, embedded_id)
          .Run();
  }
}

}  // namespace

int64_t Backend::SaveMessage(int64_t store_id, int64_t folder_id, int64_t message_id,
                             const MessageData& data) {
  return db_->Transaction([&] {
    MessageData d = data;
    AddDerivedProps(d);
    if (message_id == 0) {
      db_->Prepare("INSERT INTO messages (store_id, folder_id) VALUES (?,?)")
          .Bind(1, store_id)
          .Bind(2, folder_id)
          .Run();
      message_id = db_->LastInsertId();
    } else {
      auto st = db_->Prepare("SELECT 1 FROM messages WHERE id=?");
      st.Bind(1, message_id);
      if (!st.Step()) throw ObjectGone{"the message was deleted meanwhile"};
      DeleteContent(*db_, message_id);
    }
    WriteContent(*db_, store_id, message_id, d);
    return message_id;
  });
}

void Backend::DeleteMessage(int64_t message_id) {
  db_->Transaction([&] {
    DeleteContent(*db_, message_id);
    db_->Prepare("DELETE FROM messages WHERE id=?").Bind(1, message_id).Run();
  });
}

namespace {

bool IsIndexedType(ULONG type) {
  switch (type) {
    case PT_I2:
    case PT_LONG:
    case PT_BOOLEAN:
    case PT_I8:
    case PT_SYSTIME:
    case PT_CURRENCY: return true;
  }
  return false;
}

struct SqlCondition {
  std::string sql;
  std::vector<int64_t> args;
};

// A condition that every row satisfying `r` also satisfies, or nothing when
// the restriction has no such simple form. The rows are checked in full
// afterwards, so these only narrow what is read.
std::optional<SqlCondition> Prefilter(const SRestriction& r, const GUID& database_guid) {
  const auto* p = std::get_if<SPropertyRestriction>(&r.res);
  if (!p) return std::nullopt;
  if (p->ulPropTag == PR_ENTRYID && p->relop == RELOP_EQ && p->lpProp.Binary()) {
    auto eid = ParseMessageEid(*p->lpProp.Binary());
    if (!eid || eid->database_guid != database_guid) return SqlCondition{"0", {}};
    return SqlCondition{"m.id = ?", {eid->message_id}};
  }
  ULONG type = PROP_TYPE(p->lpProp.ulPropTag);
  auto iv = IndexValue(p->lpProp);
  if (!iv || !IsIndexedType(type) || PROP_TYPE(p->ulPropTag) != type) return std::nullopt;
  const char* op = nullptr;
  switch (p->relop) {
    case RELOP_LT: op = "<"; break;
    case RELOP_LE: op = "<="; break;
    case RELOP_GT: op = ">"; break;
    case RELOP_GE: op = ">="; break;
    case RELOP_EQ: op = "="; break;
    default: return std::nullopt;
  }
  return SqlCondition{
      std::string("EXISTS (SELECT 1 FROM message_props p WHERE p.message_id = m.id AND p.prop_id = ? "
                  "AND p.prop_type = ? AND p.ival ") +
          op + " ?)",
      {PROP_ID(p->ulPropTag), type, *iv}};
}

}  // namespace

std::vector<std::pair<int64_t, std::vector<SPropValue>>> Backend::QueryFolder(
    const StoreRow& store, int64_t folder_id, const SRestriction* restriction) {
  (void)store;
  std::string where = "m.folder_id = ?";
  std::vector<int64_t> args{folder_id};
  if (restriction) {
    std::vector<const SRestriction*> parts;
    if (auto a = std::get_if<SAndRestriction>(&restriction->res))
      for (const auto& c : a->lpRes) parts.push_back(&c);
    else
      parts.push_back(restriction);
    for (const auto* part : parts)
      if (auto c = Prefilter(*part, database_guid_)) {
        where += " AND " + c->sql;
        args.insert(args.end(), c->args.begin(), c->args.end());
      }
  }
  auto st = db_->Prepare("SELECT m.id, m.props FROM messages m WHERE " + where + " ORDER BY m.id");
  for (size_t i = 0; i < args.size(); ++i) st.Bind(static_cast<int>(i + 1), args[i]);
  std::vector<std::pair<int64_t, std::vector<SPropValue>>> out;
  std::vector<size_t> unlisted;  // saved by a version 1 store
  while (st.Step()) {
    int64_t id = st.Int(0);
    if (st.IsNull(1)) {
      unlisted.push_back(out.size());
      out.emplace_back(id, std::vector<SPropValue>{});
    } else {
      out.emplace_back(id, DecodeOrThrow(st.Blob(1), "message " + std::to_string(id)));
    }
  }
  for (size_t i : unlisted) out[i].second = MessagePropRows(out[i].first);
  return out;
}

std::vector<ULONG> Backend::GetIdsFromNames(int64_t store_id, const std::vector<MAPINAMEID>& names,
                                            bool create) {
  auto lookup = [&](const MAPINAMEID& n) -> ULONG {
    auto st = db_->Prepare(
        "SELECT prop_id FROM named_props WHERE store_id=? AND guid=? AND kind=? AND lid=? AND name=?");
    auto g = GuidToBytes(n.lpguid);
    st.Bind(1, store_id).BindBlob(2, std::vector<uint8_t>(g.begin(), g.end())).Bind(3, n.ulKind);
    st.Bind(4, n.ulKind == MNID_ID ? n.lID : 0)
        .Bind(5, n.ulKind == MNID_STRING ? n.lpwstrName : std::string());
    return st.Step() ? static_cast<ULONG>(st.Int(0)) : 0;
  };
  auto resolve_all = [&](bool creating) {
    std::vector<ULONG> ids;
    for (const auto& n : names) {
      if (n.lpguid == PS_MAPI && n.ulKind == MNID_ID) {
        ids.push_back(static_cast<ULONG>(n.lID) & 0xFFFF);
        continue;
      }
      ULONG id = lookup(n);
      if (!id && creating) {
        auto st = db_->Prepare("SELECT COALESCE(MAX(prop_id), ?) + 1 FROM named_props WHERE store_id=?");
        st.Bind(1, kFirstNamedPropId - 1).Bind(2, store_id);
        st.Step();
        int64_t next = st.Int(0);
        if (next > kLastNamedPropId) throw CorruptData{"the store's named-property map is full"};
        auto g = GuidToBytes(n.lpguid);
        db_->Prepare(
               "INSERT INTO named_props (store_id, prop_id, guid, kind, lid, name) VALUES (?,?,?,?,?,?)")
            .Bind(1, store_id)
            .Bind(2, next)
            .BindBlob(3, std::vector<uint8_t>(g.begin(), g.end()))
            .Bind(4, n.ulKind)
            .Bind(5, n.ulKind == MNID_ID ? n.lID : 0)
            .Bind(6, n.ulKind == MNID_STRING ? n.lpwstrName : std::string())
            .Run();
        id = static_cast<ULONG>(next);
      }
      ids.push_back(id);
    }
    return ids;
  };
  std::vector<ULONG> ids = resolve_all(false);
  bool missing = std::find(ids.begin(), ids.end(), 0u) != ids.end();
  if (missing && create) ids = db_->Transaction([&] { return resolve_all(true); });
  return ids;
}

std::optional<MAPINAMEID> Backend::GetNameFromId(int64_t store_id, ULONG prop_id) {
  auto st = db_->Prepare("SELECT guid, kind, lid, name FROM named_props WHERE store_id=? AND prop_id=?");
  st.Bind(1, store_id).Bind(2, prop_id);
  if (!st.Step()) return std::nullopt;
  auto g = st.Blob(0);
  if (g.size() != 16) throw CorruptData{"broken named-property GUID"};
  MAPINAMEID n;
  n.lpguid = GuidFromBytes(g.data());
  n.ulKind = static_cast<ULONG>(st.Int(1));
  n.lID = static_cast<LONG>(st.Int(2));
  n.lpwstrName = st.Text(3);
  return n;
}

std::vector<AclEntry> Backend::FolderAcl(int64_t folder_id) {
  auto st = db_->Prepare(
      "SELECT member_id, rights FROM folder_acl WHERE folder_id=? ORDER BY member_id IS NOT NULL, position");
  st.Bind(1, folder_id);
  std::vector<std::pair<int64_t, ULONG>> rows;
  while (st.Step()) rows.emplace_back(st.IsNull(0) ? 0 : st.Int(0), static_cast<ULONG>(st.Int(1)));
  std::vector<AclEntry> out;
  if (rows.empty() || rows.front().first != 0) out.push_back(AclEntry{0, "", {}, 0});
  for (const auto& [member, rights] : rows) {
    AclEntry e;
    e.rights = rights;
    if (member) {
      auto r = RecipientById(member);
      if (!r) continue;
      e.member_name = r->display_name;
      e.member_entry_id = AddressBookEntryId(*r);
      e.member_id = member;
    }
    out.push_back(std::move(e));
  }
  return out;
}

std::vector<OutboundMail> Backend::OutboundLog() {
  auto st = db_->Prepare(
      "SELECT id, sender, subject, recipient_name, address_type, address, submitted FROM outbound_mail ORDER "
      "BY id");
  std::vector<OutboundMail> out;
  while (st.Step())
    out.push_back(OutboundMail{st.Int(0), st.Text(1), st.Text(2), st.Text(3), st.Text(4), st.Text(5),
                               static_cast<FILETIME>(st.Int(6))});
  return out;
}

}  // namespace korvale::mapi::orgstore
