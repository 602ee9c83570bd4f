// The booking writer: while the mailbox scan holds a mailbox's calendar
// folder open, every record of the booking list that concerns the mailbox is
// applied to it. Cancelled bookings (status 3 and 4) have their appointments
// deleted, with cancellations sent to the attendees of a meeting; new and
// re-booked ones (status 1 and 5) are created, as a meeting with a request
// sent to the attendees or as a plain appointment. Inbox notifications about
// what changed are queued for later sending.
//
//   BookingWriter writer{settings, log, db, address_book, "KorvaleTable2", bookings, queue};
//   BookIntoMailbox(writer, {mailbox, dl_value, *calendar, tags, zone});
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "agent/booking/meetings/booking_record.h"
#include "agent/booking/notifications/notification_queue.h"
#include "agent/database/database.h"
#include "agent/scan/booking_hooks.h"
#include "common/agent_log.h"
#include "common/agent_settings.h"
#include "platform/mapi/mapi.h"

namespace korvale {

// Where the records have been applied, kept across runs of the agent (the
// booking journal), so that a record is carried out once in every mailbox
// even when the cycle that took it ended early.
class BookingProgress {
 public:
  virtual ~BookingProgress() = default;
  // An earlier run applied the record to the mailbox (a new appointment: began to).
  virtual bool ReachedEarlier(const BookingRecord& record, const std::string& mailbox) const = 0;
  // Notes that the record is applied to the mailbox in this run; false when
  // that cannot be recorded.
  virtual bool Remember(const BookingRecord& record, const std::string& mailbox) = 0;
};

// What the writer works with besides the mailbox at hand.
struct BookingWriter {
  const AgentSettings& settings;
  AgentLog& log;
  Database& db;
  mapi::IAddrBook& address_book;
  // The calendar table the web pages read now (the other one of the pair than
  // the fill table; KorvaleTable1 in shared-table mode): its user rows hold
  // the mail addresses of attendees the address book does not know.
  std::string active_table;
  BookingList& bookings;
  NotificationQueue& notifications;
  // The current universal time as a FILETIME; null: the system clock.
  std::function<uint64_t()> utc_now;
  // The hexadecimal address-book entry identifier of a mailbox's owner for
  // the notification mails; null (or an empty answer): found by name when sent.
  std::function<std::string(const std::string& mailbox_name)> owner_entry_id;
  // Null: every concerned record is applied (no journal).
  BookingProgress* progress = nullptr;
};

// Whether a record concerns the mailbox N (R is "$R$" N "$R$"): a personal
// group whose recipients contain N or R; recipients that occur in the
// mailbox's DL value; a meeting whose organizer begins with N or R; a
// "no invitation" booking whose recipients contain N or R. Substring tests,
// so "Ann" is concerned by a booking for "Joanna".
bool ConcernsMailbox(const BookingRecord& record, const std::string& mailbox_name,
                     const std::string& dl_value);

// A booking that is a meeting: invitations go out to its recipients.
bool IsMeeting(const BookingRecord& record);

// Applies every concerned record in list order. A failure of one record is
// reported (warning 137 with the failed call and its code) and the next record
// is handled; the result is then that failure's code, S_OK when every record
// went through. An unexpected exception ends the call with warning 137
// "General Error booking new appointments in mailbox %s." and E_FAIL.
mapi::HRESULT BookIntoMailbox(BookingWriter& writer, const MailboxBookingTarget& mailbox);

// The steps for one record at a position of the booking list.
mapi::HRESULT DeleteBookedAppointments(BookingWriter& writer, const MailboxBookingTarget& mailbox,
                                       size_t position);
mapi::HRESULT CreateBookedAppointment(BookingWriter& writer, const MailboxBookingTarget& mailbox,
                                      size_t position);

// Whether the calendar holds an appointment with the booking number.
bool CalendarHoldsBooking(const MailboxBookingTarget& mailbox, const std::string& booking_number);

// Helpers shared by the steps.
void WarnBooking(BookingWriter& writer, const std::string& text);
uint64_t UtcNow(const BookingWriter& writer);
std::string OwnerEntryId(const BookingWriter& writer, const std::string& mailbox_name);

}  // namespace korvale
