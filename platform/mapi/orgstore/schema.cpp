// Schema of the organisation store.
//
// Directory entries keep their address-book properties as one property-list
// blob. Messages keep theirs twice: one row per property, so that
// contents-table restrictions on numbers and times are answered through the
// (prop_id, ival) index, and as one list in messages.props, so that reading a
// message is one row rather than one per property. Stores of version 1 lack
// the list; their messages are read from the rows until they are saved again.
#include "platform/mapi/orgstore/schema.h"

#include <string>

#include "platform/mapi/mapi_defs.h"

namespace korvale::mapi::orgstore {

namespace {

constexpr const char* kSchema = R"SQL(
CREATE TABLE meta (key TEXT PRIMARY KEY, value TEXT NOT NULL);
CREATE TABLE servers (
  id INTEGER PRIMARY KEY,
  name TEXT NOT NULL UNIQUE COLLATE NOCASE,
  org TEXT NOT NULL,
  site TEXT NOT NULL,
  legacy_dn TEXT NOT NULL UNIQUE COLLATE NOCASE);
CREATE TABLE domains (
  id INTEGER PRIMARY KEY,
  name TEXT NOT NULL UNIQUE COLLATE NOCASE,
  sid BLOB NOT NULL,
  next_rid INTEGER NOT NULL DEFAULT 1000);
CREATE TABLE domain_controllers (
  domain_id INTEGER NOT NULL REFERENCES domains(id),
  position INTEGER NOT NULL,
  name TEXT NOT NULL,
  PRIMARY KEY (domain_id, position));
CREATE TABLE accounts (
  id INTEGER PRIMARY KEY,
  domain TEXT NOT NULL COLLATE NOCASE,
  name TEXT NOT NULL COLLATE NOCASE,
  type INTEGER NOT NULL,
  sid BLOB NOT NULL UNIQUE,
  UNIQUE (domain, name));
CREATE TABLE account_members (
  group_id INTEGER NOT NULL REFERENCES accounts(id),
  position INTEGER NOT NULL,
  member_id INTEGER NOT NULL REFERENCES accounts(id),
  PRIMARY KEY (group_id, position));
CREATE TABLE recipients (
  id INTEGER PRIMARY KEY,
  kind INTEGER NOT NULL,
  alias TEXT NOT NULL UNIQUE COLLATE NOCASE,
  legacy_dn TEXT NOT NULL UNIQUE COLLATE NOCASE,
  display_name TEXT NOT NULL,
  smtp TEXT NOT NULL COLLATE NOCASE,
  server_id INTEGER REFERENCES servers(id),
  props BLOB NOT NULL);
CREATE INDEX recipients_smtp ON recipients(smtp);
CREATE TABLE dl_members (
  list_id INTEGER NOT NULL REFERENCES recipients(id),
  position INTEGER NOT NULL,
  member_id INTEGER NOT NULL REFERENCES recipients(id),
  PRIMARY KEY (list_id, position));
CREATE TABLE stores (
  id INTEGER PRIMARY KEY,
  recipient_id INTEGER NOT NULL UNIQUE REFERENCES recipients(id),
  guid BLOB NOT NULL UNIQUE,
  inbox_id INTEGER,
  calendar_id INTEGER,
  sent_id INTEGER);
CREATE TABLE folders (
  id INTEGER PRIMARY KEY,
  store_id INTEGER NOT NULL REFERENCES stores(id),
  kind TEXT NOT NULL,
  display_name TEXT NOT NULL,
  container_class TEXT NOT NULL);
CREATE TABLE messages (
  id INTEGER PRIMARY KEY,
  store_id INTEGER NOT NULL REFERENCES stores(id),
  folder_id INTEGER REFERENCES folders(id),
  owner_attachment_id INTEGER,
  props BLOB);
CREATE INDEX messages_folder ON messages(folder_id);
CREATE TABLE message_props (
  message_id INTEGER NOT NULL REFERENCES messages(id) ON DELETE CASCADE,
  prop_id INTEGER NOT NULL,
  prop_type INTEGER NOT NULL,
  ival INTEGER,
  value BLOB NOT NULL,
  PRIMARY KEY (message_id, prop_id)) WITHOUT ROWID;
CREATE INDEX message_props_value ON message_props(prop_id, ival);
CREATE TABLE recipients_of_message (
  message_id INTEGER NOT NULL REFERENCES messages(id) ON DELETE CASCADE,
  row_id INTEGER NOT NULL,
  props BLOB NOT NULL,
  PRIMARY KEY (message_id, row_id)) WITHOUT ROWID;
CREATE TABLE attachments (
  id INTEGER PRIMARY KEY,
  message_id INTEGER NOT NULL REFERENCES messages(id) ON DELETE CASCADE,
  attach_num INTEGER NOT NULL,
  props BLOB NOT NULL,
  embedded_message_id INTEGER,
  UNIQUE (message_id, attach_num));
CREATE TABLE named_props (
  store_id INTEGER NOT NULL REFERENCES stores(id),
  prop_id INTEGER NOT NULL,
  guid BLOB NOT NULL,
  kind INTEGER NOT NULL,
  lid INTEGER NOT NULL,
  name TEXT NOT NULL,
  PRIMARY KEY (store_id, prop_id),
  UNIQUE (store_id, guid, kind, lid, name));
CREATE TABLE folder_acl (
  folder_id INTEGER NOT NULL REFERENCES folders(id),
  position INTEGER NOT NULL,
  member_id INTEGER REFERENCES recipients(id),
  rights INTEGER NOT NULL,
  PRIMARY KEY (folder_id, position));
CREATE TABLE outbound_mail (
  id INTEGER PRIMARY KEY,
  submitted INTEGER NOT NULL,
  sender TEXT NOT NULL,
  subject TEXT NOT NULL,
  recipient_name TEXT NOT NULL,
  address_type TEXT NOT NULL,
  address TEXT NOT NULL);
)SQL";

}  // namespace

void EnsureSchema(Db& db, bool create) {
  bool has_meta = false;
  {
    auto st = db.Prepare("SELECT 1 FROM sqlite_master WHERE type='table' AND name='meta'");
    has_meta = st.Step();
  }
  if (!has_meta) {
    bool empty = true;
    {
      auto st = db.Prepare("SELECT 1 FROM sqlite_master");
      empty = !st.Step();
    }
    if (!create || !empty) throw DbError{db.Path() + " is not an organisation store", 0};
    db.Transaction([&] {
      // Another process may have created it between the look and the lock.
      auto again = db.Prepare("SELECT 1 FROM sqlite_master WHERE type='table' AND name='meta'");
      if (again.Step()) return;
      db.Exec(kSchema);
      db.Prepare("INSERT INTO meta VALUES ('schema_version', ?)")
          .Bind(1, std::to_string(kSchemaVersion))
          .Run();
      db.Prepare("INSERT INTO meta VALUES ('database_guid', ?)").Bind(1, ToString(NewGuid())).Run();
    });
    return;
  }
  auto version = [&] {
    auto st = db.Prepare("SELECT value FROM meta WHERE key='schema_version'");
    return st.Step() ? st.Text(0) : std::string();
  };
  if (version() == "1") {
    db.Transaction([&] {
      if (version() != "1") return;  // another process was first
      db.Exec("ALTER TABLE messages ADD COLUMN props BLOB");
      db.Prepare("UPDATE meta SET value=? WHERE key='schema_version'")
          .Bind(1, std::to_string(kSchemaVersion))
          .Run();
    });
  }
  if (version() != std::to_string(kSchemaVersion))
    throw DbError{db.Path() + " is an organisation store of another version", 0};
}

}  // namespace korvale::mapi::orgstore
