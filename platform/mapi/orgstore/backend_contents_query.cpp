// Contents queries: the messages of a folder that satisfy a restriction,
// narrowed first by indexed SQL where the restriction allows it.
#include "platform/mapi/orgstore/backend.h"
#include "platform/mapi/orgstore/backend_internal.h"
#include "platform/mapi/orgstore/codec.h"
#include "platform/mapi/orgstore/entry_ids.h"

namespace korvale::mapi::orgstore {

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

}  // namespace korvale::mapi::orgstore
