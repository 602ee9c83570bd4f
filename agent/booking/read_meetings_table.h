// Cycle step 10: take the pending rows of table Meetings into the booking
// list, advance their BookingStatus, finish re-bookings, remove cancelled and
// expired rows and collect the booking numbers that exist.
//
//   BookingList bookings;
//   BookingNumberList numbers;
//   if (!ReadMeetingsTable(db, {instance, now}, bookings, numbers)) skip_the_scan();
#pragma once

#include "agent/booking/booking_cycle.h"
#include "agent/booking/booking_record.h"
#include "agent/database/database.h"

namespace korvale {

// Clears and refills both lists. Returns false when any step failed; every
// failure has been reported (texts "Meetings", the DB setting, the message)
// and the later steps still ran. Records appended before a failure stay.
// A row for none of the agent's scan groups stays pending and is not listed.
bool ReadMeetingsTable(Database& db, const BookingCycle& cycle, BookingList& bookings,
                       BookingNumberList& numbers);

}  // namespace korvale
