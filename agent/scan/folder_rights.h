// The calendar's permission table turned into the two account lists of the
// owner's user row: ACL (who may read the calendar) and ACLw (who may create
// items in it). Members are resolved to Windows accounts: a distribution list
// to its members, a Windows group to its users, everybody (the default entry
// holding the right) to "Korvale_Any".
//
//   FolderRights rights(address_book, accounts, log, settings, mailbox_name, server_entry.pdc);
//   CalendarAccessLists lists = ReadCalendarAccessLists(rights, session, store, calendar_id,
//                                                       owner_entry_id, book_meetings,
//                                                       booking_accounts);
//   // lists.acl, lists.aclw: quoted for SQL, at most 1024 characters with FolderRightsLimited
//
// Nothing here fails the scan: every member that cannot be resolved is
// reported (events 124, 137, 142, 143, 144, 145, 151) and left out, and the
// list built so far stays.
#pragma once

#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "agent/database/dialect.h"
#include "common/agent_log.h"
#include "common/agent_settings.h"
#include "platform/accounts/account_directory.h"
#include "platform/mapi/mapi.h"

namespace korvale {

// The account list value that stands for every user.
inline constexpr std::string_view kAnyAccount = "Korvale_Any";

// Permission bits tested for the two lists (frightsReadAny, frightsCreate).
inline constexpr mapi::ULONG kReadItemsRight = 1;
inline constexpr mapi::ULONG kCreateItemsRight = 2;

// Reads the permissions of one mailbox's calendar.
class FolderRights {
 public:
  // `pdc` is the PDC value of the mailbox's server entry: the system that
  // resolves SIDs and lists group users; empty means the local system for
  // SIDs and the domain's controller (NetGetDCName) for groups.
  FolderRights(mapi::IAddrBook& address_book, accounts::AccountDirectory& accounts, AgentLog& log,
               const AgentSettings& settings, std::string mailbox_name, std::string pdc);

  const std::string& mailbox_name() const { return mailbox_name_; }

  // Every member of the permission table holding a right in `mask`, as
  // "DOMAIN\\a; DOMAIN\\b"; "Korvale_Any" as soon as the default entry holds one.
  std::string ReadFolderAccounts(const mapi::FolderACLs& acls, mapi::ULONG mask);

  // Extends `accounts` by one member given by its address-book identifier:
  // its Windows account, the users of its Windows group, or through a
  // distribution list all the list's members. Each name is added once (not
  // when the list already contains it). With FolderRightsLimited a list past
  // 1023 characters is left as it is.
  void GetFolderRights(std::string& accounts, const mapi::ENTRYID& member, std::string_view member_name);

  // Extends `accounts` by every member of an opened distribution list, nested
  // lists included. A list reached again inside its own expansion is not
  // expanded a second time, so lists that contain each other end.
  void ExpandDistList(std::string& accounts, mapi::IDistList& list);

  // The list as it goes into the user row: with FolderRightsLimited, a list
  // longer than 1024 characters is cut so that it still fits 1024 characters
  // after its apostrophes are doubled (warning 107 names the mailbox); then
  // QuoteForSql with maximum 1024.
  std::string LimitAndQuote(std::string accounts);

 private:
  using Visited = std::set<mapi::ENTRYID>;

  void AddMember(std::string& accounts, const mapi::ENTRYID& member, std::string_view member_name,
                 Visited& visited);
  void Expand(std::string& accounts, mapi::IDistList& list, Visited& visited);
  void AddAccountOfSid(std::string& accounts, const mapi::SBinary& sid, std::string_view member_name);
  void AddGroupUsers(std::string& accounts, const std::string& domain, const std::string& group);
  bool PastLimit(const std::string& accounts) const;

  mapi::IAddrBook& address_book_;
  accounts::AccountDirectory& accounts_;
  AgentLog& log_;
  bool limited_;
  Dialect dialect_;
  std::string mailbox_name_;
  std::string pdc_;
};

// Adds `name` to a "; "-separated account list unless the list already
// contains it anywhere (a substring test, as the web pages' lists expect).
void AddAccountName(std::string& accounts, std::string_view name);

struct CalendarAccessLists {
  std::string acl;   // who may read the calendar
  std::string aclw;  // who may create items in it
};

// Both lists of one mailbox from its calendar's permission table. The owner
// (its address-book identifier, the mailbox name as member name) is added to
// each list that is not "Korvale_Any". With the book-meetings flag, the
// collected booking accounts of the cycle get the owner when ACLw is
// "Korvale_Any", else the whole ACLw.
CalendarAccessLists BuildCalendarAccessLists(FolderRights& rights, const mapi::FolderACLs& acls,
                                             const mapi::ENTRYID& owner_entry_id, bool book_meetings,
                                             std::string& booking_accounts);

// The owner's associated Windows account as "DOMAIN\\name" (AssocNTAcc),
// looked up on `pdc` (empty: the local system) with buffers of 255
// characters; nullopt when the SID is empty or cannot be resolved, or names a
// group.
std::optional<std::string> AssociatedAccountName(accounts::AccountDirectory& accounts, std::string_view pdc,
                                                 const mapi::SBinary& sid);

// The same, opening the permission table of the calendar folder first; when
// it cannot be opened both lists are empty (and nothing is collected).
CalendarAccessLists ReadCalendarAccessLists(FolderRights& rights, mapi::IMAPISession* session,
                                            mapi::IMsgStore* store, const mapi::ENTRYID& calendar_entry_id,
                                            const mapi::ENTRYID& owner_entry_id, bool book_meetings,
                                            std::string& booking_accounts);

}  // namespace korvale
