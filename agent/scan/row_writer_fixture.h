// Test builders for the row writer: a typical appointment and the settings of
// each dialect.
#pragma once

#include <string>

#include "agent/database/dialect.h"
#include "agent/scan/meeting_row.h"
#include "platform/tz/test_times.h"

namespace korvale::scan_fixtures {

using tz::fixtures::At;

// Ann's one-hour meeting on Monday 2021-03-08, with every value set.
inline MeetingRow Meeting() {
  MeetingRow row;
  row.name = "Ann";
  row.start = At(2021, 3, 8, 10, 0);
  row.end = At(2021, 3, 8, 11, 0);
  row.subject = "Weekly";
  row.status = 2;
  row.location = "Room 1";
  row.category = "Team";
  row.organizer = "Bob";
  row.attendees = "Ann; Carl";
  row.dl = "//Sales//";
  row.datasource = "$local";
  row.time_difference = 1;
  row.alias = "ann";
  row.department = "Sales";
  row.reserved3 = "r3";
  row.appt_id = "00000000AB12CD";
  row.acl = "DOMAIN\\ann";
  row.phone = "555";
  row.booking_number = "";
  row.aclw = "DOMAIN\\bob";
  return row;
}

inline AgentSettings SettingsFor(Dialect dialect) {
  AgentSettings settings;
  settings.db = "Calendar";
  switch (dialect) {
    case Dialect::kSqlServer:
      settings.sql_server = 1;
      settings.sql_server_family_flag = true;
      break;
    case Dialect::kMySql:
      settings.my_sql = 1;
      settings.mysql_flag = true;
      break;
    case Dialect::kOracle:
      settings.oracle = 1;
      settings.oracle_flag = true;
      break;
    case Dialect::kSQLite:
      settings.sqlite = 1;
      settings.sqlite_flag = true;
      break;
    case Dialect::kAccess: break;
  }
  return settings;
}

}  // namespace korvale::scan_fixtures
