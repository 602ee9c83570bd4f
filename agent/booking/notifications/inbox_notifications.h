// Cycle step 16: sends the queued inbox notifications from the notification
// mailbox, each to the owner of the mailbox concerned and, when the setting
// for its kind asks for it, as a copy to the administrators.
#pragma once

#include "agent/booking/notifications/notification_mailbox.h"
#include "agent/booking/notifications/notification_queue.h"

namespace korvale {

// Nothing happens for an empty queue. Every failure is reported (warning 137)
// and abandons one mail, or all of them when the notification mailbox cannot
// be opened. The queue is left as it is (the cycle empties it at its start).
void SendInboxNotifications(MailServices& services, const NotificationQueue& queue);

}  // namespace korvale
