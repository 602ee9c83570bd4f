// Sending the inbox-notification queue.
#include "agent/booking/notifications/inbox_notifications.h"

namespace korvale {

using namespace mapi;

namespace {

bool CopiesAdministrators(const AgentSettings& s, NotificationKind kind) {
  switch (kind) {
    case NotificationKind::kNewBooking: return s.notify_admins_create != 0;
    case NotificationKind::kDeletion: return s.notify_admins_delete != 0;
    case NotificationKind::kChange: return s.notify_admins_modify != 0;
  }
  return false;
}

}  // namespace

void SendInboxNotifications(MailServices& services, const NotificationQueue& queue) {
  if (queue.empty()) return;
  std::shared_ptr<IMAPIFolder> inbox = OpenNotificationInbox(services, NotificationMail::kInbox);
  if (!inbox) return;
  const AgentSettings& s = services.settings;
  const std::vector<std::string> administrators = AdministratorList(s.notification_email);

  for (const InboxNotification& entry : queue.entries()) {
    ADRLIST recipients;
    ENTRYID owner_id;
    // The queue only keeps well-formed identifiers; an empty one leaves the
    // owner to be found by name.
    (void)FBinFromHex(entry.mailbox_entry_id, &owner_id);
    recipients.aEntries.push_back(RecipientEntry(entry.mailbox_name, MAPI_TO, &owner_id));
    if (CopiesAdministrators(s, entry.kind)) {
      for (const std::string& admin : administrators) {
        recipients.aEntries.push_back(RecipientEntry(admin, MAPI_CC));
      }
    }
    auto log_new_booking = [&] {
      if (entry.kind == NotificationKind::kNewBooking && s.notify_admins_create_in_event_log != 0) {
        services.log.LogEvent(EventType::kWarning, event_id::kGeneral,
                              "New meeting booking in Mailbox: " + entry.mailbox_name + "\r\n" + entry.body);
      }
    };
    (void)SendNotificationNote(services, NotificationMail::kInbox, *inbox, entry.subject, entry.body,
                               std::move(recipients), log_new_booking);
  }
}

}  // namespace korvale
