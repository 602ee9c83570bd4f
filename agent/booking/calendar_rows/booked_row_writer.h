// What AddRecordsBookedDuringScan hands to the appointment row writer for one
// mailbox of a booking. The row writer itself lives with the mailbox scan; the
// cycle connects it through BookedRowWriter, so the booking engine does not
// depend on the scan.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/tz/tz_types.h"

namespace korvale {

// Text values are ready to go between apostrophes (QuoteForSql at the calendar
// table's column size), except location, which the row writer trims and
// escapes itself.
struct BookedAppointmentRow {
  int min_security = 0;
  std::string mailbox;  // Name
  SYSTEMTIME start;
  SYSTEMTIME end;
  std::string title;
  uint32_t status = 0;  // busy status
  std::string location;
  std::string category;
  std::string organizer;
  std::string attendees;
  std::string dl;
  std::string acl;
  // From the mailbox's user row (empty and 0 when it has none).
  std::string phone;
  std::string datasource;
  double time_difference = 0.0;
  std::string alias;
  std::string department;
  std::string reserved3;
  // One ready-made SQL literal per configured custom field, in field order.
  std::vector<std::string> custom_values;
  // Continues the value list for the extra columns (", 0, ''" ...).
  std::string extra_values;
  std::string appt_id;         // always empty: the appointment is not known yet
  std::string booking_number;  // written to KRVBookingNumber
  std::string aclw;
};

class BookedRowWriter {
 public:
  virtual ~BookedRowWriter() = default;
  // Writes the rows of one appointment; reports its own failures.
  virtual void Write(const BookedAppointmentRow& row) = 0;
};

}  // namespace korvale
