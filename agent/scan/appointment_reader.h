// The appointment reader: turns the rows of one pass over a calendar folder
// (the single appointments inside the scan window, or every recurring series)
// into appointment rows through the row writer. Each item's values (subject,
// times in the mailbox's zone, busy status, location, categories, organizer,
// attendees, identifiers, booking number, privacy, custom-field and
// optional-column values) are prepared once; a series is read from its
// recurrence pattern and expanded into the occurrences inside the window.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "agent/database/database.h"
#include "agent/database/optional_columns.h"
#include "agent/scan/calendar_properties.h"
#include "agent/scan/meeting_row.h"
#include "common/agent_log.h"
#include "common/agent_settings.h"
#include "common/stop_check.h"
#include "platform/mapi/mapi.h"
#include "platform/tz/tz_types.h"

namespace korvale {

enum class PassKind { kSingle, kRecurring };

// What the owner's user row holds, as every appointment row of the mailbox repeats it.
struct MailboxRowValues {
  std::string name;  // quoted, at most 50
  std::string phone;
  std::string dl;          // membership text, quoted, at most 250
  std::string datasource;  // quoted, at most 50
  double time_difference = 0;
  std::string alias;
  std::string department;
  std::string reserved3;
  std::string acl;
  std::string aclw;
  int minimum_security = 0;
};

struct AppointmentReaderContext {
  const AgentSettings& settings;
  AgentLog& log;
  StopCheck& stop;
  Database& db;
  RowWriterContext& writer;     // where rows go (fill table, window, extra columns)
  mapi::IMAPIFolder& calendar;  // to open items, their recipients, streams, attachments
  const CalendarTags& tags;
  const MeetingColumns& columns;
  const OptionalColumns& optional_columns;
  std::string instance_name;
  mapi::FILETIME window_start_utc = 0;  // scan window as universal file times
  mapi::FILETIME window_end_utc = 0;
  TIME_ZONE_INFORMATION mailbox_zone;
  // The booking number list: whether a number belongs to a known booking.
  std::function<bool(const std::string&)> is_booking_number;
  uint32_t* message_counter = nullptr;  // counted per row when TimeLog is set
};

// Reads every row of `rows` (read with MeetingColumns::tags) as items of the
// pass. Returns 0, or a MAPI error code (< 0) when an item, its recipient
// table or its rows could not be opened (the pass ends then, as reported).
mapi::HRESULT ReadAppointments(AppointmentReaderContext& ctx, const MailboxRowValues& mailbox, PassKind pass,
                               const mapi::SRowSet& rows);

// The category filter: true when the item is to be left out.
bool CategoryFilterExcludes(const AgentSettings& settings, const std::string& mailbox_name,
                            const std::string& category_text, int32_t busy_status);

}  // namespace korvale
