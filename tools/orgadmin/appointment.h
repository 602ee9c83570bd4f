// Appointments and meetings written into mailboxes the way Outlook stores
// them: the calendar named properties, recipients for the attendees, and for
// a meeting an accepted copy in each attendee mailbox's calendar.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/status.h"
#include "platform/mapi/mapi.h"

namespace korvale::orgadmin {

// A named property given literally (recurrence blobs and the like).
struct ExtraProp {
  mapi::MAPINAMEID name;
  mapi::ULONG type = mapi::PT_LONG;
  mapi::PropVariant value;
};

// A changed occurrence of a series, stored as an embedded message the way
// the client keeps it: found by its exception times, which are wall-clock
// times of the series' zone written as FILETIMEs.
struct ExceptionItem {
  mapi::FILETIME local_start = 0, local_end = 0;
  mapi::FILETIME start = 0, end = 0;  // UTC
  std::string subject, location, body;
  int busy = 2;
};

struct AppointmentSpec {
  std::string mailbox;  // alias, display name or "EX:<dn>" of the organizer
  std::string subject, body, location;
  mapi::FILETIME start = 0, end = 0;       // UTC
  std::optional<std::string> zone_struct;  // 48-byte appointment time-zone structure
  int busy = 2;                            // 0 free, 1 tentative, 2 busy, 3 out of office
  bool all_day = false;
  bool is_private = false;
  std::vector<std::string> categories;
  std::optional<int> reminder_minutes;
  std::string booking_number;  // KRVBookingNumber
  std::vector<std::string> required, optional, resources;
  bool accepted = true;          // attendees get an accepted copy in their calendars
  std::vector<ExtraProp> extra;  // replaces a calendar property of the same name
  std::vector<ExceptionItem> exception_items;
};

// The properties every calendar item of `spec` starts with: class, subject,
// times, location, busy status, privacy, reminder, all-day, body,
// categories, and `meeting_state` as meeting state and response status (0 a
// plain appointment, 1 the organizer's copy, 3 an attendee's).
// `calendar_ids` answers GetIDsFromNames(CalendarNames()).
std::vector<mapi::SPropValue> AppointmentProps(const AppointmentSpec& spec,
                                               const mapi::SPropTagArray& calendar_ids,
                                               mapi::LONG meeting_state);

// Writes the appointment (and the attendees' copies); returns the organizer
// copy's entry identifier. Failures name the step and the MAPI code.
Expected<mapi::ENTRYID> WriteAppointment(mapi::IMAPISession& session, const AppointmentSpec& spec);

// Deletes one appointment of a mailbox's calendar by entry identifier.
Status DeleteAppointment(mapi::IMAPISession& session, const std::string& mailbox, const mapi::ENTRYID& id);

// The calendar / inbox folder and store of a mailbox, opened as the agent does.
struct MailboxFolders {
  std::shared_ptr<mapi::IMsgStore> store;
  std::shared_ptr<mapi::IMAPIFolder> inbox, calendar;  // calendar may be empty
  std::string display_name;
};
Expected<MailboxFolders> OpenMailbox(mapi::IMAPISession& session, const std::string& mailbox);

}  // namespace korvale::orgadmin
