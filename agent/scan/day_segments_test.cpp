// Day rows of appointments that run past midnight, and the midnight end rule.
#include "agent/scan/day_segments.h"

#include <gtest/gtest.h>

#include "platform/tz/test_times.h"

namespace korvale {
namespace {

using tz::fixtures::At;

const SYSTEMTIME kWindowStart = At(2021, 3, 1, 0, 0, 0);
const SYSTEMTIME kWindowEnd = At(2021, 3, 31, 23, 59, 59);

void ExpectSpans(const std::vector<TimeSpan>& got, const std::vector<TimeSpan>& want) {
  ASSERT_EQ(got.size(), want.size());
  for (size_t i = 0; i < want.size(); ++i) {
    EXPECT_EQ(got[i].start, want[i].start) << "row " << i;
    EXPECT_EQ(got[i].end, want[i].end) << "row " << i;
  }
}

// An end at 00:00 belongs to the day before, so 10:00-00:00 is a one-day appointment.
TEST(DaySegments, MidnightEndBelongsToTheDayBefore) {
  EXPECT_EQ(EndBeforeMidnight(At(2021, 3, 9, 0, 0)), At(2021, 3, 8, 23, 59));
  EXPECT_EQ(EndBeforeMidnight(At(2021, 3, 1, 0, 0)), At(2021, 2, 28, 23, 59));
  EXPECT_EQ(EndBeforeMidnight(At(2021, 3, 9, 0, 1)), At(2021, 3, 9, 0, 1));
  EXPECT_TRUE(IsSingleDay(At(2021, 3, 8, 10, 0), EndBeforeMidnight(At(2021, 3, 9, 0, 0))));
  EXPECT_TRUE(IsSingleDay(At(2021, 3, 8, 10, 0), At(2021, 3, 8, 23, 59)));
  EXPECT_FALSE(IsSingleDay(At(2021, 3, 8, 10, 0), At(2021, 3, 8, 23, 59, 30)));
}

// Monday 22:00 to Wednesday 02:00 is three rows, one per day.
TEST(DaySegments, OneRowPerDay) {
  ExpectSpans(DaySegments(At(2021, 3, 8, 22, 0), At(2021, 3, 10, 2, 0), kWindowStart, kWindowEnd),
              {{At(2021, 3, 8, 22, 0), At(2021, 3, 8, 23, 59)},
               {At(2021, 3, 9, 0, 0), At(2021, 3, 9, 23, 59)},
               {At(2021, 3, 10, 0, 0), At(2021, 3, 10, 2, 0)}});
}

// Ending at 23:59 exactly still ends on that day: no empty row for the next day.
TEST(DaySegments, EndOnDayEnd) {
  ExpectSpans(
      DaySegments(At(2021, 3, 8, 22, 0), At(2021, 3, 9, 23, 59), kWindowStart, kWindowEnd),
      {{At(2021, 3, 8, 22, 0), At(2021, 3, 8, 23, 59)}, {At(2021, 3, 9, 0, 0), At(2021, 3, 9, 23, 59)}});
}

// An appointment that began before the window starts its first row at the window start.
TEST(DaySegments, BeganBeforeTheWindow) {
  ExpectSpans(
      DaySegments(At(2021, 2, 26, 10, 0), At(2021, 3, 2, 12, 0), kWindowStart, kWindowEnd),
      {{At(2021, 3, 1, 0, 0), At(2021, 3, 1, 23, 59)}, {At(2021, 3, 2, 0, 0), At(2021, 3, 2, 12, 0)}});
  ExpectSpans(DaySegments(At(2021, 2, 28, 10, 0), At(2021, 3, 1, 9, 0), kWindowStart, kWindowEnd),
              {{At(2021, 3, 1, 0, 0), At(2021, 3, 1, 9, 0)}});
}

// Nothing is written for an appointment that ended before the window's first day.
TEST(DaySegments, EndedBeforeTheWindow) {
  EXPECT_TRUE(DaySegments(At(2021, 2, 20, 10, 0), At(2021, 2, 22, 9, 0), kWindowStart, kWindowEnd).empty());
}

// Days after the window end are dropped; the window's last day is kept.
TEST(DaySegments, DaysAfterTheWindowAreDropped) {
  ExpectSpans(
      DaySegments(At(2021, 3, 30, 10, 0), At(2021, 4, 2, 12, 0), kWindowStart, kWindowEnd),
      {{At(2021, 3, 30, 10, 0), At(2021, 3, 30, 23, 59)}, {At(2021, 3, 31, 0, 0), At(2021, 3, 31, 23, 59)}});
  EXPECT_TRUE(DaySegments(At(2021, 4, 3, 10, 0), At(2021, 4, 5, 12, 0), kWindowStart, kWindowEnd).empty());
}

// A series item spanning the whole window gives exactly one row per window day.
TEST(DaySegments, LongerThanTheWindow) {
  const auto rows = DaySegments(At(2021, 1, 1, 8, 0), At(2021, 6, 1, 8, 0), kWindowStart, kWindowEnd);
  ASSERT_EQ(rows.size(), 31u);
  EXPECT_EQ(rows.front().start, At(2021, 3, 1, 0, 0));
  EXPECT_EQ(rows.back().end, At(2021, 3, 31, 23, 59));
}

}  // namespace
}  // namespace korvale
