// The Windows account lookups the system calls (LookupAccountSid,
// LookupAccountName, NetGetDCName, NetGroupGetUsers,
// NetLocalGroupGetMembers), answered from an AccountDirectory with Windows'
// results: the same codes, the same paging with a resume handle and
// ERROR_MORE_DATA, machine accounts included as Windows lists them.
//
//   auto who = LookupAccountSid(directory, "\\\\DC1", sid, 255, 255);
//   if (!who.ok()) report(who.status().code());      // e.g. ERROR_NONE_MAPPED
//   else if (who->use != SID_NAME_USE::SidTypeGroup) add(who->domain + "\\" + who->name);
//
// Server and system names may be given with or without the leading "\\\\";
// empty means the local system. The directory is the organisation's and is
// trusted everywhere, so a SID or name lookup answers on any system; group
// listings answer only on a controller of the group's domain (or, for local
// groups, the machine that holds them), as Windows does.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/status.h"
#include "platform/accounts/account_directory.h"
#include "platform/accounts/win_accounts.h"

namespace korvale::accounts {

struct AccountLookup {
  std::string name;
  std::string domain;
  SID_NAME_USE use = SID_NAME_USE::SidTypeUnknown;
  Sid sid;  // filled by LookupAccountName
};

// The account of a SID. Status codes: ERROR_INVALID_SID (malformed SID),
// ERROR_NONE_MAPPED (no such account), ERROR_INSUFFICIENT_BUFFER (name or
// domain does not fit its buffer of cch_name / cch_domain characters including
// the terminating zero), RPC_S_SERVER_UNAVAILABLE (directory unreadable).
Expected<AccountLookup> LookupAccountSid(AccountDirectory& directory, std::string_view system_name,
                                         const Sid& sid, DWORD cch_name = MAX_PREFERRED_LENGTH,
                                         DWORD cch_domain = MAX_PREFERRED_LENGTH);

// The account of "DOMAIN\\name" or "name"; ERROR_NONE_MAPPED when none.
Expected<AccountLookup> LookupAccountName(AccountDirectory& directory, std::string_view system_name,
                                          std::string_view account_name);

// The primary domain controller of `domain` as "\\\\DC1". NERR_DCNotFound when
// the domain is unknown, has no controller, or is not given (the local
// machine's own domain is not known here).
NET_API_STATUS NetGetDCName(AccountDirectory& directory, std::string_view server_name,
                            std::string_view domain_name, std::string* dc_name);

// DsGetDcName: a controller of the domain with the DNS name `domain_name`
// (DS_IS_DNS_NAME). A domain's DNS name is known from its controllers'
// full names ("\\\\dc1.corp.example.org" is a controller of
// "corp.example.org"). The info holds the controller as "\\\\dc1.corp.example.org"
// and the DNS domain name, or with DS_RETURN_FLAT_NAME the NetBIOS name in
// DomainName. ERROR_NO_SUCH_DOMAIN when no domain has that DNS name,
// RPC_S_SERVER_UNAVAILABLE when the directory cannot be read.
struct DOMAIN_CONTROLLER_INFO {
  std::string DomainControllerName;
  std::string DomainName;
};
inline constexpr DWORD DS_IS_DNS_NAME = 0x00020000;
inline constexpr DWORD DS_RETURN_FLAT_NAME = 0x80000000;
inline constexpr DWORD ERROR_NO_SUCH_DOMAIN = 1355;
NET_API_STATUS DsGetDcName(AccountDirectory& directory, std::string_view computer_name,
                           std::string_view domain_name, DWORD flags, DOMAIN_CONTROLLER_INFO* info);

// Users of a global group (level 0 only), asked on a controller of the
// group's domain. Each call returns entries from *resume_handle on (0 at the
// first call) until about `pref_max_len` bytes are filled (at least one
// entry), counting each entry as a pointer plus its name in UTF-16 with the
// terminating zero, as Windows sizes its buffers. ERROR_MORE_DATA and the
// resume handle of the next entry when more remain; NERR_Success and a resume
// handle of 0 at the end. Users and computer accounts are listed, nested
// groups are not. Other results: ERROR_INVALID_LEVEL, NERR_GroupNotFound (no
// such group on that server), RPC_S_SERVER_UNAVAILABLE.
NET_API_STATUS NetGroupGetUsers(AccountDirectory& directory, std::string_view server_name,
                                std::string_view group_name, DWORD level,
                                std::vector<GROUP_USERS_INFO_0>* buffer, DWORD pref_max_len,
                                DWORD* entries_read, DWORD* total_entries, DWORD_PTR* resume_handle);

// Members of a local group, levels 0 to 3 (see LOCALGROUP_MEMBERS_INFO), paged
// like NetGroupGetUsers. The group is looked for on the machine named by
// `server_name`, then among the domain-local groups of the domain that the
// server is a controller of. ERROR_NO_SUCH_ALIAS when there is no such group.
NET_API_STATUS NetLocalGroupGetMembers(AccountDirectory& directory, std::string_view server_name,
                                       std::string_view local_group_name, DWORD level,
                                       std::vector<LOCALGROUP_MEMBERS_INFO>* buffer, DWORD pref_max_len,
                                       DWORD* entries_read, DWORD* total_entries, DWORD_PTR* resume_handle);

}  // namespace korvale::accounts
