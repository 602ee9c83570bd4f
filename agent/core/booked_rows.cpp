#include "agent/core/booked_rows.h"

#include "agent/scan/row_writer.h"

namespace korvale {

void BookedRowsToFillTable::Write(const BookedAppointmentRow& b) {
  MeetingRow row;
  row.minimum_security = b.min_security;
  row.name = b.mailbox;
  row.start = b.start;
  row.end = b.end;
  row.subject = b.title;
  row.status = b.status;
  row.location = b.location;
  row.category = b.category;
  row.organizer = b.organizer;
  row.attendees = b.attendees;
  row.dl = b.dl;
  row.datasource = b.datasource;
  row.time_difference = b.time_difference;
  row.alias = b.alias;
  row.department = b.department;
  row.reserved3 = b.reserved3;
  row.custom_field_values = b.custom_values;
  row.extra_values = b.extra_values;
  row.appt_id = b.appt_id;
  row.acl = b.acl;
  row.phone = b.phone;
  row.booking_number = b.booking_number;
  row.aclw = b.aclw;
  CheckAndAddMeeting(context_, std::move(row));
}

}  // namespace korvale
