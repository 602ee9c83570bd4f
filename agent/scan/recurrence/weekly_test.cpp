// Weekly patterns: the published examples and real Outlook series read to
// their decoded fields and expanded to the occurrences the decodings imply.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "agent/scan/recurrence/test_blobs.h"

namespace korvale::recurrence::testing {
namespace {

using ::testing::ElementsAre;

// The Tokyo Friday lunch of 2023: first occurrence deleted, 13 Jan moved to
// Monday 9 Jan with the subject "Monday Lunch", 20 Jan busy status 3.
class FridayLunch : public ::testing::Test {
 protected:
  void SetUp() override {
    bytes_ = ExampleBlob("msgreader-friday-lunch-moved-and-busy");
    in_ = Input(bytes_, Time(2023, 1, 6, 12), Time(2023, 1, 6, 13), TokyoZone());
  }
  std::string bytes_;
  PatternInput in_;
  RecurrenceState state_;
};

TEST_F(FridayLunch, ReadsDecodedFields) {
  // Every field of the decoding, and the exception matched through its original date.
  ASSERT_TRUE(ReadWeeklyPattern(in_, state_));
  EXPECT_EQ(state_.interval, 1u);
  EXPECT_EQ(state_.day_mask, 0x20u);
  EXPECT_EQ(state_.occurrence_limit, 0u) << "end by date: the count is informational";
  ASSERT_TRUE(state_.has_end_date);
  EXPECT_EQ(Format(state_.end_date), "2023-12-31 00:00");
  ASSERT_EQ(state_.deleted_days.size(), 3u);
  EXPECT_EQ(Format(state_.deleted_days[1]), "2023-01-13 00:00");
  ASSERT_EQ(state_.exceptions.size(), 3u);
  EXPECT_FALSE(state_.exceptions[0].modified) << "6 Jan is only deleted";
  const ExceptionRecord& moved = state_.exceptions[1];
  ASSERT_TRUE(moved.modified);
  EXPECT_EQ(Format(moved.start), "2023-01-09 12:00") << "exception times are local already";
  EXPECT_EQ(Format(moved.end), "2023-01-09 13:00");
  EXPECT_EQ(moved.subject, "<250>Monday Lunch");
  EXPECT_FALSE(moved.location);
  EXPECT_FALSE(moved.has_embedded_item);
  const ExceptionRecord& busy = state_.exceptions[2];
  ASSERT_TRUE(busy.modified);
  EXPECT_EQ(busy.busy_status, 3);
  EXPECT_FALSE(busy.subject);
}

TEST_F(FridayLunch, MovedOccurrenceLandsOnMondayWithItsOwnSubject) {
  // Deleted dates give no row, the moved one appears once at its new time.
  ASSERT_TRUE(ReadWeeklyPattern(in_, state_));
  const std::vector<Row> rows = ExpandRows(RecurrenceType::kWeekly, state_, Time(2023, 1, 1),
                                           Time(2023, 2, 1), TokyoZone(), TokyoZone());
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].start, "2023-01-09 12:00");
  EXPECT_EQ(rows[0].subject, "<250>Monday Lunch");
  EXPECT_EQ(rows[0].location, "Room 1") << "no location override: the series' stands";
  EXPECT_TRUE(rows[0].is_exception);
  EXPECT_EQ(rows[1].start, "2023-01-20 12:00");
  EXPECT_EQ(rows[1].busy_status, 3);
  EXPECT_EQ(rows[1].subject, "Series");
  EXPECT_EQ(rows[2].start, "2023-01-27 12:00");
  EXPECT_EQ(rows[2].end, "2023-01-27 13:00");
  EXPECT_FALSE(rows[2].is_exception);
}

TEST_F(FridayLunch, WholeYearStopsAtTheEndDate) {
  // 52 Fridays, one deleted; a window past the end date adds nothing.
  ASSERT_TRUE(ReadWeeklyPattern(in_, state_));
  const std::vector<Row> rows = ExpandRows(RecurrenceType::kWeekly, state_, Time(2022, 1, 1),
                                           Time(2025, 1, 1), TokyoZone(), TokyoZone());
  ASSERT_EQ(rows.size(), 51u);
  EXPECT_EQ(rows.back().start, "2023-12-29 12:00");
}

TEST_F(FridayLunch, OccurrencesAreWrittenInTheMailboxZone) {
  // Tokyo 12:00 is 03:00 universal.
  ASSERT_TRUE(ReadWeeklyPattern(in_, state_));
  const std::vector<Row> rows =
      ExpandRows(RecurrenceType::kWeekly, state_, Time(2023, 1, 1), Time(2023, 2, 1), TokyoZone(), UtcZone());
  EXPECT_THAT(Starts(rows), ElementsAre("2023-01-09 03:00", "2023-01-20 03:00", "2023-01-27 03:00"));
}

TEST_F(FridayLunch, MinimumSecurityKeepsTheSeriesSubject) {
  // A private or minimum-security series must not reveal an exception's subject.
  in_.minimum_security = true;
  ASSERT_TRUE(ReadWeeklyPattern(in_, state_));
  EXPECT_FALSE(state_.exceptions[1].subject);
}

TEST_F(FridayLunch, BusyStatusAboveTenRejectsTheSeries) {
  // The second record's busy status lies at byte 136.
  PatchU32(bytes_, 136, 11);
  in_.bytes = bytes_;
  EXPECT_FALSE(ReadWeeklyPattern(in_, state_));
  PatchU32(bytes_, 136, 10);
  EXPECT_TRUE(ReadWeeklyPattern(in_, state_));
}

TEST(WeeklyPattern, PublishedExampleEndsAfterTwelve) {
  // Monday, Thursday, Friday from 26 Mar 2007, 12 occurrences.
  const std::string bytes = ExampleBlob("oxocal-4.1.1.1-weekly-count12");
  RecurrenceState state;
  ASSERT_TRUE(ReadWeeklyPattern(Input(bytes, Time(2007, 3, 26, 10), Time(2007, 3, 26, 10, 30)), state));
  EXPECT_EQ(state.day_mask, 0x32u);
  EXPECT_EQ(state.occurrence_limit, 12u);
  EXPECT_FALSE(state.has_end_date);
  const std::vector<Row> rows =
      ExpandRows(RecurrenceType::kWeekly, state, Time(2007, 1, 1), Time(2008, 1, 1));
  EXPECT_THAT(Starts(rows),
              ElementsAre("2007-03-26 10:00", "2007-03-29 10:00", "2007-03-30 10:00", "2007-04-02 10:00",
                          "2007-04-05 10:00", "2007-04-06 10:00", "2007-04-09 10:00", "2007-04-12 10:00",
                          "2007-04-13 10:00", "2007-04-16 10:00", "2007-04-19 10:00", "2007-04-20 10:00"));
}

TEST(WeeklyPattern, PublishedExampleWithOneMovedOccurrence) {
  // 16 Apr moved one hour later with subject and location; subject cut at 250, location at 50.
  const std::string bytes = ExampleBlob("oxocal-4.1.1.2-weekly-one-moved");
  RecurrenceState state;
  ASSERT_TRUE(ReadWeeklyPattern(Input(bytes, Time(2007, 3, 26, 10), Time(2007, 3, 26, 10, 30)), state));
  ASSERT_EQ(state.exceptions.size(), 1u);
  EXPECT_EQ(state.exceptions[0].subject, "<250>Simple Recurrence with exceptions");
  EXPECT_EQ(state.exceptions[0].location, "<50>34/4141");
  const std::vector<Row> rows =
      ExpandRows(RecurrenceType::kWeekly, state, Time(2007, 4, 16), Time(2007, 4, 17));
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].start, "2007-04-16 11:00");
  EXPECT_EQ(rows[0].end, "2007-04-16 11:30");
  EXPECT_EQ(rows[0].location, "<50>34/4141");
}

TEST(WeeklyPattern, ExceptionWithEmbeddedItemTakesItsBodyWhenFetched) {
  // Flags 0x0282: body and attendees come from the embedded item; without it the series' stand.
  const std::string bytes = MfcmapiBlob("appointmentrecurrencepattern-1");
  RecurrenceState state;
  ASSERT_TRUE(ReadWeeklyPattern(Input(bytes, Time(2010, 10, 28, 14, 30), Time(2010, 10, 28, 15, 30)), state));
  ASSERT_EQ(state.exceptions.size(), 4u);
  EXPECT_TRUE(state.exceptions[0].has_embedded_item);
  EXPECT_EQ(state.exceptions[0].override_flags, 0x0282);
  auto rows = ExpandRows(RecurrenceType::kWeekly, state, Time(2011, 2, 17), Time(2011, 2, 18));
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].body, "series body");
  state.exceptions[0].body = "changed body";
  rows = ExpandRows(RecurrenceType::kWeekly, state, Time(2011, 2, 17), Time(2011, 2, 18));
  EXPECT_EQ(rows[0].body, "changed body");
  EXPECT_TRUE(rows[0].is_exception);
}

TEST(WeeklyPattern, OrganizerZoneKeepsTimeOfDayAcrossDaylightSaving) {
  // Every 2 weeks on Thursday at 14:30 Eastern: 18:30 universal in summer time, 19:30 in winter.
  const std::string bytes = MfcmapiBlob("appointmentrecurrencepattern-1");
  RecurrenceState state;
  ASSERT_TRUE(ReadWeeklyPattern(
      Input(bytes, Time(2010, 10, 28, 14, 30), Time(2010, 10, 28, 15, 30), EasternZone()), state));
  const std::vector<Row> rows = ExpandRows(RecurrenceType::kWeekly, state, Time(2010, 1, 1), Time(2012, 1, 1),
                                           EasternZone(), UtcZone());
  ASSERT_EQ(rows.size(), 15u) << "18 occurrences up to 30 Jun 2011, three deleted";
  EXPECT_EQ(rows[0].start, "2010-10-28 18:30");
  EXPECT_EQ(rows[1].start, "2010-11-11 19:30");
  EXPECT_EQ(rows[8].start, "2011-02-17 19:30");
  EXPECT_TRUE(rows[8].is_exception);
  EXPECT_EQ(rows[9].start, "2011-04-14 18:30") << "3 Mar, 17 Mar, 31 Mar are deleted";
  EXPECT_EQ(rows.back().start, "2011-06-23 18:30");
}

TEST(WeeklyPattern, TrailingJunkAfterAValidPatternIsIgnored) {
  // 316 bytes follow the pattern; the six Mondays every 2 weeks still read.
  const std::string bytes = MfcmapiBlob("appointmentrecurrencepattern-2");
  RecurrenceState state;
  ASSERT_TRUE(ReadWeeklyPattern(Input(bytes, Time(2010, 8, 23, 14), Time(2010, 8, 23, 15)), state));
  EXPECT_EQ(state.interval, 2u);
  const std::vector<Row> rows =
      ExpandRows(RecurrenceType::kWeekly, state, Time(2010, 1, 1), Time(2011, 1, 1));
  EXPECT_THAT(Starts(rows), ElementsAre("2010-08-23 14:00", "2010-09-06 14:00", "2010-09-20 14:00",
                                        "2010-10-04 14:00", "2010-10-18 14:00", "2010-11-01 14:00"));
}

TEST(WeeklyPattern, PatternEndingAfterItsEndDateReads) {
  // A pattern without the appointment part still holds both dates.
  const std::string bytes = MfcmapiBlob("recurrencepattern-2");
  RecurrenceState state;
  ASSERT_TRUE(ReadWeeklyPattern(Input(bytes, Time(2010, 8, 23, 14), Time(2010, 8, 23, 15)), state));
  EXPECT_EQ(Format(state.end_date), "2010-11-01 00:00");
  EXPECT_TRUE(state.exceptions.empty());
}

TEST(WeeklyPattern, ModifiedOccurrencesWithoutRecordsFail) {
  // Modified dates promise records that the bytes do not hold.
  for (const char* name : {"recurrencepattern-1", "recurrencepattern-3"}) {
    const std::string bytes = MfcmapiBlob(name);
    RecurrenceState state;
    EXPECT_FALSE(ReadWeeklyPattern(Input(bytes, Time(2010, 4, 1, 14), Time(2010, 4, 1, 15)), state)) << name;
  }
}

TEST(WeeklyPattern, FridaySeriesWithMovedAndChangedOccurrence) {
  // 13 Jan moved to Thursday 12 Jan with subject, location, busy status and body changed.
  const std::string org = MsgreaderBlob("weekly-friday-2023-org");
  const std::string chgs1 = MsgreaderBlob("weekly-friday-2023-chgs1");
  const std::string chgs2 = MsgreaderBlob("weekly-friday-2023-chgs2");
  const SYSTEMTIME start = Time(2023, 1, 6, 12);
  const SYSTEMTIME end = Time(2023, 1, 6, 13);
  RecurrenceState state;
  ASSERT_TRUE(ReadWeeklyPattern(Input(org, start, end), state));
  EXPECT_EQ(ExpandRows(RecurrenceType::kWeekly, state, Time(2023, 1, 1), Time(2024, 1, 1)).size(), 52u);

  ASSERT_TRUE(ReadWeeklyPattern(Input(chgs1, start, end), state));
  auto rows = ExpandRows(RecurrenceType::kWeekly, state, Time(2023, 1, 1), Time(2023, 1, 21));
  EXPECT_THAT(Starts(rows), ElementsAre("2023-01-12 12:00", "2023-01-20 12:00"));
  EXPECT_EQ(rows[0].subject, "<250>Lanch time, every friday, in 2023 [rescheduled!]");

  ASSERT_TRUE(ReadWeeklyPattern(Input(chgs2, start, end), state));
  const ExceptionRecord& moved = state.exceptions[1];
  EXPECT_EQ(moved.override_flags, 0x0275);
  EXPECT_EQ(moved.location, "<50>Awesome coffee shop");
  EXPECT_EQ(moved.busy_status, 1);
  EXPECT_TRUE(moved.has_embedded_item) << "0x0200: the body lives in the embedded item";
  rows = ExpandRows(RecurrenceType::kWeekly, state, Time(2023, 1, 1), Time(2023, 1, 21));
  EXPECT_EQ(rows[0].location, "<50>Awesome coffee shop");
  EXPECT_EQ(rows[0].busy_status, 1);
}

}  // namespace
}  // namespace korvale::recurrence::testing
