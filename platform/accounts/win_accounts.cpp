// Names and text forms of the Windows account vocabulary.
#include "platform/accounts/win_accounts.h"

#include "platform/mapi/orgstore/org_store.h"

namespace korvale::accounts {

const char* ToString(SID_NAME_USE use) {
  switch (use) {
    case SID_NAME_USE::SidTypeUser: return "SidTypeUser";
    case SID_NAME_USE::SidTypeGroup: return "SidTypeGroup";
    case SID_NAME_USE::SidTypeDomain: return "SidTypeDomain";
    case SID_NAME_USE::SidTypeAlias: return "SidTypeAlias";
    case SID_NAME_USE::SidTypeWellKnownGroup: return "SidTypeWellKnownGroup";
    case SID_NAME_USE::SidTypeDeletedAccount: return "SidTypeDeletedAccount";
    case SID_NAME_USE::SidTypeInvalid: return "SidTypeInvalid";
    case SID_NAME_USE::SidTypeUnknown: return "SidTypeUnknown";
    case SID_NAME_USE::SidTypeComputer: return "SidTypeComputer";
  }
  return "SidType?";
}

// The organisation store already reads and writes the text form; one
// implementation keeps the two in agreement.
bool ConvertStringSidToSid(const std::string& text, Sid* sid) {
  return mapi::orgstore::SidFromString(text, sid);
}

std::string ConvertSidToStringSid(const Sid& sid) { return mapi::orgstore::SidToString(sid); }

}  // namespace korvale::accounts
