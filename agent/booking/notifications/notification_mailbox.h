// Sending mail from the notification mailbox (NotificationMailbox on
// NotificationServer): opening its Inbox, in which every notification is
// created, and submitting one plain note with its recipients. Inbox
// notifications and change reports share this; they differ only in the texts
// they report failures with.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/agent_log.h"
#include "common/agent_settings.h"
#include "platform/mapi/mapi.h"

namespace korvale {

// The MAPI objects of the cycle's logon that sending needs.
struct MailServices {
  const AgentSettings& settings;
  AgentLog& log;
  mapi::IMAPISession& session;
  mapi::IExchangeManageStore& manage_store;
  mapi::IAddrBook& address_book;
};

// Which mail is being sent: chooses the failure texts.
enum class NotificationMail { kInbox, kChangeReport };

// The Inbox of the notification mailbox, opened for writing; nullptr after a
// failure, which has been reported (warning 137).
std::shared_ptr<mapi::IMAPIFolder> OpenNotificationInbox(MailServices& services, NotificationMail mail);

// The parts of NotificationEmail: split at ";", each trimmed at the left,
// empty parts left out.
std::vector<std::string> AdministratorList(const std::string& notification_email);

// One recipient entry: display name, type and, when known, the entry identifier.
mapi::ADRENTRY RecipientEntry(const std::string& display_name, mapi::ULONG type,
                              const mapi::ENTRYID* entry_id = nullptr);

// Creates an IPM.Note in `inbox` that is deleted once submitted, resolves the
// recipients (each one that stays unresolved is reported with its name), sets
// the properties, adds the recipients and submits. `after_create` runs once
// the message exists. Returns the first failure (reported) or S_OK.
mapi::HRESULT SendNotificationNote(MailServices& services, NotificationMail mail, mapi::IMAPIFolder& inbox,
                                   const std::string& subject, const std::string& body,
                                   mapi::ADRLIST recipients, const std::function<void()>& after_create = {});

}  // namespace korvale
