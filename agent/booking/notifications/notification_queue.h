// The inbox-notification queue: short mails to a mailbox's owner about an
// appointment that the booking writer created, changed or deleted directly in
// the mailbox. The booking writer queues them while the mailboxes are
// scanned; they are sent once the calendar table is published
// (SendInboxNotifications). Subject and body come from the configurable
// templates with their placeholders filled here.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "agent/booking/meetings/booking_record.h"
#include "common/agent_settings.h"
#include "platform/tz/tz_types.h"

namespace korvale {

// What happened in the mailbox: the booking status of the record concerned.
enum class NotificationKind : int { kNewBooking = 1, kDeletion = 3, kChange = 5 };

// The mailbox owner's entry identifier is kept as hexadecimal text of at most
// this many characters.
inline constexpr size_t kMaxEntryIdHex = 512;

struct InboxNotification {
  NotificationKind kind = NotificationKind::kNewBooking;
  std::string mailbox_name;
  std::string mailbox_entry_id;  // hexadecimal; empty when the owner could not be found
  size_t entry_id_length = 0;    // bytes
  std::string subject;
  std::string body;
};

class NotificationQueue {
 public:
  void Clear() { entries_.clear(); }
  bool empty() const { return entries_.empty(); }
  size_t size() const { return entries_.size(); }
  const std::vector<InboxNotification>& entries() const { return entries_; }
  // Appends in queueing order; an identifier longer than kMaxEntryIdHex (or
  // of odd length) is not kept, so the owner is then found by name.
  void QueueInboxNotification(NotificationKind kind, std::string mailbox_name, std::string mailbox_entry_id,
                              std::string subject, std::string body);

 private:
  std::vector<InboxNotification> entries_;
};

// Whether the mailbox gets inbox notifications at all: they are switched on
// and the name occurs nowhere in the exception list (a plain text search, so
// "Ann" is excluded by a list naming "Joanna").
bool NotifiesMailbox(const AgentSettings& settings, std::string_view mailbox_name);

// Dates in the mails: the C locale's date and time ("%x %X"), e.g.
// "06/12/24 10:00:00"; the same text whatever the machine's locale.
std::string NotificationDate(const SYSTEMTIME& time);
// For a deletion whose appointment had no start or end.
inline constexpr std::string_view kUndeterminedDate = "could not be determined";

// The five values a template can show of one version of a booking.
struct NotificationValues {
  std::string start;
  std::string end;
  std::string subject;
  std::string category;
  std::string booked_by;
};
NotificationValues ValuesOf(const BookingRecord& record);

// "[START]" ... "[BOOKED BY]" (suffix empty), "[START1]" ... (suffix "1") and
// so on, every occurrence.
std::string FillPlaceholders(std::string text, const NotificationValues& values,
                             std::string_view suffix = {});
// "[CR]" becomes a line feed.
std::string FillLineFeeds(std::string text);

// Queues the notification of a created (status 1) or re-created (status 5)
// booking. A change mail describes the earlier version with the first record
// of the list read with status 4 and the same booking number (as the
// deletion left it); without one the "1" placeholders stay as written.
void QueueBookingNotification(NotificationQueue& queue, const AgentSettings& settings,
                              const BookingList& bookings, const BookingRecord& record,
                              const std::string& mailbox_name, const std::string& entry_id_hex);

// Queues the notification of a deleted appointment (values of the appointment,
// booker of the cancellation).
void QueueDeletionNotification(NotificationQueue& queue, const AgentSettings& settings,
                               const NotificationValues& deleted, const std::string& mailbox_name,
                               const std::string& entry_id_hex);

}  // namespace korvale
