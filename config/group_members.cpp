#include "config/group_members.h"

#include <vector>

#include "common/list_split.h"

namespace korvale::config {

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
  if (!prop || mapi::HrGetOneProp(prop.get(), mapi::PR_EMAIL_ADDRESS, &address) < 0 || !address.String())
    return {};
  return *address.String();
}

AddressBookSession::~AddressBookSession() {
  address_book_.reset();
  if (session_) session_->Logoff(0, 0, 0);
  session_.reset();
  if (initialised_) mapi::MAPIUninitialize();
}

mapi::IAddrBook* AddressBookSession::AddressBook() {
  if (address_book_) return address_book_.get();
  if (!initialised_) {
    mapi::MAPIINIT_0 init{};
    if (mapi::MAPIInitialize(&init) < 0) return nullptr;
    initialised_ = true;
  }
  if (!session_ &&
      mapi::MAPILogonEx(0, "", "", mapi::MAPI_EXTENDED | mapi::MAPI_LOGON_UI | mapi::MAPI_NO_MAIL,
                        &session_) < 0) {
    session_.reset();
    return nullptr;
  }
  if (session_->OpenAddressBook(0, nullptr, 0, &address_book_) < 0) address_book_.reset();
  return address_book_.get();
}

std::optional<GroupMembers> ChooseGroupMembers(AddressBookSession& session,
                                               const std::string& display_names) {
  mapi::IAddrBook* address_book = session.AddressBook();
  if (!address_book) return std::nullopt;
  mapi::ADRLIST list;
  for (const auto& name : SplitSemicolonList(display_names)) {
    if (name.empty()) continue;
    list.aEntries.push_back(
        {{{mapi::PR_DISPLAY_NAME, name}, {mapi::PR_RECIPIENT_TYPE, static_cast<int32_t>(mapi::MAPI_TO)}}});
  }
  mapi::ADRPARM params;
  params.ulFlags = mapi::DIALOG_MODAL | mapi::AB_RESOLVE;
  params.lpszCaption = "Address Book";
  params.lppszDestTitles = {"Mailboxes / DLs to scan:"};
  if (address_book->Address(0, params, &list) < 0) return std::nullopt;
  std::vector<std::string> names, addresses;
  for (const auto& entry : list.aEntries) {
    std::string address = StringOf(entry.rgPropVals, mapi::PR_EMAIL_ADDRESS);
    if (address.empty()) address = AddressFromEntry(*address_book, entry.rgPropVals);
    if (address.empty()) continue;
    names.push_back(StringOf(entry.rgPropVals, mapi::PR_DISPLAY_NAME));
    addresses.push_back(address);
  }
  return GroupMembers{JoinSemicolonList(names), JoinSemicolonList(addresses)};
}

}  // namespace korvale::config
