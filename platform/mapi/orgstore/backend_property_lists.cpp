// Property list helpers shared by every object of the organisation store.
#include <algorithm>
#include <chrono>

#include "platform/mapi/orgstore/backend.h"
#include "platform/mapi/orgstore/backend_internal.h"
#include "platform/mapi/orgstore/codec.h"

namespace korvale::mapi::orgstore {

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

std::vector<SPropValue> DecodeOrThrow(const std::vector<uint8_t>& blob, const std::string& what) {
  auto v = DecodePropList(blob);
  if (!v) throw CorruptData{"broken property list in " + what};
  return std::move(*v);
}

}  // namespace korvale::mapi::orgstore
