// The logon mailbox chosen in the address book: the dialog titled "Address
// Book" with the one well "Select a mailbox:", resolving what was chosen;
// the first entry of the well is the mailbox.
#pragma once

#include <optional>
#include <string>

#include "Setup/wizard_ui.h"
#include "config/group_members.h"

namespace korvale::setup {

// Nothing when the dialog was cancelled, the well was left empty, a MAPI
// call failed or the entry has no address. The address is the entry's
// PR_EMAIL_ADDRESS, read from the entry itself when the dialog's result lacks it.
std::optional<MailboxChoice> ChooseLogonMailbox(config::AddressBookSession& session,
                                                const std::string& current);

}  // namespace korvale::setup
