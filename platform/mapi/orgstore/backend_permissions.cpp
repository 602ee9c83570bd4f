// Permissions of a folder.
#include "platform/mapi/orgstore/backend.h"

namespace korvale::mapi::orgstore {

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

}  // namespace korvale::mapi::orgstore
