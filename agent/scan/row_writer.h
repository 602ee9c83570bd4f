// The appointment row writer: the only writer of appointment rows of the fill
// table. One call writes one appointment occurrence as one row, or as one row
// per calendar day when it runs past midnight.
//
//   RowWriterContext ctx{db, settings, "KorvaleTable1", "Caldrun", columns.column_name_list,
//                        window_start, window_end, &mailbox_db_time};
//   CheckAndAddMeeting(ctx, row);
//
// Nothing is returned: every failure is reported through the database's log
// (error 119 for a one-day row, 120 for a day segment, warning 137 for the
// rest) and the scan goes on with the next appointment.
#pragma once

#include <string>
#include <string_view>

#include "agent/database/dialect.h"
#include "agent/scan/meeting_row.h"

namespace korvale {

void CheckAndAddMeeting(RowWriterContext& ctx, MeetingRow row);

// Escapes the body text that the extra values carry between the first two
// "@ApptText@" markers (apostrophes doubled, at most 250 characters); the
// markers stay for the row writer to remove. Unchanged when the extra column
// list has no ", ApptText" or the values hold fewer than two markers.
std::string EscapeApptText(std::string_view extra_columns, std::string extra_values, Dialect dialect);

}  // namespace korvale
