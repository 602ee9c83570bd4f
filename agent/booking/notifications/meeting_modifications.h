// Cycle step 17: the change check of non-modifiable meetings (booking numbers
// with "$$nMMtg$$"). Each booked one that has not been reported yet is
// compared with the rows of the calendar table just published; when a
// mailbox shows it changed, or no longer shows it, the administrators get a
// report, and with AutoBookBackToOriginal the booking is queued to be written
// again as booked (the row goes to status 4 and a copy at status 5 follows).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "agent/booking/meetings/meetings_statements.h"
#include "agent/booking/notifications/notification_mailbox.h"
#include "agent/database/database.h"
#include "common/status.h"

namespace korvale {

struct ModificationCheck {
  MailServices& mail;
  Database& db;
  std::string published_table;  // the calendar table just made active
  std::string instance_name;    // Reserved2 in shared-table mode
  // Whether this cycle read the mailbox's calendar to the end. Only such a
  // mailbox can tell that a meeting was deleted from it: one-off addresses,
  // mailboxes of other agents and failed scans are never counted as missing.
  // Null: no mailbox counts.
  std::function<bool(const std::string& mailbox)> calendar_read;
};

// Status codes of a check that had to stop.
inline constexpr int64_t kCheckDatabaseFailure = 1;  // message: the database's text
inline constexpr int64_t kCheckUnexpectedFailure = 2;

// Checks every candidate. Mail failures are reported (warning 137) and leave
// the booking unreported, so the next cycle tries again. A refused statement
// ends the check with kCheckDatabaseFailure, anything unexpected with
// kCheckUnexpectedFailure; the cycle reports those (error 121) and ends.
Status CheckMeetingModifications(ModificationCheck& check);

// The statements of the check.
std::string SelectUnreportedNonModifiable(const MeetingsScope& scope);
std::string SelectMailboxesShowing(std::string_view table, std::string_view booking_number, Dialect dialect);
std::string SelectMailboxRows(std::string_view table, std::string_view booking_number,
                              std::string_view mailbox, Dialect dialect);
std::string CancelForRebooking(const MeetingsScope& scope, std::string_view booking_number);
std::string CopyForRebooking(const MeetingsScope& scope, std::string_view booking_number);
std::string MarkReported(const MeetingsScope& scope, std::string_view booking_number);

}  // namespace korvale
