// The address-book dialog behind IAddrBook::Address. MAPI draws this dialog
// itself; here the program that has windows installs one (the configuration
// program its Qt dialog, tests a scripted one), and the address book hands it
// the request and resolves what comes back.
//
//   mapi::InstallAddressDialog([](const mapi::AddressDialogRequest& request)
//       -> std::optional<std::vector<mapi::AddressEntry>> {
//     return request.selected;  // "OK" without changes
//   });
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/mapi/mapi_defs.h"

namespace korvale::mapi {

// One entry as the dialog shows it. An entry the dialog returns is resolved by
// its entry identifier when it has one, otherwise by its display name.
struct AddressEntry {
  std::string display_name;
  std::string email_address;  // PR_EMAIL_ADDRESS; empty when unknown
  ENTRYID entry_id;           // empty for a name not yet resolved
  ULONG object_type = 0;      // MAPI_MAILUSER, MAPI_DISTLIST; 0 when unknown
};

struct AddressDialogRequest {
  std::string caption;                  // the window's title ("Address Book")
  std::string well_label;               // label of the one destination well
  std::vector<AddressEntry> directory;  // what can be chosen: the address book's entries
  std::vector<AddressEntry> selected;   // the well as it opens (the caller's address list)
};

// Returns the well's entries on OK, nothing on Cancel.
using AddressDialog =
    std::function<std::optional<std::vector<AddressEntry>>(const AddressDialogRequest& request)>;

// Installs the dialog for the whole process and returns the one installed
// before (empty when none was). Without a dialog, IAddrBook::Address fails
// with MAPI_E_NO_SUPPORT.
AddressDialog InstallAddressDialog(AddressDialog dialog);

// IAddrBook::Address parameters (the part of ADRPARM that this system uses).
struct ADRPARM {
  ULONG ulFlags = 0;                         // DIALOG_MODAL, AB_RESOLVE
  std::string lpszCaption;                   // the window's title
  std::vector<std::string> lppszDestTitles;  // one label per destination well (at most one here)
};

constexpr ULONG DIALOG_MODAL = 0x00000001;
constexpr ULONG AB_RESOLVE = 0x00000040;

}  // namespace korvale::mapi
