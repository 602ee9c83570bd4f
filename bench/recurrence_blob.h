// The appointment recurrence property of a plain weekly series without
// exceptions ([MS-OXOCAL] 2.2.1.44), enough for the generator to give the
// agent real series to expand.
#pragma once

#include <cstdint>
#include <vector>

namespace korvale::bench {

struct WeeklySeries {
  int32_t first_day = 0;  // days since 1601-01-01 of the first occurrence (local)
  int period_weeks = 1;
  int occurrences = 10;
  int start_minute = 0;  // minutes after local midnight
  int duration_minutes = 60;
};

std::vector<uint8_t> WeeklyRecurrenceBlob(const WeeklySeries& s);

// Days since 1601-01-01 of the last occurrence.
int32_t LastDay(const WeeklySeries& s);

}  // namespace korvale::bench
