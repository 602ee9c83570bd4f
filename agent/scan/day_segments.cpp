// Day splitting of multi-day appointments.
#include "agent/scan/day_segments.h"

#include "platform/tz/tz.h"

namespace korvale {
namespace {

FILETIME Ticks(const SYSTEMTIME& t) { return tz::SystemTimeToFileTime(t).value_or(0); }

bool Later(const SYSTEMTIME& a, const SYSTEMTIME& b) { return Ticks(a) > Ticks(b); }

bool SameDate(const SYSTEMTIME& a, const SYSTEMTIME& b) {
  return a.wYear == b.wYear && a.wMonth == b.wMonth && a.wDay == b.wDay;
}

SYSTEMTIME Midnight(const SYSTEMTIME& t) {
  SYSTEMTIME d;
  d.wYear = t.wYear;
  d.wMonth = t.wMonth;
  d.wDay = t.wDay;
  return d;
}

SYSTEMTIME PlusDays(const SYSTEMTIME& t, int days) {
  return tz::AddMinutes(t, static_cast<int64_t>(days) * 1440).value_or(t);
}

// The appointment still has a part on the day that ends at `day_end`.
bool ReachesDay(const SYSTEMTIME& end, const SYSTEMTIME& day_end) {
  return Later(end, day_end) || SameDate(end, day_end);
}

}  // namespace

SYSTEMTIME EndBeforeMidnight(const SYSTEMTIME& end) {
  if (end.wHour != 0 || end.wMinute != 0 || end.wSecond != 0) return end;
  return tz::AddMinutes(end, -1).value_or(end);
}

SYSTEMTIME DayEnd(const SYSTEMTIME& time) {
  SYSTEMTIME d = Midnight(time);
  d.wHour = 23;
  d.wMinute = 59;
  return d;
}

bool IsSingleDay(const SYSTEMTIME& start, const SYSTEMTIME& end) { return !Later(end, DayEnd(start)); }

std::vector<TimeSpan> DaySegments(const SYSTEMTIME& start, const SYSTEMTIME& end,
                                  const SYSTEMTIME& window_start, const SYSTEMTIME& window_end) {
  std::vector<TimeSpan> rows;
  const bool began_before_window = Later(window_start, start);
  const SYSTEMTIME base = Midnight(began_before_window ? window_start : start);
  SYSTEMTIME day_end = DayEnd(start);
  for (int k = 0;; ++k) {
    if (!ReachesDay(end, day_end) || Later(day_end, window_end)) break;
    SYSTEMTIME row_start = PlusDays(base, k);
    if (k == 0) {
      row_start = start;
      if (began_before_window) {
        row_start = window_start;
        day_end = DayEnd(window_start);
        // Moving to the window's first day may leave nothing of the appointment.
        if (!ReachesDay(end, day_end) || Later(day_end, window_end)) break;
      }
    }
    const SYSTEMTIME row_end = SameDate(end, day_end) ? end : DayEnd(PlusDays(base, k));
    rows.push_back({row_start, row_end});
    const SYSTEMTIME next = PlusDays(day_end, 1);
    if (SameDate(next, day_end)) break;  // the calendar's last day
    day_end = next;
  }
  return rows;
}

}  // namespace korvale
