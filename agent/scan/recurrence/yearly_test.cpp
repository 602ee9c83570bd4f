// Yearly patterns: a day of the series' month every N years (February 29 in
// common years) and the Nth forms.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "agent/scan/recurrence/test_blobs.h"

namespace korvale::recurrence::testing {
namespace {

using ::testing::ElementsAre;

PatternBuilder Yearly(std::vector<uint32_t> specific, uint32_t period = 12) {
  return Pattern(0x200D, period, std::move(specific));
}

std::vector<std::string> ExpandYearly(const std::string& bytes, SYSTEMTIME first, SYSTEMTIME from,
                                      SYSTEMTIME to) {
  RecurrenceState state;
  SYSTEMTIME end = first;
  end.wHour = static_cast<uint16_t>(end.wHour + 1);
  if (!ReadYearlyPattern(Input(bytes, first, end), state)) return {"unreadable"};
  return Starts(ExpandRows(RecurrenceType::kYearly, state, from, to));
}

TEST(YearlyPattern, RealBlobOnDecemberTwelfth) {
  // Period 12 months is an interval of one year.
  std::string bytes = ExampleBlob("msgreader-yearly-dec12-allday");
  RecurrenceState state;
  ASSERT_TRUE(ReadYearlyPattern(Input(bytes, Time(2022, 12, 12), Time(2022, 12, 13)), state));
  EXPECT_EQ(state.interval, 1u);
  EXPECT_EQ(state.day_of_month, 12u);
  EXPECT_EQ(state.occurrence_limit, 1u);
  EXPECT_EQ(ExpandRows(RecurrenceType::kYearly, state, Time(2020, 1, 1), Time(2030, 1, 1)).size(), 1u);

  PatchU32(bytes, 26, 0x2023);
  EXPECT_THAT(ExpandYearly(bytes, Time(2022, 12, 12), Time(2020, 1, 1), Time(2025, 1, 1)),
              ElementsAre("2022-12-12 00:00", "2023-12-12 00:00", "2024-12-12 00:00"));
}

TEST(YearlyPattern, FebruaryTwentyNinthInCommonYears) {
  // February 28 in years that are not leap years, February 29 again in 2028.
  EXPECT_THAT(ExpandYearly(Yearly({29}).Build(), Time(2024, 2, 29, 9), Time(2024, 1, 1), Time(2029, 1, 1)),
              ElementsAre("2024-02-29 09:00", "2025-02-28 09:00", "2026-02-28 09:00", "2027-02-28 09:00",
                          "2028-02-29 09:00"));
}

TEST(YearlyPattern, NthFormAndEveryOtherYear) {
  // Fourth Thursday of November; the plain form every 2 years.
  EXPECT_THAT(
      ExpandYearly(Yearly({0x10, 4}).Build(), Time(2023, 11, 23, 18), Time(2023, 1, 1), Time(2026, 1, 1)),
      ElementsAre("2023-11-23 18:00", "2024-11-28 18:00", "2025-11-27 18:00"));
  EXPECT_THAT(ExpandYearly(Yearly({5}, 24).Build(), Time(2020, 3, 5, 8), Time(2020, 1, 1), Time(2027, 1, 1)),
              ElementsAre("2020-03-05 08:00", "2022-03-05 08:00", "2024-03-05 08:00", "2026-03-05 08:00"));
}

TEST(YearlyPattern, PeriodBelowTwelveMonthsIsRefused) {
  // 11 months make an interval of 0 years, which would never advance.
  EXPECT_THAT(ExpandYearly(Yearly({5}, 11).Build(), Time(2020, 3, 5, 8), Time(2020, 1, 1), Time(2027, 1, 1)),
              ElementsAre("unreadable"));
}

}  // namespace
}  // namespace korvale::recurrence::testing
