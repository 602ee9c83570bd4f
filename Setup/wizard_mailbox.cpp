#include "Setup/wizard_mailbox.h"

#include <vector>

namespace korvale::setup {
namespace {

std::string StringOf(const std::vector<mapi::SPropValue>& props, mapi::ULONG tag) {
  const mapi::SPropValue* value = mapi::PpropFindProp(props, tag);
  return value && value->String() ? *value->String() : std::string();
}

std::string AddressFromEntry(mapi::IAddrBook& address_book, const std::vector<mapi::SPropValue>& props) {
  const mapi::SPropValue* entry_id = mapi::PpropFindProp(props, mapi::PR_ENTRYID);
  if (!entry_id || !entry_id->Binary() || entry_id->Binary()->empty()) return {};
  mapi::ULONG type = 0;
  std::shared_ptr<mapi::IUnknown> object;
  if (address_book.OpenEntry(*entry_id->Binary(), nullptr, 0, &type, &object) < 0) return {};
  auto prop = mapi::mapi_cast<mapi::IMAPIProp>(object);
  mapi::SPropValue address;
  if (!prop || mapi::HrGetOneProp(prop.get(), mapi::PR_EMAIL_ADDRESS, &address) < 0 || !address.String()) return {};
  return *address.String();
}

}  // namespace

std::optional<MailboxChoice> ChooseLogonMailbox(config::AddressBookSession& session, const std::string& current) {
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
  MailboxChoice choice{StringOf(first, mapi::PR_DISPLAY_NAME), StringOf(first, mapi::PR_EMAIL_ADDRESS)};
  if (choice.address.empty()) choice.address = AddressFromEntry(*address_book, first);
  // A name the address book could not resolve names no mailbox to log on to.
  if (choice.address.empty()) return std::nullopt;
  return choice;
}

}  // namespace korvale::setup
