// One row of table Meetings as the booking engine reads it. Column names are
// found without regard to case, so Oracle's upper-case names need nothing
// special; Oracle's numbers arrive as doubles and are truncated.
#pragma once

#include <string>

#include "agent/database/dialect.h"
#include "common/status.h"
#include "platform/odbc/odbc.h"
#include "platform/tz/tz_types.h"

namespace korvale {

struct MeetingsRow {
  std::string name;  // the booking user
  SYSTEMTIME start;
  SYSTEMTIME end;
  std::string title;
  int status = 0;  // busy status
  std::string location;
  std::string phone;
  std::string office;  // booking number
  std::string initials;
  std::string acl;
  std::string category;
  std::string dl;
  std::string organizer;
  int booking_status = 0;
  std::string attendees;
  std::string aclw;
  // NULL in the columns that always name the row: the per-row update must
  // then compare with IS NULL, as '' never equals NULL.
  bool name_null = false;
  bool title_null = false;
  bool office_null = false;
  bool attendees_null = false;
};

// Reads the row's columns; NULL text is empty (with the NULL-ness of the
// identifying columns kept) and a NULL number 0. Fails when the start or the
// end cannot be read as a date-time, because no statement could then name the
// row; the message names the row's booking number and booking user.
Expected<MeetingsRow> ReadMeetingsRow(const SqlRow& row, Dialect dialect);

SYSTEMTIME ToSystemTime(const SqlTimestamp& timestamp);

}  // namespace korvale
