// Calendar arithmetic: FILETIME <-> SYSTEMTIME, weekdays, month lengths and
// minute shifts, the ground every zone conversion stands on.
#include <gtest/gtest.h>

#include "platform/tz/test_times.h"
#include "platform/tz/tz.h"

namespace korvale::tz {
namespace {

using fixtures::At;

// The two fixed points of FILETIME: its own epoch and the Unix epoch.
TEST(DateTime, FileTimeEpochs) {
  EXPECT_EQ(SystemTimeToFileTime(At(1601, 1, 1)), 0u);
  EXPECT_EQ(SystemTimeToFileTime(At(1970, 1, 1)), 116444736000000000ULL);
  const SYSTEMTIME back = FileTimeToSystemTime(116444736000000000ULL);
  EXPECT_EQ(back, At(1970, 1, 1));
  EXPECT_EQ(back.wDayOfWeek, 4) << "1970-01-01 was a Thursday";
}

// Every field survives the round trip, milliseconds included, and the weekday is set.
TEST(DateTime, RoundTripKeepsEveryField) {
  const SYSTEMTIME t = At(2024, 2, 29, 23, 59, 58, 999);
  const auto ft = SystemTimeToFileTime(t);
  ASSERT_TRUE(ft.has_value());
  const SYSTEMTIME back = FileTimeToSystemTime(*ft);
  EXPECT_EQ(back, t);
  EXPECT_EQ(back.wDayOfWeek, 4) << "2024-02-29 was a Thursday";
}

// Dates Windows refuses are refused here too instead of wrapping silently.
TEST(DateTime, InvalidDatesFail) {
  EXPECT_FALSE(SystemTimeToFileTime(At(2021, 2, 29)));
  EXPECT_FALSE(SystemTimeToFileTime(At(2021, 13, 1)));
  EXPECT_FALSE(SystemTimeToFileTime(At(2021, 0, 1)));
  EXPECT_FALSE(SystemTimeToFileTime(At(2021, 4, 31)));
  EXPECT_FALSE(SystemTimeToFileTime(At(2021, 1, 1, 24)));
  EXPECT_FALSE(SystemTimeToFileTime(At(1600, 12, 31)));
  EXPECT_FALSE(SystemTimeToFileTime(SYSTEMTIME{}));
}

TEST(DateTime, LeapYearsFollowTheGregorianRule) {
  EXPECT_EQ(DaysInMonth(1900, 2), 28);
  EXPECT_EQ(DaysInMonth(2000, 2), 29);
  EXPECT_EQ(DaysInMonth(2023, 2), 28);
  EXPECT_EQ(DaysInMonth(2024, 2), 29);
  EXPECT_EQ(DaysInMonth(2024, 12), 31);
  EXPECT_EQ(DaysInMonth(2024, 13), 0);
  EXPECT_EQ(DayOfWeek(2024, 1, 1), 1);  // Monday
  EXPECT_EQ(DayOfWeek(1601, 1, 1), 1);
  EXPECT_EQ(DayOfWeek(2021, 3, 28), 0);  // Sunday
}

// Shifts cross day, month, year and leap-day boundaries in both directions.
TEST(DateTime, AddMinutesCrossesBoundaries) {
  EXPECT_EQ(AddMinutes(At(2020, 12, 31, 23, 30), 45), At(2021, 1, 1, 0, 15));
  EXPECT_EQ(AddMinutes(At(2024, 3, 1, 0, 10), -20), At(2024, 2, 29, 23, 50));
  EXPECT_EQ(AddMinutes(At(2024, 3, 1, 0, 10, 5, 7), 0), At(2024, 3, 1, 0, 10, 5, 7));
  EXPECT_EQ(AddMinutes(At(2021, 1, 1), 365 * 1440), At(2022, 1, 1));
}

// Results outside the representable range fail instead of overflowing.
TEST(DateTime, AddMinutesOutOfRangeFails) {
  EXPECT_FALSE(AddMinutes(At(1601, 1, 1, 0, 0), -1));
  EXPECT_FALSE(AddMinutes(At(30827, 12, 31, 23, 59), 1));
  EXPECT_FALSE(AddMinutes(At(2000, 1, 1), INT64_MAX));
  EXPECT_FALSE(AddMinutes(At(2000, 1, 1), INT64_MIN));
  EXPECT_FALSE(AddMinutes(At(2021, 2, 30), 1)) << "an invalid start date";
}

}  // namespace
}  // namespace korvale::tz
