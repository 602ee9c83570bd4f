// Windows account vocabulary as the agent and the configuration program use
// it: SID_NAME_USE, the Win32 and NetAPI result codes of account lookups, and
// the NetAPI record shapes (GROUP_USERS_INFO_0, LOCALGROUP_MEMBERS_INFO_n).
// Values and names are Windows' own, so callers read like their Windows
// counterparts and event texts carry the same numbers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace korvale::accounts {

using DWORD = uint32_t;
using DWORD_PTR = uint64_t;
using NET_API_STATUS = DWORD;

// A security identifier in its binary form (revision, sub-authority count,
// 48-bit authority, 32-bit sub-authorities little-endian).
using Sid = std::vector<uint8_t>;

// What kind of account a SID names (winnt.h numbering).
enum class SID_NAME_USE : int {
  SidTypeUser = 1,
  SidTypeGroup = 2,
  SidTypeDomain = 3,
  SidTypeAlias = 4,  // a local group
  SidTypeWellKnownGroup = 5,
  SidTypeDeletedAccount = 6,
  SidTypeInvalid = 7,
  SidTypeUnknown = 8,
  SidTypeComputer = 9,
};

// Win32 and NetAPI result codes the lookups give.
inline constexpr DWORD ERROR_SUCCESS = 0;
inline constexpr DWORD NERR_Success = 0;
inline constexpr DWORD ERROR_ACCESS_DENIED = 5;
inline constexpr DWORD ERROR_INVALID_PARAMETER = 87;
inline constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;
inline constexpr DWORD ERROR_INVALID_LEVEL = 124;
inline constexpr DWORD ERROR_MORE_DATA = 234;
inline constexpr DWORD ERROR_NONE_MAPPED = 1332;
inline constexpr DWORD ERROR_INVALID_SID = 1337;
inline constexpr DWORD ERROR_NO_SUCH_ALIAS = 1376;
inline constexpr DWORD RPC_S_SERVER_UNAVAILABLE = 1722;
inline constexpr DWORD NERR_GroupNotFound = 2220;
inline constexpr DWORD NERR_InvalidComputer = 2351;
inline constexpr DWORD NERR_DCNotFound = 2453;

// prefmaxlen that asks for every entry in one call.
inline constexpr DWORD MAX_PREFERRED_LENGTH = 0xFFFFFFFF;

// NetGroupGetUsers, level 0.
struct GROUP_USERS_INFO_0 {
  std::string grui0_name;
};

// NetLocalGroupGetMembers: one record type for levels 0 to 3; the fields a
// level does not return stay empty (level 0: sid; 1: sid, usage, name;
// 2: sid, usage, domain and name; 3: domain and name).
struct LOCALGROUP_MEMBERS_INFO {
  Sid lgrmi_sid;
  SID_NAME_USE lgrmi_sidusage = SID_NAME_USE::SidTypeUnknown;
  std::string lgrmi_name;           // level 1: the account name alone
  std::string lgrmi_domainandname;  // levels 2 and 3: "DOMAIN\\name"
};

// "SidTypeGroup" ... for logs and test messages.
const char* ToString(SID_NAME_USE use);

// SID text "S-1-5-21-1-2-3-1001" <-> binary form (Windows'
// ConvertStringSidToSid / ConvertSidToStringSid); false / empty when malformed.
bool ConvertStringSidToSid(const std::string& text, Sid* sid);
std::string ConvertSidToStringSid(const Sid& sid);

}  // namespace korvale::accounts
