// Windows account lookups over an AccountDirectory.
#include "platform/accounts/net_api.h"

#include <algorithm>
#include <optional>

#include "common/text.h"
#include "common/utf8.h"

namespace korvale::accounts {
namespace {

// Every NetAPI record holds at least one pointer.
constexpr DWORD kPointerBytes = 8;

std::string_view StripBackslashes(std::string_view server) {
  while (!server.empty() && server.front() == '\\') server.remove_prefix(1);
  return server;
}

// UTF-16 code units of UTF-8 text: what a Windows wide-string buffer holds.
// A character outside the basic plane takes a surrogate pair.
DWORD Utf16Units(std::string_view text) {
  DWORD units = 0;
  for (size_t pos = 0; pos < text.size();) {
    const Utf8Char c = DecodeUtf8(text, pos);
    units += c.code >= 0x10000 ? 2 : 1;
    pos += c.length;
  }
  return units;
}

DWORD WideStringBytes(std::string_view text) { return 2 * (Utf16Units(text) + 1); }

// Characters (code points) of UTF-8 text, for the ANSI buffer sizes.
DWORD CharCount(std::string_view text) { return static_cast<DWORD>(Utf8Length(text)); }

Status Failure(DWORD code, const char* text) { return Status::Error(text, code); }

// A directory failure other than the ones the call itself gives is, to the
// caller, a server that could not be asked.
DWORD UnreachableUnless(const Status& status, DWORD expected) {
  return status.code() == static_cast<int64_t>(expected) ? expected : RPC_S_SERVER_UNAVAILABLE;
}

bool IsGroupKind(SID_NAME_USE use) {
  return use == SID_NAME_USE::SidTypeGroup || use == SID_NAME_USE::SidTypeAlias ||
         use == SID_NAME_USE::SidTypeWellKnownGroup || use == SID_NAME_USE::SidTypeDomain;
}

// Whether `server` (no backslashes) is one of the domain's controllers.
// An empty server is the local system, which here answers for every domain.
bool AnswersForDomain(AccountDirectory& directory, std::string_view server, const std::string& domain) {
  if (server.empty()) return true;
  auto controllers = directory.DomainControllers(domain);
  if (!controllers.ok()) return false;
  return std::any_of(controllers->begin(), controllers->end(),
                     [&](const std::string& dc) { return EqualsNoCase(StripBackslashes(dc), server); });
}

// One page of `items` from *resume_handle on: at least one entry, then as many
// as fit `pref_max_len` bytes by `size_of`.
template <class Item, class Out, class SizeOf, class Convert>
NET_API_STATUS FillPage(const std::vector<Item>& items, DWORD pref_max_len, SizeOf size_of, Convert convert,
                        std::vector<Out>* buffer, DWORD* entries_read, DWORD* total_entries,
                        DWORD_PTR* resume_handle) {
  size_t start = resume_handle ? static_cast<size_t>(*resume_handle) : 0;
  start = std::min(start, items.size());
  uint64_t bytes = 0;
  size_t next = start;
  while (next < items.size()) {
    uint64_t size = size_of(items[next]);
    if (next > start && pref_max_len != MAX_PREFERRED_LENGTH && bytes + size > pref_max_len) break;
    buffer->push_back(convert(items[next]));
    bytes += size;
    ++next;
  }
  *entries_read = static_cast<DWORD>(next - start);
  *total_entries = static_cast<DWORD>(items.size() - start);
  if (next < items.size()) {
    if (resume_handle) *resume_handle = next;
    return ERROR_MORE_DATA;
  }
  if (resume_handle) *resume_handle = 0;
  return NERR_Success;
}

}  // namespace

Expected<AccountLookup> LookupAccountSid(AccountDirectory& directory, std::string_view, const Sid& sid,
                                         DWORD cch_name, DWORD cch_domain) {
  if (ConvertSidToStringSid(sid).empty()) {
    return Failure(ERROR_INVALID_SID, "The security ID structure is invalid.");
  }
  auto found = directory.FindSid(sid);
  if (!found.ok()) {
    return Failure(RPC_S_SERVER_UNAVAILABLE, "The RPC server is unavailable.");
  }
  if (!found->has_value()) {
    return Failure(ERROR_NONE_MAPPED, "No mapping between account names and security IDs was done.");
  }
  const DirectoryAccount& account = **found;
  if (CharCount(account.name) + 1 > cch_name || CharCount(account.domain) + 1 > cch_domain) {
    return Failure(ERROR_INSUFFICIENT_BUFFER, "The data area passed to a system call is too small.");
  }
  return AccountLookup{account.name, account.domain, account.type, account.sid};
}

Expected<AccountLookup> LookupAccountName(AccountDirectory& directory, std::string_view,
                                          std::string_view account_name) {
  if (account_name.empty()) {
    return Failure(ERROR_NONE_MAPPED, "No mapping between account names and security IDs was done.");
  }
  auto found = directory.FindName(std::string(account_name));
  if (!found.ok()) {
    return Failure(RPC_S_SERVER_UNAVAILABLE, "The RPC server is unavailable.");
  }
  if (!found->has_value()) {
    return Failure(ERROR_NONE_MAPPED, "No mapping between account names and security IDs was done.");
  }
  const DirectoryAccount& account = **found;
  return AccountLookup{account.name, account.domain, account.type, account.sid};
}

NET_API_STATUS NetGetDCName(AccountDirectory& directory, std::string_view, std::string_view domain_name,
                            std::string* dc_name) {
  dc_name->clear();
  if (domain_name.empty()) return NERR_DCNotFound;
  auto controllers = directory.DomainControllers(std::string(domain_name));
  if (!controllers.ok()) return UnreachableUnless(controllers.status(), NERR_DCNotFound);
  if (controllers->empty()) return NERR_DCNotFound;
  *dc_name = "\\\\" + std::string(StripBackslashes(controllers->front()));
  return NERR_Success;
}

NET_API_STATUS DsGetDcName(AccountDirectory& directory, std::string_view, std::string_view domain_name,
                           DWORD flags, DOMAIN_CONTROLLER_INFO* info) {
  *info = {};
  if (domain_name.empty()) return ERROR_NO_SUCH_DOMAIN;
  auto domains = directory.Domains();
  if (!domains.ok()) return RPC_S_SERVER_UNAVAILABLE;
  const std::string suffix = "." + Lower(std::string(domain_name));
  for (const auto& domain : *domains) {
    auto controllers = directory.DomainControllers(domain);
    if (!controllers.ok()) continue;
    for (const auto& controller : *controllers) {
      std::string host = Lower(std::string(StripBackslashes(controller)));
      if (host.size() <= suffix.size() ||
          host.compare(host.size() - suffix.size(), suffix.size(), suffix) != 0)
        continue;
      info->DomainControllerName = "\\\\" + std::string(StripBackslashes(controller));
      info->DomainName = (flags & DS_RETURN_FLAT_NAME) ? domain : std::string(domain_name);
      return NERR_Success;
    }
  }
  return ERROR_NO_SUCH_DOMAIN;
}

NET_API_STATUS NetGroupGetUsers(AccountDirectory& directory, std::string_view server_name,
                                std::string_view group_name, DWORD level,
                                std::vector<GROUP_USERS_INFO_0>* buffer, DWORD pref_max_len,
                                DWORD* entries_read, DWORD* total_entries, DWORD_PTR* resume_handle) {
  buffer->clear();
  *entries_read = 0;
  *total_entries = 0;
  if (level != 0) return ERROR_INVALID_LEVEL;
  auto group = directory.FindName(std::string(group_name));
  if (!group.ok()) return RPC_S_SERVER_UNAVAILABLE;
  if (!group->has_value() || (*group)->type != SID_NAME_USE::SidTypeGroup) {
    return NERR_GroupNotFound;
  }
  const std::string domain = (*group)->domain;
  if (!AnswersForDomain(directory, StripBackslashes(server_name), domain)) {
    return NERR_GroupNotFound;
  }
  auto members = directory.GroupMembers(domain, (*group)->name);
  if (!members.ok()) return UnreachableUnless(members.status(), NERR_GroupNotFound);

  // Windows lists the user objects of a group (computers are users too), not
  // the groups nested in it.
  std::vector<DirectoryAccount> users;
  for (auto& m : *members) {
    if (!IsGroupKind(m.type)) users.push_back(std::move(m));
  }
  return FillPage(
      users, pref_max_len, [](const DirectoryAccount& a) { return kPointerBytes + WideStringBytes(a.name); },
      [](const DirectoryAccount& a) { return GROUP_USERS_INFO_0{a.name}; }, buffer, entries_read,
      total_entries, resume_handle);
}

NET_API_STATUS NetLocalGroupGetMembers(AccountDirectory& directory, std::string_view server_name,
                                       std::string_view local_group_name, DWORD level,
                                       std::vector<LOCALGROUP_MEMBERS_INFO>* buffer, DWORD pref_max_len,
                                       DWORD* entries_read, DWORD* total_entries, DWORD_PTR* resume_handle) {
  buffer->clear();
  *entries_read = 0;
  *total_entries = 0;
  if (level > 3) return ERROR_INVALID_LEVEL;
  const std::string server(StripBackslashes(server_name));
  const std::string group(local_group_name);

  std::optional<std::vector<DirectoryAccount>> members;
  if (!server.empty()) {
    auto on_machine = directory.LocalGroupMembers(server, group);
    if (on_machine.ok()) {
      members = std::move(*on_machine);
    } else if (on_machine.status().code() != NERR_GroupNotFound) {
      return RPC_S_SERVER_UNAVAILABLE;
    }
  }
  if (!members) {
    // A domain-local group, asked on one of its domain's controllers.
    auto alias = directory.FindName(group);
    if (!alias.ok()) return RPC_S_SERVER_UNAVAILABLE;
    if (!alias->has_value() || (*alias)->type != SID_NAME_USE::SidTypeAlias ||
        !AnswersForDomain(directory, server, (*alias)->domain)) {
      return ERROR_NO_SUCH_ALIAS;
    }
    auto in_domain = directory.LocalGroupMembers((*alias)->domain, (*alias)->name);
    if (!in_domain.ok()) {
      return in_domain.status().code() == NERR_GroupNotFound ? ERROR_NO_SUCH_ALIAS : RPC_S_SERVER_UNAVAILABLE;
    }
    members = std::move(*in_domain);
  }

  auto size_of = [level](const DirectoryAccount& a) -> uint64_t {
    const uint64_t domain_and_name = WideStringBytes(a.domain + "\\" + a.name);
    switch (level) {
      case 0: return kPointerBytes + a.sid.size();
      case 1: return 2 * kPointerBytes + 4 + a.sid.size() + WideStringBytes(a.name);
      case 2: return 2 * kPointerBytes + 4 + a.sid.size() + domain_and_name;
      default: return kPointerBytes + domain_and_name;
    }
  };
  auto convert = [level](const DirectoryAccount& a) {
    LOCALGROUP_MEMBERS_INFO info;
    if (level <= 2) info.lgrmi_sid = a.sid;
    if (level == 1 || level == 2) info.lgrmi_sidusage = a.type;
    if (level == 1) info.lgrmi_name = a.name;
    if (level >= 2) info.lgrmi_domainandname = a.domain + "\\" + a.name;
    return info;
  };
  return FillPage(*members, pref_max_len, size_of, convert, buffer, entries_read, total_entries,
                  resume_handle);
}

}  // namespace korvale::accounts
