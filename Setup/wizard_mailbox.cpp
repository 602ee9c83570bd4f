#include "Setup/wizard_mailbox.h"

#include <vector>

namespace korvale::setup {

std::optional<MailboxChoice> ChooseLogonMailbox(config::AddressBookSession& session,
                                                const std::string& current) {
  mapi::IAddrBook* address_book = session.AddressBook();
  if (!address_book) return std::nullopt;
  mapi::ADRLIST list;
  if (!current.empty()) {
    list.aEntries.push_back(
        {{{mapi::PR_DISPLAY_NAME, current}, {mapi::PR_RECIPIENT_TYPE, static_cast<int32_t>(mapi::MAPI_TO)}}});
  }
  mapi::ADRPARM params;
  params.ulFlags = mapi::DIALOG_MODAL | mapi::AB_RESOLVE;
  params.lpszCaption = "Address Book";
  params.lppszDestTitles = {"Select a mailbox:"};
  if (address_book->Address(0, params, &list) < 0 || list.aEntries.empty()) return std::nullopt;
  const auto& first = list.aEntries.front().rgPropVals;
  MailboxChoice choice{config::StringOf(first, mapi::PR_DISPLAY_NAME),
                       config::StringOf(first, mapi::PR_EMAIL_ADDRESS)};
  if (choice.address.empty()) choice.address = config::AddressFromEntry(*address_book, first);
  // A name the address book could not resolve names no mailbox to log on to.
  if (choice.address.empty()) return std::nullopt;
  return choice;
}

}  // namespace korvale::setup
