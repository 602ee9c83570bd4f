// The calendar-day arithmetic of the row writer: an end at midnight belongs
// to the day before, and an appointment that runs past its first day becomes
// one row per day, clipped to the scan window.
#pragma once

#include <vector>

#include "platform/tz/tz_types.h"

namespace korvale {

struct TimeSpan {
  SYSTEMTIME start;
  SYSTEMTIME end;
};

// An end whose time of day is 00:00:00 moved back one minute (to 23:59 of the
// day before); any other end unchanged.
SYSTEMTIME EndBeforeMidnight(const SYSTEMTIME& end);

// 23:59:00 of the date of `time`.
SYSTEMTIME DayEnd(const SYSTEMTIME& time);

// Whether the end is not later than 23:59:00 of the start's date.
bool IsSingleDay(const SYSTEMTIME& start, const SYSTEMTIME& end);

// The day rows of a multi-day appointment: the first from the start (or the
// window start, when the appointment began before the window) to 23:59 of that
// day, whole days 00:00-23:59, the last ending at the end. Days whose 23:59
// lies after the window end are dropped, and so is an appointment that ended
// before the window's first day. All date-times must be valid.
//
//   Mon 22:00 - Wed 02:00  ->  Mon 22:00-23:59, Tue 00:00-23:59, Wed 00:00-02:00
std::vector<TimeSpan> DaySegments(const SYSTEMTIME& start, const SYSTEMTIME& end,
                                  const SYSTEMTIME& window_start, const SYSTEMTIME& window_end);

}  // namespace korvale
