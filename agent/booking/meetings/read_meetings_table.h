// Cycle step 10: take the pending rows of table Meetings into the booking
// list, advance their BookingStatus, finish re-bookings, remove cancelled and
// expired rows and collect the booking numbers that exist.
//
//   BookingList bookings;
//   BookingNumberList numbers;
//   if (!ReadMeetingsTable(db, {instance, now}, bookings, numbers)) skip_the_scan();
#pragma once

#include "agent/booking/booking_cycle.h"
#include "agent/booking/meetings/booking_record.h"
#include "agent/database/database.h"

namespace korvale {

class BookingJournal;

// Clears and refills both lists. Returns false when any step failed; every
// failure has been reported (texts "Meetings", the DB setting, the message)
// and the later steps still ran. Records appended before a failure stay.
// A row for none of the agent's scan groups stays pending and is not listed.
// A row is listed only once its update took it (the update found the row and,
// with a journal, its entry was written in the same transaction); a row it
// cannot take stays pending for the next cycle. A row whose start or end
// cannot be read is reported (error 121 with its booking number), stays as
// it is, and is no failure of the call.
// journal: loaded first (its records lead the list); null means none.
bool ReadMeetingsTable(Database& db, const BookingCycle& cycle, BookingList& bookings,
                       BookingNumberList& numbers, BookingJournal* journal = nullptr);

}  // namespace korvale
