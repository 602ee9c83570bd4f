// One appointment occurrence as the row writer receives it, and what the
// writer needs of the cycle to write it.
//
// Text values arrive ready to stand between the apostrophes of a statement
// (the caller has passed them through QuoteForSql), except the location and
// the contact company, which the writer trims and escapes itself.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "agent/database/database.h"
#include "common/agent_settings.h"
#include "platform/tz/tz_types.h"

namespace korvale {

struct MeetingRow {
  int minimum_security = 0;                      // non-zero: the mailbox is published with minimum security
  std::string name;                              // Name: the mailbox
  SYSTEMTIME start;                              // Start (Oracle StartTime), local time
  SYSTEMTIME end;                                // EndTime, local time
  std::string subject;                           // Title
  uint32_t status = 0;                           // Status: the busy status
  std::string location;                          // Location: as read; trimmed, escaped and cut to 50 here
  std::string category;                          // Category
  std::string organizer;                         // Organizer
  std::string attendees;                         // Attendees: written only when not empty
  std::string dl;                                // DL
  std::string datasource;                        // Datasource
  double time_difference = 0;                    // TimeDifference
  std::string alias;                             // Alias
  std::string department;                        // Department
  std::string reserved3;                         // Reserved3
  std::vector<std::string> custom_field_values;  // ready-made SQL literals, one per custom field
  std::string extra_values;     // continues the value list (", 1, 'text'"); may hold @ApptText@ markers
  std::string appt_id;          // ApptID: the appointment's identifier in hexadecimal
  std::string acl;              // ACL
  std::string phone;            // Phone
  std::string contact_company;  // ContactCompanyName: as read; escaped and cut to 250 here
  std::string booking_number;   // KRVBookingNumber
  std::string aclw;             // ACLw
};

// What one call of the row writer uses of the cycle and the mailbox scan.
struct RowWriterContext {
  Database& db;
  const AgentSettings& settings;
  std::string fill_table;     // KorvaleTable1 or KorvaleTable2
  std::string instance_name;  // written to and compared with KRVService
  std::string extra_columns;  // the optional column-name list: ", AllDayEvent, ApptText"
  SYSTEMTIME window_start;    // scan window, local time
  SYSTEMTIME window_end;
  // The mailbox's total of database time; with TimeLog each call adds its own.
  std::chrono::steady_clock::duration* db_time = nullptr;
};

}  // namespace korvale
