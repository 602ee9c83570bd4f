// Reading what the agent published: the table KorvaleConfig names as active
// (never the fill table a running cycle is writing), its user rows (Status 9),
// its appointment rows and its marker rows (Status 8).
//
//   PublishedCalendars published(connection, installation);
//   auto state = published.ReadState();           // which table, is a cycle running
//   auto members = published.Members(state->table);
//   auto rows = published.Rows(state->table, {"Anna Berg"}, monday, monday + days{7});
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/status.h"
#include "platform/odbc/odbc.h"
#include "web/calendar_date.h"
#include "web/installation.h"

namespace korvale::web {

// A mailbox's user row.
struct MemberRow {
  std::string name, email, phone, office, department, job_title;
  std::string acl, aclw;
  std::string groups;  // the membership text, "//Staff//Rooms//"
  bool InGroup(const std::string& group) const;
};

// One appointment row (one day of one occurrence).
struct PublishedRow {
  std::string name;
  SqlTimestamp start, end;
  std::string title;
  int status = 2;  // busy status: 0 free, 1 tentative, 2 busy, 3 out of office
  std::string location, category, organizer, attendees;
  std::string booking_number;  // KRVBookingNumber: set when a booking made the appointment
  std::string appt_id;         // hexadecimal appointment identifier (shared-table mode only)
};

struct PublishedState {
  std::string table;  // the active table; empty when nothing was published yet
  // A cycle has prepared the other table since the active one was published:
  // what is shown is the last published state, not the one being written.
  bool cycle_running = false;
  std::optional<SqlTimestamp> published_at;  // the active table's "$maintenance" time
  bool booking_restricted = false;           // only the "$canbookmeetings" accounts may book
  std::vector<std::string> can_book;         // the ACL texts of the "$canbookmeetings" rows
};

class PublishedCalendars {
 public:
  PublishedCalendars(SqlConnection& db, const Installation& installation)
      : db_(db), installation_(installation) {}

  // Each read fails with a message that says what could not be read and the
  // driver's text; nothing half-read is returned.
  Expected<PublishedState> ReadState();
  // Every user row of the table, in name order.
  Expected<std::vector<MemberRow>> Members(const std::string& table);
  // The appointment rows of the named mailboxes that touch the days [from, to), by start.
  Expected<std::vector<PublishedRow>> Rows(const std::string& table, const std::vector<std::string>& names,
                                           Day from, Day to);

 private:
  Expected<std::optional<SqlTimestamp>> MaintenanceTime(const std::string& table, bool must_exist);

  SqlConnection& db_;
  const Installation& installation_;
};

// "KorvaleTable1" or "KorvaleTable2" for the stored ActiveTable value (its
// first 13 characters, without regard to case, as the agent reads it); empty
// for anything else, so that no other name ever reaches a statement.
std::string CalendarTableName(const std::string& active_table_value);

}  // namespace korvale::web
