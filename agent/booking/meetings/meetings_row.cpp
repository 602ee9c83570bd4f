// Reading one Meetings row by column name.
#include "agent/booking/meetings/meetings_row.h"

namespace korvale {
namespace {

std::string TextOf(const SqlRow& row, const char* column) { return row.Text(column).value_or(std::string()); }

int IntOf(const SqlRow& row, const char* column) { return static_cast<int>(row.Int(column).value_or(0)); }

}  // namespace

SYSTEMTIME ToSystemTime(const SqlTimestamp& timestamp) {
  SYSTEMTIME st;
  st.wYear = static_cast<uint16_t>(timestamp.year);
  st.wMonth = static_cast<uint16_t>(timestamp.month);
  st.wDay = static_cast<uint16_t>(timestamp.day);
  st.wHour = static_cast<uint16_t>(timestamp.hour);
  st.wMinute = static_cast<uint16_t>(timestamp.minute);
  st.wSecond = static_cast<uint16_t>(timestamp.second);
  return st;
}

Expected<MeetingsRow> ReadMeetingsRow(const SqlRow& row, Dialect dialect) {
  auto start = row.Timestamp(StartColumn(dialect));
  auto end = row.Timestamp("EndTime");
  if (!start || !end) {
    return Status::Error("Booking number '" + TextOf(row, "Office") + "' of '" + TextOf(row, "Name") +
                         "': the start or the end cannot be read as a date and time");
  }
  MeetingsRow m;
  m.name = TextOf(row, "Name");
  m.start = ToSystemTime(*start);
  m.end = ToSystemTime(*end);
  m.title = TextOf(row, "Title");
  m.status = IntOf(row, "Status");
  m.location = TextOf(row, "Location");
  m.phone = TextOf(row, "Phone");
  m.office = TextOf(row, "Office");
  m.initials = TextOf(row, "Initials");
  m.acl = TextOf(row, "ACL");
  m.category = TextOf(row, "Category");
  m.dl = TextOf(row, "DL");
  m.organizer = TextOf(row, "Organizer");
  m.booking_status = IntOf(row, "BookingStatus");
  m.attendees = TextOf(row, "Attendees");
  m.aclw = TextOf(row, "ACLw");
  m.name_null = row.IsNull("Name");
  m.title_null = row.IsNull("Title");
  m.office_null = row.IsNull("Office");
  m.attendees_null = row.IsNull("Attendees");
  return m;
}

}  // namespace korvale
