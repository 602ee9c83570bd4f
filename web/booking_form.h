// The booking form: what a visitor sent, checked field by field before
// anything is looked up or written. Every refusal says which field is wrong.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "common/status.h"
#include "platform/odbc/odbc.h"

namespace korvale::web {

// Form fields as posted; a name may come more than once (attendees, rooms).
using FormFields = std::multimap<std::string, std::string>;

struct BookingRequest {
  std::string group;      // the scan group the booking is made for (DL)
  std::string organizer;  // the mailbox the meeting is booked in
  std::vector<std::string> attendees, rooms;
  SqlTimestamp start, end;
  std::string title, location, category;
  int reminder_minutes = 0;
  bool is_private = false;
};

// Fields: group, organizer, attendee (repeated), room (repeated), date
// (YYYY-MM-DD), start and end (HH:MM, end after start on that day), title
// (1 to 250 characters), location and category (up to 50), reminder (minutes,
// 0 to 40320), private ("1"). Texts must be UTF-8 without control characters;
// names up to 50 characters without ";" or "$". The refusal's message names
// the field: "The end must be later than the start."
Expected<BookingRequest> ParseBookingForm(const FormFields& fields);

}  // namespace korvale::web
