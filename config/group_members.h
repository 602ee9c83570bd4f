// Choosing a group's members in the address book ("&Members"): the group's
// display names go into the dialog's one well, and what the administrator
// keeps comes back as the new display-name list and the new address list.
// The logon and the address book are made once and kept for the program's run.
//
//   AddressBookSession address_book;          // lives as long as the program
//   if (auto members = ChooseGroupMembers(address_book, group.display_names)) {
//     group.display_names = members->display_names;
//     group.members = members->addresses;
//   }
//
// The configuration program and the server setup both use it.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/mapi/mapi.h"

namespace korvale::config {

// The string property `tag` of an address entry; empty when it has none.
std::string StringOf(const std::vector<mapi::SPropValue>& props, mapi::ULONG tag);

// The entry's address read from the entry itself, opened by its identifier; empty when unreadable.
std::string AddressFromEntry(mapi::IAddrBook& address_book, const std::vector<mapi::SPropValue>& props);

class AddressBookSession {
 public:
  AddressBookSession() = default;
  // Releases the address book and the logon, then MAPI itself.
  ~AddressBookSession();
  AddressBookSession(const AddressBookSession&) = delete;
  AddressBookSession& operator=(const AddressBookSession&) = delete;

  // The address book; MAPI is initialised and logged on (no profile name,
  // MAPI_EXTENDED | MAPI_LOGON_UI | MAPI_NO_MAIL) at the first call. Null when
  // that fails; the next call tries again.
  mapi::IAddrBook* AddressBook();

 private:
  bool initialised_ = false;
  std::shared_ptr<mapi::IMAPISession> session_;
  std::shared_ptr<mapi::IAddrBook> address_book_;
};

struct GroupMembers {
  std::string display_names;  // "; "-joined
  std::string addresses;      // "; "-joined e-mail addresses, in the same order
};

// Shows the address book with caption "Address Book" and the well "Mailboxes /
// DLs to scan:" holding `display_names` ("; "-joined). Nothing when the
// dialog is cancelled or any MAPI call fails. An entry whose address can be
// read neither from the dialog's result nor from the entry itself is left
// out of both lists, so that names and addresses stay in step.
std::optional<GroupMembers> ChooseGroupMembers(AddressBookSession& session, const std::string& display_names);

}  // namespace korvale::config
