// The agent's bookings for one run: the booking list, the booking number list
// and the inbox-notification queue, with the operations of the cycle on them.
// It is what the mailbox scan sees as its BookingHooks.
//
//   AgentBookings bookings(settings, log);
//   bookings.StartCycle();                                      // step 3
//   ReadMeetingsTable(db, cycle, bookings.list(), bookings.numbers());  // step 10
//   bookings.Connect({&db, &session, &address_book, &manage_store, fill_table, instance});
//   env.bookings = &bookings;                                   // the scan, step 11
//   bookings.SendInboxNotifications();                          // step 16
//   bookings.CheckMeetingModifications(published_table);        // step 17
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "agent/booking/mailbox/book_into_mailbox.h"
#include "agent/booking/meetings/booking_journal.h"
#include "agent/booking/meetings/booking_record.h"
#include "agent/booking/notifications/meeting_modifications.h"
#include "agent/booking/notifications/notification_queue.h"
#include "agent/database/database.h"
#include "agent/scan/booking_hooks.h"
#include "common/agent_log.h"
#include "common/agent_settings.h"
#include "common/status.h"
#include "platform/mapi/mapi.h"

namespace korvale {

// The cycle's connections the bookings use once the scan begins; owned by the
// cycle and valid until it ends.
struct BookingServices {
  Database* db = nullptr;
  mapi::IMAPISession* session = nullptr;
  mapi::IAddrBook* address_book = nullptr;
  mapi::IExchangeManageStore* manage_store = nullptr;
  std::string fill_table;
  std::string instance_name;
};

// The table the web pages read while the fill table is filled; in
// shared-table mode both are KorvaleTable1.
std::string ActiveTableFor(const AgentSettings& settings, const std::string& fill_table);

class AgentBookings : public BookingHooks {
 public:
  AgentBookings(const AgentSettings& settings, AgentLog& log) : settings_(settings), log_(log) {}

  BookingList& list() { return bookings_; }
  BookingNumberList& numbers() { return numbers_; }
  NotificationQueue& notifications() { return notifications_; }
  const BookingList& list() const { return bookings_; }
  const NotificationQueue& notifications() const { return notifications_; }

  // Empties the inbox-notification queue and forgets the previous cycle's
  // connections (the lists are refilled by ReadMeetingsTable).
  void StartCycle();
  void Connect(BookingServices services);
  // Tests set "now" (universal time, FILETIME); null means the system clock.
  void SetClock(std::function<uint64_t()> utc_now) { utc_now_ = std::move(utc_now); }

  // BookingHooks
  bool HasBookings() const override { return !bookings_.empty(); }
  bool ForcesScan(const std::string& mailbox_name, const std::string& dl_value) const override;
  // E_FAIL (nothing done) when Connect has not given a database and an address book.
  mapi::HRESULT BookIntoMailbox(const MailboxBookingTarget& target) override;
  bool IsBookingNumber(const std::string& number) const override { return numbers_.Contains(number); }

  // The journal of bookings taken and not yet carried out everywhere, on the
  // connected database; null before Connect gave one.
  BookingJournal* journal() { return journal_.get(); }
  // The scan reached every mailbox: every booking taken is carried out.
  void FinishTakenBookings();

  // Step 16; nothing without the connections or with an empty queue.
  void SendInboxNotifications();
  // Step 17 on the table just published. See CheckMeetingModifications for the
  // failures it returns; fails with kCheckUnexpectedFailure when not connected.
  // calendar_read: whether this cycle read a mailbox's calendar to the end.
  Status CheckMeetingModifications(const std::string& published_table,
                                   std::function<bool(const std::string&)> calendar_read);

 private:
  bool HasMail() const;

  const AgentSettings& settings_;
  AgentLog& log_;
  BookingList bookings_;
  BookingNumberList numbers_;
  NotificationQueue notifications_;
  BookingServices services_;
  std::function<uint64_t()> utc_now_;
  std::unique_ptr<BookingJournal> journal_;
};

}  // namespace korvale
