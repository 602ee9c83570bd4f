// Windows transition rules: concrete dates of relative and absolute rules,
// universal-to-local in both hemispheres, and the agent's own daylight test
// and local-to-universal conversion.
#include <gtest/gtest.h>

#include "platform/tz/test_times.h"
#include "platform/tz/tz.h"

namespace korvale::tz {
namespace {

using fixtures::At;
using fixtures::Berlin;
using fixtures::NewYork;
using fixtures::Rule;
using fixtures::Sydney;
using fixtures::Zone;

// Week 5 means the last such weekday: February 2021 has four Sundays, so it is
// the fourth; October 2021 has five, so it is the fifth.
TEST(TransitionInYear, WeekFiveIsTheLastOccurrence) {
  EXPECT_EQ(TransitionInYear(Rule(2, 0, 5, 2), 2021), At(2021, 2, 28, 2));
  EXPECT_EQ(TransitionInYear(Rule(9, 0, 5, 2), 2021), At(2021, 9, 26, 2));
  EXPECT_EQ(TransitionInYear(Rule(10, 0, 5, 3), 2021), At(2021, 10, 31, 3));
  EXPECT_EQ(TransitionInYear(Rule(3, 0, 2, 2), 2021), At(2021, 3, 14, 2));
  EXPECT_EQ(TransitionInYear(Rule(4, 0, 1, 3), 2021), At(2021, 4, 4, 3));
  EXPECT_EQ(TransitionInYear(Rule(2, 1, 4, 0), 2021), At(2021, 2, 22, 0)) << "fourth Monday";
}

// An absolute rule (year set) names one moment and is not moved to other years.
TEST(TransitionInYear, AbsoluteRuleIsTakenAsGiven) {
  const SYSTEMTIME absolute = At(2009, 3, 29, 2);
  EXPECT_EQ(TransitionInYear(absolute, 2021), absolute);
}

// Damaged rules from a blob must not loop or crash.
TEST(TransitionInYear, OutOfRangeFieldsAreHarmless) {
  EXPECT_EQ(TransitionInYear(Rule(13, 9, 9, 2), 2021).wYear, 2021);
  EXPECT_EQ(TransitionInYear(Rule(2, 0, 0, 2), 2021), At(2021, 2, 7, 2)) << "week 0 read as 1";
}

// Northern zone: the exact minutes around both changes of 2021.
TEST(UniversalToLocal, NorthernChangesAtTheExactMinute) {
  EXPECT_EQ(SystemTimeToTzSpecificLocalTime(Berlin(), At(2021, 3, 28, 0, 59)), At(2021, 3, 28, 1, 59));
  EXPECT_EQ(SystemTimeToTzSpecificLocalTime(Berlin(), At(2021, 3, 28, 1, 0)), At(2021, 3, 28, 3, 0));
  EXPECT_EQ(SystemTimeToTzSpecificLocalTime(Berlin(), At(2021, 10, 31, 0, 59)), At(2021, 10, 31, 2, 59));
  EXPECT_EQ(SystemTimeToTzSpecificLocalTime(Berlin(), At(2021, 10, 31, 1, 0)), At(2021, 10, 31, 2, 0));
  EXPECT_EQ(SystemTimeToTzSpecificLocalTime(NewYork(), At(2021, 3, 14, 6, 59)), At(2021, 3, 14, 1, 59));
  EXPECT_EQ(SystemTimeToTzSpecificLocalTime(NewYork(), At(2021, 3, 14, 7, 0)), At(2021, 3, 14, 3, 0));
  EXPECT_EQ(SystemTimeToTzSpecificLocalTime(NewYork(), At(2021, 11, 7, 5, 59)), At(2021, 11, 7, 1, 59));
  EXPECT_EQ(SystemTimeToTzSpecificLocalTime(NewYork(), At(2021, 11, 7, 6, 0)), At(2021, 11, 7, 1, 0));
}

// Southern zone: daylight time spans the turn of the year.
TEST(UniversalToLocal, SouthernDaylightSpansNewYear) {
  EXPECT_EQ(SystemTimeToTzSpecificLocalTime(Sydney(), At(2021, 1, 15, 0, 0)), At(2021, 1, 15, 11, 0));
  EXPECT_EQ(SystemTimeToTzSpecificLocalTime(Sydney(), At(2021, 7, 15, 0, 0)), At(2021, 7, 15, 10, 0));
  EXPECT_EQ(SystemTimeToTzSpecificLocalTime(Sydney(), At(2021, 12, 31, 20, 0)), At(2022, 1, 1, 7, 0));
  // 2021-04-04 03:00 daylight is 2021-04-03 16:00 UTC; 2021-10-03 02:00 standard is 16:00 UTC.
  EXPECT_EQ(SystemTimeToTzSpecificLocalTime(Sydney(), At(2021, 4, 3, 15, 59)), At(2021, 4, 4, 2, 59));
  EXPECT_EQ(SystemTimeToTzSpecificLocalTime(Sydney(), At(2021, 4, 3, 16, 0)), At(2021, 4, 4, 2, 0));
  EXPECT_EQ(SystemTimeToTzSpecificLocalTime(Sydney(), At(2021, 10, 2, 15, 59)), At(2021, 10, 3, 1, 59));
  EXPECT_EQ(SystemTimeToTzSpecificLocalTime(Sydney(), At(2021, 10, 2, 16, 0)), At(2021, 10, 3, 3, 0));
}

// A zone nine hours east without daylight rule: 09:00 UTC is 18:00 local.
TEST(UniversalToLocal, FixedOffsetZone) {
  TIME_ZONE_INFORMATION tokyo;
  tokyo.Bias = -540;
  const SYSTEMTIME local = SystemTimeToTzSpecificLocalTime(tokyo, At(2021, 6, 1, 9, 0));
  EXPECT_EQ(local, At(2021, 6, 1, 18, 0));
  EXPECT_EQ(local.wDayOfWeek, 2) << "the weekday is filled in";
}

// Absolute rules apply in their own year only.
TEST(UniversalToLocal, AbsoluteRulesApplyInTheirYear) {
  const TIME_ZONE_INFORMATION z = Zone(-60, -60, At(2021, 10, 31, 3), At(2021, 3, 28, 2));
  EXPECT_EQ(SystemTimeToTzSpecificLocalTime(z, At(2021, 7, 1, 12, 0)), At(2021, 7, 1, 14, 0));
  EXPECT_EQ(SystemTimeToTzSpecificLocalTime(z, At(2021, 12, 1, 12, 0)), At(2021, 12, 1, 13, 0));
  EXPECT_EQ(SystemTimeToTzSpecificLocalTime(z, At(2022, 7, 1, 12, 0)), At(2022, 7, 1, 13, 0));
}

// A blob with impossible rules converts with the bias alone instead of failing.
TEST(UniversalToLocal, DamagedRulesFallBackToTheBias) {
  TIME_ZONE_INFORMATION z = Berlin();
  z.StandardDate.wMonth = 14;
  EXPECT_EQ(SystemTimeToTzSpecificLocalTime(z, At(2021, 7, 1, 12, 0)), At(2021, 7, 1, 13, 0));
  z = Berlin();
  z.DaylightDate.wDay = 6;
  EXPECT_EQ(SystemTimeToTzSpecificLocalTime(z, At(2021, 7, 1, 12, 0)), At(2021, 7, 1, 13, 0));
  z.Bias = 2000000000;
  EXPECT_EQ(SystemTimeToTzSpecificLocalTime(z, At(2021, 7, 1, 12, 0)), At(2021, 7, 1, 12, 0))
      << "a shift out of range leaves the time as it was";
}

// The agent's daylight test compares local wall time with both transitions.
TEST(IsDaylightTime, NorthernAndSouthern) {
  EXPECT_FALSE(IsDaylightTime(Berlin(), At(2021, 3, 28, 1, 59)));
  EXPECT_TRUE(IsDaylightTime(Berlin(), At(2021, 3, 28, 2, 0)));
  EXPECT_TRUE(IsDaylightTime(Berlin(), At(2021, 10, 31, 2, 59)));
  EXPECT_FALSE(IsDaylightTime(Berlin(), At(2021, 10, 31, 3, 0)));
  EXPECT_TRUE(IsDaylightTime(Sydney(), At(2021, 1, 10, 12, 0)));
  EXPECT_FALSE(IsDaylightTime(Sydney(), At(2021, 6, 10, 12, 0)));
  EXPECT_TRUE(IsDaylightTime(Sydney(), At(2021, 12, 10, 12, 0)));
  TIME_ZONE_INFORMATION no_rule = Berlin();
  no_rule.DaylightDate.wMonth = 0;
  EXPECT_FALSE(IsDaylightTime(no_rule, At(2021, 7, 1)));
}

// Local to universal adds the bias and the bias of the period the local time is in.
TEST(LocalToUniversal, UsesThePeriodOfTheLocalTime) {
  EXPECT_EQ(LocalToUniversal(Berlin(), At(2021, 7, 1, 12, 0)), At(2021, 7, 1, 10, 0));
  EXPECT_EQ(LocalToUniversal(Berlin(), At(2021, 1, 1, 0, 30)), At(2020, 12, 31, 23, 30));
  EXPECT_EQ(LocalToUniversal(Sydney(), At(2021, 1, 15, 11, 0)), At(2021, 1, 15, 0, 0));
  EXPECT_EQ(LocalToUniversal(NewYork(), At(2021, 11, 7, 1, 30)), At(2021, 11, 7, 5, 30))
      << "the repeated hour counts as daylight time: the rule names 02:00 daylight wall time";
  TIME_ZONE_INFORMATION utc;
  EXPECT_EQ(LocalToUniversal(utc, At(2021, 7, 1, 12, 0, 5, 7)), At(2021, 7, 1, 12, 0, 5, 7));
  TIME_ZONE_INFORMATION standard_bias_only;
  standard_bias_only.StandardBias = -60;
  EXPECT_EQ(LocalToUniversal(standard_bias_only, At(2021, 7, 1, 12, 0)), At(2021, 7, 1, 11, 0));
}

// Universal -> local -> universal is the identity away from the change hours.
TEST(LocalToUniversal, InvertsUniversalToLocal) {
  for (const TIME_ZONE_INFORMATION& z : {Berlin(), NewYork(), Sydney()}) {
    for (int month = 1; month <= 12; ++month) {
      const SYSTEMTIME utc = At(2021, month, 15, 12, 34);
      EXPECT_EQ(LocalToUniversal(z, SystemTimeToTzSpecificLocalTime(z, utc)), utc) << "month " << month;
    }
  }
}

}  // namespace
}  // namespace korvale::tz
