// Messages: loading, saving and deleting one with its recipients,
// attachments and embedded messages.
#include <algorithm>

#include "platform/mapi/orgstore/backend.h"
#include "platform/mapi/orgstore/backend_internal.h"
#include "platform/mapi/orgstore/codec.h"

namespace korvale::mapi::orgstore {

MessageData MessageData::Clone() const {
  MessageData copy = *this;
  for (auto& a : copy.attachments)
    if (a.embedded) a.embedded = std::make_shared<MessageData>(a.embedded->Clone());
  return copy;
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

}  // namespace korvale::mapi::orgstore
