// Monthly patterns: the plain form on a day of month (short months included)
// and the Nth forms (a weekday, weekdays, weekend days, any day; 5 = last).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "agent/scan/recurrence/test_blobs.h"

namespace korvale::recurrence::testing {
namespace {

using ::testing::ElementsAre;

PatternBuilder Monthly(std::vector<uint32_t> specific, uint32_t period = 1) {
  return Pattern(0x200C, period, std::move(specific));
}

std::vector<std::string> ExpandMonthly(const std::string& bytes, SYSTEMTIME first, SYSTEMTIME from,
                                       SYSTEMTIME to) {
  RecurrenceState state;
  SYSTEMTIME end = first;
  end.wHour = static_cast<uint16_t>(end.wHour + 1);
  if (!ReadMonthlyPattern(Input(bytes, first, end), state)) return {"unreadable"};
  return Starts(ExpandRows(RecurrenceType::kMonthly, state, from, to));
}

TEST(MonthlyPattern, RealBlobOnTheTwelfth) {
  // Plain form: day of month at 22, the end type itself at 26.
  std::string bytes = ExampleBlob("msgreader-monthly-day12-allday");
  RecurrenceState state;
  ASSERT_TRUE(ReadMonthlyPattern(Input(bytes, Time(2022, 12, 12), Time(2022, 12, 13)), state));
  EXPECT_EQ(state.interval, 1u);
  EXPECT_EQ(state.day_of_month, 12u);
  EXPECT_FALSE(state.IsNthForm());
  EXPECT_EQ(state.week_number, 0x2022u);
  EXPECT_EQ(state.occurrence_limit, 1u);
  EXPECT_EQ(ExpandRows(RecurrenceType::kMonthly, state, Time(2022, 1, 1), Time(2024, 1, 1)).size(), 1u);

  PatchU32(bytes, 26, 0x2023);
  EXPECT_THAT(ExpandMonthly(bytes, Time(2022, 12, 12), Time(2022, 12, 1), Time(2023, 4, 1)),
              ElementsAre("2022-12-12 00:00", "2023-01-12 00:00", "2023-02-12 00:00", "2023-03-12 00:00"));
}

TEST(MonthlyPattern, ThirtyFirstFallsOnTheLastDayOfShorterMonths) {
  // April 30, February 28 (29 in 2024), and back to the 31st in longer months.
  const std::string bytes = Monthly({31}).Build();
  EXPECT_THAT(ExpandMonthly(bytes, Time(2023, 1, 31, 10), Time(2023, 1, 1), Time(2024, 4, 1)),
              ElementsAre("2023-01-31 10:00", "2023-02-28 10:00", "2023-03-31 10:00", "2023-04-30 10:00",
                          "2023-05-31 10:00", "2023-06-30 10:00", "2023-07-31 10:00", "2023-08-31 10:00",
                          "2023-09-30 10:00", "2023-10-31 10:00", "2023-11-30 10:00", "2023-12-31 10:00",
                          "2024-01-31 10:00", "2024-02-29 10:00", "2024-03-31 10:00"));
}

TEST(MonthlyPattern, NthLastWeekday) {
  // Week 5 with Monday-Friday: the month's last working day.
  const std::string bytes = Monthly({0x3E, 5}).Build();
  EXPECT_THAT(ExpandMonthly(bytes, Time(2023, 1, 31, 9), Time(2023, 1, 1), Time(2023, 10, 1)),
              ElementsAre("2023-01-31 09:00", "2023-02-28 09:00", "2023-03-31 09:00", "2023-04-28 09:00",
                          "2023-05-31 09:00", "2023-06-30 09:00", "2023-07-31 09:00", "2023-08-31 09:00",
                          "2023-09-29 09:00"));
}

TEST(MonthlyPattern, NthForms) {
  // One weekday, the weekend days, the last of one weekday, any day every 2 months.
  EXPECT_THAT(
      ExpandMonthly(Monthly({0x04, 2}).Build(), Time(2023, 1, 10, 9), Time(2023, 1, 1), Time(2023, 4, 1)),
      ElementsAre("2023-01-10 09:00", "2023-02-14 09:00", "2023-03-14 09:00"));
  EXPECT_THAT(
      ExpandMonthly(Monthly({0x41, 1}).Build(), Time(2023, 1, 1, 9), Time(2023, 1, 1), Time(2023, 5, 1)),
      ElementsAre("2023-01-01 09:00", "2023-02-04 09:00", "2023-03-04 09:00", "2023-04-01 09:00"));
  EXPECT_THAT(
      ExpandMonthly(Monthly({0x20, 5}).Build(), Time(2023, 1, 27, 9), Time(2023, 1, 1), Time(2023, 4, 1)),
      ElementsAre("2023-01-27 09:00", "2023-02-24 09:00", "2023-03-31 09:00"));
  EXPECT_THAT(
      ExpandMonthly(Monthly({0x7F, 3}, 2).Build(), Time(2023, 1, 3, 9), Time(2023, 1, 1), Time(2023, 6, 1)),
      ElementsAre("2023-01-03 09:00", "2023-03-03 09:00", "2023-05-03 09:00"));
}

TEST(MonthlyPattern, NonsensicalFieldsAreRefused) {
  // Interval 0 would never advance; days and weeks outside their ranges name no date.
  for (const PatternBuilder& pattern : {Monthly({12}, 0), Monthly({0}), Monthly({32}), Monthly({0x04, 0}),
                                        Monthly({0x04, 6}), Monthly({0x80, 2}), Monthly({12}, 1201)}) {
    EXPECT_THAT(ExpandMonthly(pattern.Build(), Time(2023, 1, 12, 9), Time(2023, 1, 1), Time(2024, 1, 1)),
                ElementsAre("unreadable"));
  }
}

}  // namespace
}  // namespace korvale::recurrence::testing
