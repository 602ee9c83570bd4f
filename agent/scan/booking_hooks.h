// What the mailbox scan asks of the cycle's bookings: whether a mailbox must
// be scanned for them, applying them to a calendar the scan has opened, and
// whether a booking number is known. agent/booking implements it; the scan
// sees only this interface, so neither library needs the other's insides.
#pragma once

#include <string>

#include "agent/scan/calendar_properties.h"
#include "platform/mapi/mapi.h"
#include "platform/tz/tz_types.h"

namespace korvale {

// What the scan needs of the bookings of the cycle.
struct MailboxBookingTarget {
  const std::string& mailbox_name;
  const std::string& dl_value;
  mapi::IMAPIFolder& calendar;
  const CalendarTags& tags;
  const TIME_ZONE_INFORMATION& zone;
  // The owner's address-book entry as the scan opened it; the notification
  // mails are addressed to it (a name can belong to two mailboxes).
  const mapi::ENTRYID* owner_entry_id = nullptr;
};

class BookingHooks {
 public:
  virtual ~BookingHooks() = default;
  virtual bool HasBookings() const = 0;
  // A booking for the mailbox (by name in a personal group's recipients, or by
  // the recipients text inside the mailbox's DL value) forces its scan.
  virtual bool ForcesScan(const std::string& mailbox_name, const std::string& dl_value) const = 0;
  virtual mapi::HRESULT BookIntoMailbox(const MailboxBookingTarget& target) = 0;
  virtual bool IsBookingNumber(const std::string& number) const = 0;
};

}  // namespace korvale
