// Importing an iCalendar file into a mailbox's calendar: single events as
// appointments, recurring events as series with the recurrence property,
// time zone, deleted occurrences and changed occurrences (embedded exception
// items) the way the mail client writes them.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "common/status.h"
#include "tools/orgadmin/appointment.h"

namespace korvale::orgadmin {

// Every VEVENT of the text as an appointment of `mailbox`, changed
// occurrences folded into their series. The whole file is checked first: an
// event the calendar cannot hold is refused with its UID and SUMMARY, and
// then nothing is returned. `file` names the source in messages. A series
// whose DTSTART is not an occurrence of its rule begins on its first
// occurrence instead, which is noted in `notes` (optional).
Expected<std::vector<AppointmentSpec>> ReadIcsEvents(const std::string& text, const std::string& mailbox,
                                                     const std::string& file,
                                                     std::vector<std::string>* notes = nullptr);

// korvale-orgadmin import-ics: reads the file, then writes all events in one
// transaction (nothing is written when any event fails).
Status ImportIcs(const std::string& store, const std::string& mailbox, const std::string& path,
                 std::ostream& out);

}  // namespace korvale::orgadmin
