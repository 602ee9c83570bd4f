// The notification mailbox and the notes sent from it.
#include "agent/booking/notifications/notification_mailbox.h"

namespace korvale {

using namespace mapi;

namespace {

constexpr char kPrivateMdb[] = "/cn=Microsoft Private MDB";
constexpr char kInboxSuffix[] = " while trying to send Inbox notifications";
constexpr char kReportSuffix[] = " while trying to send notification email for changed meeting";
constexpr char kInboxMail[] = "Create / Modify / Delete Inbox Notification email";

void Warn(AgentLog& log, const std::string& text) {
  log.LogEvent(EventType::kWarning, event_id::kGeneral, text);
}

std::string Suffix(NotificationMail mail) {
  return mail == NotificationMail::kInbox ? kInboxSuffix : kReportSuffix;
}

// "<call> failed with Code = %08lx" in the wording of each kind of mail.
std::string MessageFailure(NotificationMail mail, const std::string& call, HRESULT hr) {
  if (mail == NotificationMail::kChangeReport) {
    return call + " failed with Code = " + HResultHex(hr) + kReportSuffix;
  }
  // The submit text has always lacked the blank after the second slash.
  std::string what =
      call == "SubmitMessage" ? "Create /Modify / Delete Inbox Notification email" : kInboxMail;
  return call + " for " + what + " failed with Code = " + HResultHex(hr);
}

std::string UnresolvedText(NotificationMail mail, const std::string& name) {
  if (mail == NotificationMail::kChangeReport) {
    return name +
           " could not be resolved in the Addressbook while trying to send notification "
           "email for changed meeting";
  }
  return name + " could not be resolved in the Addressbook while creating " + kInboxMail;
}

bool HasEntryId(const ADRENTRY& entry) {
  const SPropValue* id = PpropFindProp(entry.rgPropVals, PR_ENTRYID);
  return id && id->Binary() && !id->Binary()->empty();
}

std::string DisplayName(const ADRENTRY& entry) {
  const SPropValue* name = PpropFindProp(entry.rgPropVals, PR_DISPLAY_NAME);
  return name && name->String() ? *name->String() : std::string();
}

}  // namespace

std::shared_ptr<IMAPIFolder> OpenNotificationInbox(MailServices& services, NotificationMail mail) {
  const AgentSettings& s = services.settings;
  const std::string server = s.notification_server + kPrivateMdb;
  ENTRYID store_id;
  HRESULT hr = services.manage_store.CreateStoreEntryID(server, s.notification_mailbox,
                                                        OPENSTORE_USE_ADMIN_PRIVILEGE, &store_id);
  if (FAILED(hr)) {
    std::string text = "CreateStoreEntryID failed with Code = " + HResultHex(hr) + Suffix(mail);
    if (mail == NotificationMail::kInbox) {
      text += ".\r\nUsed parameters:\r\nServer: " + server + "\r\nMailbox: " + s.notification_mailbox;
    }
    Warn(services.log, text);
    return nullptr;
  }
  std::shared_ptr<IMsgStore> store;
  hr = services.session.OpenMsgStore(0, store_id, nullptr, MDB_NO_DIALOG | MAPI_BEST_ACCESS, &store);
  if (FAILED(hr) || !store) {
    Warn(services.log,
         "OpenMsgStore failed with Code = " + HResultHex(FAILED(hr) ? hr : MAPI_E_NOT_FOUND) + Suffix(mail));
    return nullptr;
  }
  ENTRYID inbox_id;
  hr = store->GetReceiveFolder("", 0, &inbox_id, nullptr);
  if (FAILED(hr)) {
    Warn(services.log, "GetReceiveFolder failed with Code = " + HResultHex(hr) + Suffix(mail));
    return nullptr;
  }
  ULONG type = 0;
  std::shared_ptr<IUnknown> object;
  hr = store->OpenEntry(inbox_id, nullptr, MAPI_MODIFY, &type, &object);
  auto inbox = mapi_cast<IMAPIFolder>(object);
  if (FAILED(hr) || !inbox) {
    Warn(services.log, "OpenEntry for InboxFolder of mailbox " + s.notification_mailbox +
                           " failed with Code = " + HResultHex(FAILED(hr) ? hr : MAPI_E_NOT_FOUND) +
                           Suffix(mail));
    return nullptr;
  }
  return inbox;
}

std::vector<std::string> AdministratorList(const std::string& notification_email) {
  std::vector<std::string> list;
  size_t begin = 0;
  while (begin <= notification_email.size()) {
    size_t end = notification_email.find(';', begin);
    if (end == std::string::npos) end = notification_email.size();
    std::string part = notification_email.substr(begin, end - begin);
    size_t first = part.find_first_not_of(" \t");
    if (first != std::string::npos) list.push_back(part.substr(first));
    begin = end + 1;
  }
  return list;
}

ADRENTRY RecipientEntry(const std::string& display_name, ULONG type, const ENTRYID* entry_id) {
  ADRENTRY entry;
  entry.rgPropVals.emplace_back(PR_DISPLAY_NAME, display_name);
  entry.rgPropVals.emplace_back(PR_RECIPIENT_TYPE, static_cast<int32_t>(type));
  if (entry_id && !entry_id->empty()) entry.rgPropVals.emplace_back(PR_ENTRYID, *entry_id);
  return entry;
}

HRESULT SendNotificationNote(MailServices& services, NotificationMail mail, IMAPIFolder& inbox,
                             const std::string& subject, const std::string& body, ADRLIST recipients,
                             const std::function<void()>& after_create) {
  AgentLog& log = services.log;
  std::shared_ptr<IMessage> message;
  HRESULT hr = inbox.CreateMessage(nullptr, 0, &message);
  if (FAILED(hr) || !message) {
    hr = FAILED(hr) ? hr : MAPI_E_NOT_FOUND;
    Warn(log, MessageFailure(mail, "CreateMessage", hr));
    return hr;
  }
  if (after_create) after_create();

  HRESULT resolved = services.address_book.ResolveName(0, 0, "", &recipients);
  if (resolved == MAPI_E_AMBIGUOUS_RECIP || resolved == MAPI_E_NOT_FOUND) {
    for (const ADRENTRY& entry : recipients.aEntries) {
      if (!HasEntryId(entry)) Warn(log, UnresolvedText(mail, DisplayName(entry)));
    }
  }

  std::vector<SPropValue> props{{PR_MESSAGE_CLASS, std::string("IPM.Note")},
                                {PR_SUBJECT, subject},
                                {PR_BODY, body},
                                {PR_DELETE_AFTER_SUBMIT, true}};
  if (hr = message->SetProps(props, nullptr); FAILED(hr)) {
    Warn(log, MessageFailure(mail, "SetProps", hr));
    return hr;
  }
  if (hr = message->ModifyRecipients(MODRECIP_ADD, recipients); FAILED(hr)) {
    Warn(log, MessageFailure(mail, "ModifyRecipients", hr));
    return hr;
  }
  if (hr = message->SubmitMessage(0); FAILED(hr)) {
    Warn(log, MessageFailure(mail, "SubmitMessage", hr));
    return hr;
  }
  return S_OK;
}

}  // namespace korvale
