// Whether a calendar item that carries a booking number still shows the
// booked meeting. The number stays on the item's row only while some booked
// row of `Meetings` (BookingStatus 2, same `Office`) matches the item; an item
// changed in Outlook loses it, which is how the change check of
// non-modifiable meetings notices the change.
//
// What "matches" means, field by field:
//  - start and end to the second, an end at midnight read as 23:59 of the day
//    before on both sides (a booking ending 23:59 is stored as an all-day item
//    ending at midnight);
//  - title and busy status exactly; location exactly after trimming blanks;
//  - privacy: the item is private exactly when `Phone` carries "$P$";
//  - category: the item's categories are "//" + `Category` + "//", or none
//    when `Category` is empty;
//  - organizer: markers removed and compared without regard to case; an item
//    without organizer, and a "no invitation" booking (which sets none),
//    match any;
//  - attendees, as sets of names compared without regard to case after
//    trimming: the booking's names are its organizer and its `Attendees`
//    split at ";", each with the resource markers "$R$" and "£R£" removed.
//    Every attendee of the item must be one of the booking's names, and for
//    a meeting every booking name other than the organizer and the mailbox
//    itself must still be an attendee of the item (nobody removed in Outlook).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "agent/database/database.h"
#include "platform/tz/tz_types.h"

namespace korvale {

// The item as the booking check sees it: raw store values, not yet escaped.
struct BookedItemView {
  SYSTEMTIME start;
  SYSTEMTIME end;
  std::string subject;
  int32_t busy_status = 2;
  std::string location;
  bool private_item = false;
  std::string categories;  // "//a//b//" or empty
  std::string organizer;
  std::vector<std::string> attendees;  // names, without the organizer and the mailbox
  bool is_meeting = false;             // meeting state flags > 0
  std::string mailbox_name;
};

// One row of `Meetings` against the item.
bool BookedRowMatches(const SqlRow& row, const BookedItemView& item, Dialect dialect);

// "SELECT * FROM Meetings WHERE (BookingStatus=2) AND Office='...'" (shared-table
// mode: " AND Reserved2='<instance>'"), then the rows against the item. Returns
// `booking_number` when a row matches, else an empty text. A refused query is
// reported as error 121 "ReadMeetingsTable: General Error reading / updating
// records while checking for OL modifications" and the number is kept.
std::string CheckBookingNumber(Database& db, std::string_view instance_name,
                               const std::string& booking_number, const BookedItemView& item);

// A name of a booking without its resource markers and surrounding blanks.
std::string BookingName(std::string_view name);

}  // namespace korvale
