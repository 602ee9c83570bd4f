// Calendar permissions to account lists.
#include "agent/scan/folder_rights.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "common/utf8.h"
#include "platform/accounts/net_api.h"

namespace korvale {
namespace {

using mapi::ULONG;

// Group users are asked for in small pages, so one call never has to carry a
// whole large group.
constexpr accounts::DWORD kGroupPageBytes = 256;
// Name and domain buffers of the SID lookup.
constexpr accounts::DWORD kAccountBufferChars = 255;
// FolderRightsLimited: stop resolving past this many characters, store at most 1024.
constexpr size_t kResolveLimit = 1023;
constexpr size_t kStoredLimit = 1024;

std::string DeletedAccountText(accounts::DWORD code, const std::string& mailbox) {
  return std::to_string(static_cast<int>(code)) + "\r\nThis error occured while scanning mailbox " + mailbox +
         ".\r\nThis is just a warning that you can safely ignore. It is generated because " + mailbox +
         " has given permissions on his/her Outlook Calendar folder to another account, which has "
         "been deleted in the meantime. To stop this warning from occurring, open " +
         mailbox +
         "'s Mailbox with Outlook, right-click the Calendar folder, select Properties, "
         "Permissions, and remove the permission setting pointing to the nonexistent mailbox";
}

std::string Code(accounts::NET_API_STATUS status) { return std::to_string(static_cast<int>(status)); }

}  // namespace

void AddAccountName(std::string& accounts, std::string_view name) {
  if (accounts.find(name) != std::string::npos) return;
  if (!accounts.empty()) accounts += "; ";
  accounts += name;
}

FolderRights::FolderRights(mapi::IAddrBook& address_book, accounts::AccountDirectory& accounts, AgentLog& log,
                           const AgentSettings& settings, std::string mailbox_name, std::string pdc)
    : address_book_(address_book),
      accounts_(accounts),
      log_(log),
      limited_(settings.folder_rights_limited != 0),
      dialect_(StatementDialect(settings)),
      mailbox_name_(std::move(mailbox_name)),
      pdc_(std::move(pdc)) {}

bool FolderRights::PastLimit(const std::string& accounts) const {
  return limited_ && Utf8Length(accounts) > kResolveLimit;
}

std::string FolderRights::ReadFolderAccounts(const mapi::FolderACLs& acls, ULONG mask) {
  std::string result;
  for (const mapi::AclEntry& entry : acls.Entries()) {
    if ((entry.rights & mask) == 0) continue;
    if (entry.member_name.empty()) return std::string(kAnyAccount);
    GetFolderRights(result, entry.member_entry_id, entry.member_name);
  }
  return result;
}

void FolderRights::GetFolderRights(std::string& accounts, const mapi::ENTRYID& member,
                                   std::string_view member_name) {
  Visited visited;
  AddMember(accounts, member, member_name, visited);
}

void FolderRights::ExpandDistList(std::string& accounts, mapi::IDistList& list) {
  Visited visited;
  Expand(accounts, list, visited);
}

void FolderRights::AddMember(std::string& accounts, const mapi::ENTRYID& member, std::string_view member_name,
                             Visited& visited) {
  try {
    if (PastLimit(accounts)) return;
    ULONG object_type = 0;
    std::shared_ptr<mapi::IUnknown> object;
    mapi::HRESULT hr =
        address_book_.OpenEntry(member, nullptr, mapi::MAPI_BEST_ACCESS, &object_type, &object);
    auto entry = mapi::mapi_cast<mapi::IMAPIProp>(object);
    if (mapi::FAILED(hr) || !entry) {
      log_.LogEvent(EventType::kError, event_id::kOwnerEntry, member_name, "GetFolderRights");
      return;
    }

    mapi::SPropValue kind;
    if (mapi::SUCCEEDED(mapi::HrGetOneProp(entry.get(), mapi::PR_OBJECT_TYPE, &kind)) && kind.Long() &&
        static_cast<ULONG>(*kind.Long()) == mapi::MAPI_DISTLIST) {
      auto list = mapi::mapi_cast<mapi::IDistList>(object);
      if (list && visited.insert(member).second) Expand(accounts, *list, visited);
      return;
    }

    mapi::SPropValue sid;
    hr = mapi::HrGetOneProp(entry.get(), mapi::PR_EMS_AB_ASSOC_NT_ACCOUNT, &sid);
    if (mapi::FAILED(hr) || !sid.Binary()) {
      log_.LogEvent(
          EventType::kWarning, event_id::kNoAssocAccount,
          std::string(member_name) + ". This error occured while scanning mailbox " + mailbox_name_);
      return;
    }
    AddAccountOfSid(accounts, *sid.Binary(), member_name);
  } catch (...) {
    log_.LogEvent(EventType::kWarning, event_id::kGeneral,
                  "General Error reading permissions for a user in mailbox " + mailbox_name_ + ".");
  }
}

void FolderRights::Expand(std::string& accounts, mapi::IDistList& list, Visited& visited) {
  const std::string general_error =
      "General Error reading permissions in calendar of mailbox " + mailbox_name_ + ".";
  try {
    if (PastLimit(accounts)) return;
    std::shared_ptr<mapi::IMAPITable> table;
    mapi::SRowSet rows;
    const mapi::SPropTagArray columns{mapi::PR_ENTRYID, mapi::PR_DISPLAY_NAME, mapi::PR_OBJECT_TYPE};
    if (mapi::FAILED(list.GetContentsTable(0, &table)) || !table ||
        mapi::FAILED(mapi::HrQueryAllRows(table.get(), &columns, nullptr, nullptr, 0, &rows))) {
      log_.LogEvent(EventType::kWarning, event_id::kGeneral, general_error);
      return;
    }
    for (const mapi::SRow& row : rows.aRow) {
      if (row.cValues() < 3) continue;
      const mapi::ENTRYID id = row[0].Binary() ? *row[0].Binary() : mapi::ENTRYID{};
      const std::string name = row[1].String() ? *row[1].String() : std::string();
      const bool is_list = row[2].Long() && static_cast<ULONG>(*row[2].Long()) == mapi::MAPI_DISTLIST;
      if (!is_list) {
        AddMember(accounts, id, name, visited);
        continue;
      }
      // A list already expanded in this walk adds nothing new; expanding it
      // again would never end for lists that contain each other.
      if (!visited.insert(id).second) continue;
      ULONG object_type = 0;
      std::shared_ptr<mapi::IUnknown> object;
      mapi::HRESULT hr = address_book_.OpenEntry(id, nullptr, mapi::MAPI_BEST_ACCESS, &object_type, &object);
      auto nested = mapi::mapi_cast<mapi::IDistList>(object);
      if (mapi::FAILED(hr) || !nested) return;
      Expand(accounts, *nested, visited);
    }
  } catch (...) {
    log_.LogEvent(EventType::kWarning, event_id::kGeneral, general_error);
  }
}

void FolderRights::AddAccountOfSid(std::string& accounts, const mapi::SBinary& sid,
                                   std::string_view member_name) {
  auto who = accounts::LookupAccountSid(accounts_, pdc_, sid, kAccountBufferChars, kAccountBufferChars);
  if (!who.ok()) {
    log_.LogEvent(EventType::kWarning, event_id::kSidLookup,
                  DeletedAccountText(static_cast<accounts::DWORD>(who.status().code()), mailbox_name_),
                  member_name);
    return;
  }
  if (who->use != accounts::SID_NAME_USE::SidTypeGroup) {
    AddAccountName(accounts, who->domain + "\\" + who->name);
    return;
  }
  AddGroupUsers(accounts, who->domain, who->name);
}

void FolderRights::AddGroupUsers(std::string& accounts, const std::string& domain, const std::string& group) {
  std::string controller = pdc_;
  if (controller.empty()) {
    accounts::NET_API_STATUS status = accounts::NetGetDCName(accounts_, "", domain, &controller);
    if (status == accounts::NERR_DCNotFound) {
      log_.LogEvent(EventType::kError, event_id::kDcNotFound, domain);
      return;
    }
    if (status != accounts::NERR_Success) {
      log_.LogEvent(EventType::kError, event_id::kDcLookup, domain, Code(status));
      return;
    }
  }
  accounts::DWORD_PTR resume = 0;
  accounts::NET_API_STATUS status = accounts::NERR_Success;
  do {
    std::vector<accounts::GROUP_USERS_INFO_0> users;
    accounts::DWORD read = 0, total = 0;
    status = accounts::NetGroupGetUsers(accounts_, controller, group, 0, &users, kGroupPageBytes, &read,
                                        &total, &resume);
    if (status != accounts::NERR_Success && status != accounts::ERROR_MORE_DATA) {
      log_.LogEvent(EventType::kError, event_id::kGroupMembers, group, controller, Code(status));
      return;
    }
    for (const auto& user : users) {
      if (user.grui0_name.ends_with('$')) continue;  // machine accounts
      AddAccountName(accounts, domain + "\\" + user.grui0_name);
    }
  } while (status == accounts::ERROR_MORE_DATA);
}

std::string FolderRights::LimitAndQuote(std::string accounts) {
  if (limited_ && Utf8Length(accounts) > kStoredLimit) {
    // Doubling the apostrophes must not push the list past the limit again.
    const size_t apostrophes = static_cast<size_t>(std::count(accounts.begin(), accounts.end(), '\''));
    accounts.resize(
        Utf8Prefix(accounts, apostrophes >= kStoredLimit ? 0 : kStoredLimit - apostrophes).size());
    log_.LogEvent(EventType::kWarning, event_id::kSqlTraceOrTiming,
                  "The list of accounts with permissons to the Calendar folder of mailbox " + mailbox_name_ +
                      " was truncated. Some users may not see its data in Korvale.");
  }
  return QuoteForSql(accounts, static_cast<int>(kStoredLimit), dialect_);
}

CalendarAccessLists BuildCalendarAccessLists(FolderRights& rights, const mapi::FolderACLs& acls,
                                             const mapi::ENTRYID& owner_entry_id, bool book_meetings,
                                             std::string& booking_accounts) {
  CalendarAccessLists lists;
  const std::string& owner_name = rights.mailbox_name();

  std::string acl = rights.ReadFolderAccounts(acls, kReadItemsRight);
  if (acl != kAnyAccount) rights.GetFolderRights(acl, owner_entry_id, owner_name);
  lists.acl = rights.LimitAndQuote(std::move(acl));

  std::string aclw = rights.ReadFolderAccounts(acls, kCreateItemsRight);
  if (aclw == kAnyAccount) {
    if (book_meetings) rights.GetFolderRights(booking_accounts, owner_entry_id, owner_name);
  } else {
    rights.GetFolderRights(aclw, owner_entry_id, owner_name);
    if (book_meetings) {
      if (!booking_accounts.empty()) booking_accounts += "; ";
      booking_accounts += aclw;
    }
  }
  lists.aclw = rights.LimitAndQuote(std::move(aclw));
  return lists;
}

std::optional<std::string> AssociatedAccountName(accounts::AccountDirectory& accounts, std::string_view pdc,
                                                 const mapi::SBinary& sid) {
  if (sid.empty()) return std::nullopt;
  auto who = accounts::LookupAccountSid(accounts, pdc, sid, kAccountBufferChars, kAccountBufferChars);
  if (!who.ok() || who->use == accounts::SID_NAME_USE::SidTypeGroup) return std::nullopt;
  return who->domain + "\\" + who->name;
}

CalendarAccessLists ReadCalendarAccessLists(FolderRights& rights, mapi::IMAPISession* session,
                                            mapi::IMsgStore* store, const mapi::ENTRYID& calendar_entry_id,
                                            const mapi::ENTRYID& owner_entry_id, bool book_meetings,
                                            std::string& booking_accounts) {
  std::unique_ptr<mapi::FolderACLs> acls;
  if (mapi::FAILED(mapi::HrFolderACLsOpen(session, store, calendar_entry_id, &acls)) || !acls) {
    return {};
  }
  return BuildCalendarAccessLists(rights, *acls, owner_entry_id, book_meetings, booking_accounts);
}

}  // namespace korvale
