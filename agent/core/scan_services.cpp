// The services the mailbox scan borrows from other subsystems: calendar
// permissions as access lists, Windows account names, and the bookings.
#include "agent/booking/agent_bookings.h"
#include "agent/core/update_agent.h"
#include "agent/scan/folder_rights.h"
#include "platform/accounts/account_directory.h"

namespace korvale {

void UpdateAgent::ConnectScanServices(ScanEnvironment& env) {
  env.bookings = bookings_.get();
  accounts::AccountDirectory& directory = *accounts_;
  mapi::IMAPISession& session = env.session;
  mapi::IAddrBook& address_book = env.address_book;
  env.access_lists = [this, &directory, &session, &address_book](
                         mapi::IMsgStore& store, const mapi::ENTRYID& calendar_id,
                         const mapi::ENTRYID& owner_id, const std::string& mailbox, const std::string& pdc,
                         bool book_meetings, std::string& booking_accounts) {
    FolderRights rights(address_book, directory, logger_, settings_, mailbox, pdc);
    CalendarAccessLists lists = ReadCalendarAccessLists(rights, &session, &store, calendar_id, owner_id,
                                                        book_meetings, booking_accounts);
    return MailboxAccessLists{lists.acl, lists.aclw};
  };
  env.sid_lookup = [&directory](const std::string& pdc, const mapi::SBinary& sid) {
    return AssociatedAccountName(directory, pdc, sid);
  };
}

}  // namespace korvale
