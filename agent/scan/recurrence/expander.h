// The four expanders: a read series turned into its occurrences inside the
// scan window, each handed to a callback (the appointment reader passes it on
// to CheckAndAddMeeting).
//
// The walk starts at the series start and counts every occurrence of the
// pattern from 1, deleted and replaced ones included, so an occurrence limit
// holds even when most occurrences lie before the window. It stops at the
// window end, past the occurrence limit, or past the end date. Occurrences
// whose start lies before the window start are counted but not handed on;
// deleted ones are skipped; a modified one is handed on with its own times
// and values (decided by its original date: a moved occurrence appears where
// its original date falls inside the window). Every occurrence is converted
// from the appointment zone to the mailbox zone.
//
// Cost: one date step per candidate date since the series start, no
// allocation per occurrence. An exception thrown by the callback leaves the
// expander unchanged; the caller reports ExpansionErrorText.
#pragma once

#include <functional>

#include "agent/scan/recurrence/recurrence_state.h"
#include "platform/tz/tz_types.h"

namespace korvale::recurrence {

struct ScanWindow {
  FILETIME start;  // universal time
  FILETIME end;    // universal time, exclusive
};

struct ExpansionFrame {
  ScanWindow window;
  TIME_ZONE_INFORMATION appointment_zone;  // the zone the state's times are in
  TIME_ZONE_INFORMATION mailbox_zone;      // the zone occurrences are written in
};

using OccurrenceSink = std::function<void(const Occurrence&)>;

void ExpandDaily(const RecurrenceState& state, const SeriesValues& series, const ExpansionFrame& frame,
                 const OccurrenceSink& sink);
void ExpandWeekly(const RecurrenceState& state, const SeriesValues& series, const ExpansionFrame& frame,
                  const OccurrenceSink& sink);
void ExpandMonthly(const RecurrenceState& state, const SeriesValues& series, const ExpansionFrame& frame,
                   const OccurrenceSink& sink);
void ExpandYearly(const RecurrenceState& state, const SeriesValues& series, const ExpansionFrame& frame,
                  const OccurrenceSink& sink);
void Expand(RecurrenceType type, const RecurrenceState& state, const SeriesValues& series,
            const ExpansionFrame& frame, const OccurrenceSink& sink);

}  // namespace korvale::recurrence
