// Named property tags (PR_ constants) with the values [MS-OXPROPS] gives
// them, and their names for logs and test messages.
//
//   SPropTagArray cols{PR_ENTRYID, PR_DISPLAY_NAME, PR_OBJECT_TYPE};
//   TagName(PR_SUBJECT) == "PR_SUBJECT"
#pragma once

#include <string>

#include "platform/mapi/mapi_defs.h"

namespace korvale::mapi {

#define MAPI_TAG(name, type, id) inline constexpr ULONG name = PROP_TAG(type, id);
#include "platform/mapi/mapi_tags.inc"
#undef MAPI_TAG

// Custom attribute n (1..15) of a directory entry: the string property 0x802C + n.
constexpr ULONG PR_EMS_AB_EXTENSION_ATTRIBUTE(int n) {
  return PROP_TAG(PT_STRING8, 0x802C + static_cast<ULONG>(n));
}

// "PR_SUBJECT" for a tag known here (an exact tag match, else a match by
// identifier with the type appended: "PR_SUBJECT:PT_UNICODE"); otherwise
// "0x0037001F".
std::string TagName(ULONG tag);

}  // namespace korvale::mapi
