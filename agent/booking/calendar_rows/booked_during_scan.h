// Cycle step 14: bookings that the web pages made while the mailboxes were
// being scanned are not in any calendar yet, so the fill table would not show
// them; each one is written as a calendar row for every mailbox it names,
// completed from that mailbox's user row.
//
//   AddRecordsBookedDuringScan(db, "KorvaleTable2", cycle, ", AllDayEvent", writer);
#pragma once

#include <string_view>

#include "agent/booking/booking_cycle.h"
#include "agent/booking/calendar_rows/booked_row_writer.h"
#include "agent/database/database.h"

namespace korvale {

// extra_column_list: ", " + column name for each enabled optional column, as
// the fill table was prepared. The first failure ends the step with error
// event 121 ("General Error reading / adding records booked during scan").
void AddRecordsBookedDuringScan(Database& db, std::string_view fill_table, const BookingCycle& cycle,
                                std::string_view extra_column_list, BookedRowWriter& writer);

}  // namespace korvale
