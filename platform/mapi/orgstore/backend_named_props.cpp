// Named properties of a store: the map from names to property ids, assigned
// in one transaction so that every process sees the same ids.
#include <algorithm>

#include "platform/mapi/orgstore/backend.h"

namespace korvale::mapi::orgstore {

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

}  // namespace korvale::mapi::orgstore
