// Queue entries and template expansion of the inbox notifications.
#include "agent/booking/notifications/notification_queue.h"

#include "agent/database/dialect.h"
#include "common/text.h"

namespace korvale {
namespace {

bool IsHexText(std::string_view text) {
  if (text.size() % 2 != 0) return false;
  for (char c : text) {
    bool digit = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
    if (!digit) return false;
  }
  return true;
}

}  // namespace

void NotificationQueue::QueueInboxNotification(NotificationKind kind, std::string mailbox_name,
                                               std::string mailbox_entry_id, std::string subject,
                                               std::string body) {
  InboxNotification entry;
  entry.kind = kind;
  entry.mailbox_name = std::move(mailbox_name);
  if (mailbox_entry_id.size() <= kMaxEntryIdHex && IsHexText(mailbox_entry_id)) {
    entry.entry_id_length = mailbox_entry_id.size() / 2;
    entry.mailbox_entry_id = std::move(mailbox_entry_id);
  }
  entry.subject = std::move(subject);
  entry.body = std::move(body);
  entries_.push_back(std::move(entry));
}

bool NotifiesMailbox(const AgentSettings& settings, std::string_view mailbox_name) {
  if (settings.inbox_notification_direct_booked_appt == 0) return false;
  return settings.inbox_notification_exception_list.find(mailbox_name) == std::string::npos;
}

std::string NotificationDate(const SYSTEMTIME& time) { return FormatDateLiteral("%x %X", time); }

NotificationValues ValuesOf(const BookingRecord& record) {
  return {NotificationDate(record.start), NotificationDate(record.end), record.title, record.category,
          record.booked_by};
}

std::string FillPlaceholders(std::string text, const NotificationValues& values, std::string_view suffix) {
  auto tag = [&](std::string_view name) { return "[" + std::string(name) + std::string(suffix) + "]"; };
  text = ReplaceAll(std::move(text), tag("START"), values.start);
  text = ReplaceAll(std::move(text), tag("END"), values.end);
  text = ReplaceAll(std::move(text), tag("SUBJECT"), values.subject);
  text = ReplaceAll(std::move(text), tag("CATEGORY"), values.category);
  return ReplaceAll(std::move(text), tag("BOOKED BY"), values.booked_by);
}

std::string FillLineFeeds(std::string text) { return ReplaceAll(std::move(text), "[CR]", "\n"); }

void QueueBookingNotification(NotificationQueue& queue, const AgentSettings& settings,
                              const BookingList& bookings, const BookingRecord& record,
                              const std::string& mailbox_name, const std::string& entry_id_hex) {
  const NotificationValues values = ValuesOf(record);
  if (record.booking_status != static_cast<int>(NotificationKind::kChange)) {
    queue.QueueInboxNotification(NotificationKind::kNewBooking, mailbox_name, entry_id_hex,
                                 FillLineFeeds(FillPlaceholders(settings.notif_email_subject, values)),
                                 FillLineFeeds(FillPlaceholders(settings.notif_email_body, values)));
    return;
  }
  std::string subject = settings.changed_email_subject;
  std::string body = settings.changed_email_body;
  for (const BookingRecord& earlier : bookings.records()) {
    if (earlier.booking_status == 4 && earlier.booking_number == record.booking_number) {
      NotificationValues before = ValuesOf(earlier);
      if (!earlier.deleted_in.empty()) before.booked_by = earlier.deleted_in;
      subject = FillPlaceholders(std::move(subject), before, "1");
      body = FillPlaceholders(std::move(body), before, "1");
      break;
    }
  }
  subject = FillLineFeeds(FillPlaceholders(std::move(subject), values, "2"));
  body = FillLineFeeds(FillPlaceholders(std::move(body), values, "2"));
  queue.QueueInboxNotification(NotificationKind::kChange, mailbox_name, entry_id_hex, std::move(subject),
                               std::move(body));
}

void QueueDeletionNotification(NotificationQueue& queue, const AgentSettings& settings,
                               const NotificationValues& deleted, const std::string& mailbox_name,
                               const std::string& entry_id_hex) {
  queue.QueueInboxNotification(NotificationKind::kDeletion, mailbox_name, entry_id_hex,
                               FillLineFeeds(FillPlaceholders(settings.delete_email_subject, deleted)),
                               FillLineFeeds(FillPlaceholders(settings.delete_email_body, deleted)));
}

}  // namespace korvale
