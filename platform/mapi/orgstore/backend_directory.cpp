// Directory: recipients, distribution-list members, servers and the
// address-book view of an entry.
#include <algorithm>
#include <cctype>

#include "platform/mapi/orgstore/backend.h"
#include "platform/mapi/orgstore/backend_internal.h"
#include "platform/mapi/orgstore/entry_ids.h"

namespace korvale::mapi::orgstore {

namespace {

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

}  // namespace korvale::mapi::orgstore
