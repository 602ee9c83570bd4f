// Names of the property tags for logs and test messages.
#include "platform/mapi/mapi_tags.h"

#include <cstdio>

namespace korvale::mapi {
namespace {

struct TagEntry {
  ULONG tag;
  const char* name;
};

constexpr TagEntry kTags[] = {
#define MAPI_TAG(name, type, id) {PROP_TAG(type, id), #name},
#include "platform/mapi/mapi_tags.inc"
#undef MAPI_TAG
};

}  // namespace

std::string TagName(ULONG tag) {
  for (const auto& t : kTags)
    if (t.tag == tag) return t.name;
  for (const auto& t : kTags)
    if (PROP_ID(t.tag) == PROP_ID(tag) && PROP_ID(tag) < kFirstNamedPropId)
      return std::string(t.name) + ":" + PropTypeName(PROP_TYPE(tag));
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08X", tag);
  return buf;
}

}  // namespace korvale::mapi
