// Daily patterns: every N days, the every-weekday form, occurrence limits and
// the window end of a series that never ends.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "agent/scan/recurrence/test_blobs.h"

namespace korvale::recurrence::testing {
namespace {

using ::testing::ElementsAre;

constexpr size_t kDailyEndType = 22;    // every-N form
constexpr size_t kWeekdayEndType = 26;  // every-weekday form

TEST(DailyPattern, EveryThreeDaysWithTwoDeleted) {
  // The published example: 7 Apr - 4 May 2011 at 08:00, 19 and 22 Apr deleted.
  const std::string bytes = ExampleBlob("oxocal-4.1.1.3-every-3-days-two-deleted");
  RecurrenceState state;
  ASSERT_TRUE(ReadDailyPattern(Input(bytes, Time(2011, 4, 7, 8), Time(2011, 4, 7, 8, 30)), state));
  EXPECT_EQ(state.interval, 3u);
  EXPECT_EQ(Format(state.end_date), "2011-05-04 00:00");
  ASSERT_EQ(state.deleted_days.size(), 2u);
  EXPECT_EQ(Format(state.deleted_days[0]), "2011-04-19 00:00");
  const std::vector<Row> rows = ExpandRows(RecurrenceType::kDaily, state, Time(2011, 1, 1), Time(2012, 1, 1));
  EXPECT_THAT(Starts(rows),
              ElementsAre("2011-04-07 08:00", "2011-04-10 08:00", "2011-04-13 08:00", "2011-04-16 08:00",
                          "2011-04-25 08:00", "2011-04-28 08:00", "2011-05-01 08:00", "2011-05-04 08:00"));
  EXPECT_EQ(rows[0].end, "2011-04-07 08:30");
}

TEST(DailyPattern, SevenDaysWithTrailingBytes) {
  // A real blob with 4 bytes after the pattern: all-day events 1-7 Dec 2022.
  const std::string bytes = ExampleBlob("msgreader-daily-7-days-trailing-bytes");
  RecurrenceState state;
  ASSERT_TRUE(ReadDailyPattern(Input(bytes, Time(2022, 12, 1), Time(2022, 12, 2)), state));
  EXPECT_EQ(state.interval, 1u);
  EXPECT_EQ(Format(state.end_date), "2022-12-07 00:00");
  const std::vector<Row> rows =
      ExpandRows(RecurrenceType::kDaily, state, Time(2022, 11, 1), Time(2023, 2, 1));
  ASSERT_EQ(rows.size(), 7u);
  EXPECT_EQ(rows.back().start, "2022-12-07 00:00");
  EXPECT_EQ(rows.back().end, "2022-12-08 00:00") << "an all-day event keeps its 24 hours";
}

TEST(DailyPattern, EveryWeekdayFormGivesMondayToFridayOnly) {
  // Period 1 with a day mask; made endless, two weeks give ten rows and no weekend.
  std::string bytes = ExampleBlob("msgreader-every-weekday-allday");
  RecurrenceState state;
  ASSERT_TRUE(ReadDailyPattern(Input(bytes, Time(2022, 12, 12, 9), Time(2022, 12, 12, 10)), state));
  EXPECT_EQ(state.interval, 0u);
  EXPECT_EQ(state.day_mask, 0x3Eu);
  EXPECT_EQ(state.occurrence_limit, 1u);
  EXPECT_EQ(ExpandRows(RecurrenceType::kDaily, state, Time(2022, 12, 1), Time(2023, 1, 1)).size(), 1u);

  PatchU32(bytes, kWeekdayEndType, 0x2023);
  ASSERT_TRUE(ReadDailyPattern(Input(bytes, Time(2022, 12, 12, 9), Time(2022, 12, 12, 10)), state));
  const std::vector<Row> rows =
      ExpandRows(RecurrenceType::kDaily, state, Time(2022, 12, 10), Time(2022, 12, 24));
  EXPECT_THAT(Starts(rows),
              ElementsAre("2022-12-12 09:00", "2022-12-13 09:00", "2022-12-14 09:00", "2022-12-15 09:00",
                          "2022-12-16 09:00", "2022-12-19 09:00", "2022-12-20 09:00", "2022-12-21 09:00",
                          "2022-12-22 09:00", "2022-12-23 09:00"));
}

TEST(DailyPattern, LimitCountsOccurrencesBeforeTheWindow) {
  // Ends after 10, 8 of them before the window: only the last 2 are written.
  std::string bytes = ExampleBlob("msgreader-daily-7-days-trailing-bytes");
  PatchU32(bytes, kDailyEndType, 0x2022);
  PatchU32(bytes, kDailyEndType + 4, 10);
  RecurrenceState state;
  ASSERT_TRUE(ReadDailyPattern(Input(bytes, Time(2022, 12, 1, 9), Time(2022, 12, 1, 10)), state));
  const std::vector<Row> rows =
      ExpandRows(RecurrenceType::kDaily, state, Time(2022, 12, 9), Time(2023, 6, 1));
  EXPECT_THAT(Starts(rows), ElementsAre("2022-12-09 09:00", "2022-12-10 09:00"));
}

TEST(DailyPattern, NeverEndingSeriesStopsAtTheWindowEnd) {
  // End type "never": the window end alone bounds the walk.
  std::string bytes = ExampleBlob("msgreader-daily-7-days-trailing-bytes");
  PatchU32(bytes, kDailyEndType, 0x2023);
  RecurrenceState state;
  ASSERT_TRUE(ReadDailyPattern(Input(bytes, Time(2022, 12, 1, 9), Time(2022, 12, 1, 10)), state));
  EXPECT_FALSE(state.has_end_date);
  const std::vector<Row> rows =
      ExpandRows(RecurrenceType::kDaily, state, Time(2022, 12, 1), Time(2022, 12, 11));
  ASSERT_EQ(rows.size(), 10u);
  EXPECT_EQ(rows.back().start, "2022-12-10 09:00");
}

TEST(DailyPattern, OnlyTheLowByteOfTheEndTypeCounts) {
  // 0x7722 ends after a count like 0x2022; an unknown end type means no end.
  std::string bytes = ExampleBlob("msgreader-daily-7-days-trailing-bytes");
  PatchU32(bytes, kDailyEndType, 0x7722);
  RecurrenceState state;
  ASSERT_TRUE(ReadDailyPattern(Input(bytes, Time(2022, 12, 1), Time(2022, 12, 2)), state));
  EXPECT_EQ(state.occurrence_limit, 7u);
  PatchU32(bytes, kDailyEndType, 0xFFFFFFFF);
  ASSERT_TRUE(ReadDailyPattern(Input(bytes, Time(2022, 12, 1), Time(2022, 12, 2)), state));
  EXPECT_FALSE(state.has_end_date);
  EXPECT_EQ(state.occurrence_limit, 0u);
}

TEST(DailyPattern, LongRunningSeriesReachesTheWindow) {
  // A daily series begun in 1990 still places today's occurrence at its time of day.
  const std::string bytes = Pattern(0x200A, 1440).Build();
  RecurrenceState state;
  ASSERT_TRUE(ReadDailyPattern(Input(bytes, Time(1990, 5, 3, 7, 15), Time(1990, 5, 3, 7, 45)), state));
  const std::vector<Row> rows = ExpandRows(RecurrenceType::kDaily, state, Time(2030, 1, 1), Time(2030, 1, 3));
  EXPECT_THAT(Starts(rows), ElementsAre("2030-01-01 07:15", "2030-01-02 07:15"));
}

}  // namespace
}  // namespace korvale::recurrence::testing
