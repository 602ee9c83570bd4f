// Damaged, truncated and nonsensical patterns: each either reads or fails
// cleanly, never reads past its bytes and never expands without bound.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "agent/scan/recurrence/recurrence_dates.h"
#include "agent/scan/recurrence/test_blobs.h"

namespace korvale::recurrence::testing {
namespace {

std::vector<std::string> AllBlobs() {
  std::vector<std::string> blobs;
  for (const char* name : {"oxocal-4.1.1.1-weekly-count12", "oxocal-4.1.1.2-weekly-one-moved",
                           "oxocal-4.1.1.3-every-3-days-two-deleted", "msgreader-friday-lunch-moved-and-busy",
                           "msgreader-every-weekday-allday", "msgreader-monthly-day12-allday",
                           "msgreader-yearly-dec12-allday", "msgreader-daily-7-days-trailing-bytes"}) {
    blobs.push_back(ExampleBlob(name));
  }
  for (const char* name : {"appointmentrecurrencepattern-1", "appointmentrecurrencepattern-2",
                           "recurrencepattern-1", "recurrencepattern-2", "recurrencepattern-3"}) {
    blobs.push_back(MfcmapiBlob(name));
  }
  for (const char* name :
       {"weekly-friday-2023-org", "weekly-friday-2023-chgs1", "weekly-friday-2023-chgs2"}) {
    blobs.push_back(MsgreaderBlob(name));
  }
  return blobs;
}

TEST(MalformedPattern, EveryTruncationReadsOrFailsCleanly) {
  // Each prefix of each real blob, through every reader and expander (ASan watches the reads).
  for (const std::string& blob : AllBlobs()) {
    for (size_t length = 0; length <= blob.size(); ++length) {
      // A copy of exactly `length` bytes, so that a read past it is a heap overflow.
      const std::string prefix = blob.substr(0, length);
      PatternInput in = Input(prefix, Time(2023, 1, 6, 12), Time(2023, 1, 6, 13));
      in.clip_end = Time(2023, 12, 31);
      for (int type = 1; type <= 4; ++type) {
        RecurrenceState state;
        if (!ReadPattern(static_cast<RecurrenceType>(type), in, state)) continue;
        EXPECT_GE(length, size_t{38}) << "shorter than any reader's minimum";
        const auto rows =
            ExpandRows(static_cast<RecurrenceType>(type), state, Time(2022, 1, 1), Time(2024, 1, 1));
        EXPECT_LE(rows.size(), 731u) << "at most one occurrence a day";
      }
    }
  }
}

TEST(MalformedPattern, BytesEndingBeforeTheListsTakeTheEndDateFromTheClipEnd) {
  // 42 bytes hold the deleted count but not the dates: the clip end, converted
  // with the series' zone and rounded to its midnight, gives the end date.
  const std::string bytes = MsgreaderBlob("weekly-friday-2023-org").substr(0, 42);
  PatternInput in = Input(bytes, Time(2023, 1, 6, 12), Time(2023, 1, 6, 13), TokyoZone());
  RecurrenceState state;
  EXPECT_FALSE(ReadWeeklyPattern(in, state)) << "ends by date, but no date anywhere";
  in.clip_end = Time(2023, 12, 30, 15);  // midnight of 31 Dec in Tokyo
  ASSERT_TRUE(ReadWeeklyPattern(in, state));
  EXPECT_EQ(Format(state.end_date), "2023-12-31 00:00");
  in.appointment_zone = EasternZone();
  in.clip_end = Time(2023, 12, 31, 0);  // written by a machine elsewhere: 19:00 the day before in New York
  ASSERT_TRUE(ReadWeeklyPattern(in, state));
  EXPECT_EQ(Format(state.end_date), "2023-12-31 00:00");
}

TEST(MalformedPattern, CountsLargerThanTheBytesFail) {
  // A deleted count of 0xFFFFFFFF must neither allocate nor read.
  std::string bytes = ExampleBlob("msgreader-friday-lunch-moved-and-busy");
  PatchU32(bytes, 38, 0xFFFFFFFF);
  RecurrenceState state;
  EXPECT_FALSE(ReadWeeklyPattern(Input(bytes, Time(2023, 1, 6, 12), Time(2023, 1, 6, 13)), state));
}

TEST(MalformedPattern, DatesBeyondTheYear4500Fail) {
  // 0x5AE980DF is "never"; one minute later is damage.
  std::string bytes = MsgreaderBlob("weekly-friday-2023-org");
  RecurrenceState state;
  PatchU32(bytes, 50, kNeverEndDate);
  ASSERT_TRUE(ReadWeeklyPattern(Input(bytes, Time(2023, 1, 6, 12), Time(2023, 1, 6, 13)), state));
  EXPECT_EQ(Format(state.end_date), "4500-12-31 00:00");
  PatchU32(bytes, 50, kNeverEndDate + 1);
  EXPECT_FALSE(ReadWeeklyPattern(Input(bytes, Time(2023, 1, 6, 12), Time(2023, 1, 6, 13)), state));
}

class MalformedException : public ::testing::Test {
 protected:
  // A weekly Friday series with 13 Jan 2023 moved to the 12th.
  bool Read(PatternBuilder pattern) {
    bytes_ = pattern.Build();
    return ReadWeeklyPattern(Input(bytes_, Time(2023, 1, 6, 12), Time(2023, 1, 6, 13)), state_);
  }
  static PatternBuilder Moved(uint32_t start, uint32_t end, uint32_t original,
                              std::optional<uint32_t> busy = {}) {
    PatternBuilder pattern = Pattern(0x200B, 1, {0x20});
    pattern.deleted = {PatternMinutes(2023, 1, 13)};
    pattern.modified = {PatternMinutes(2023, 1, 12)};
    pattern.records = RecordBytes(start, end, original, "Moved", std::nullopt, busy);
    return pattern;
  }
  std::string bytes_;
  RecurrenceState state_;
};

TEST_F(MalformedException, WellFormedRecordReads) {
  // The baseline the cases below spoil one field at a time.
  EXPECT_TRUE(Read(Moved(PatternMinutes(2023, 1, 12, 12), PatternMinutes(2023, 1, 12, 13),
                         PatternMinutes(2023, 1, 13, 12))));
}

TEST_F(MalformedException, ChangeOfAnOccurrenceNeverDeletedFails) {
  // The original date must be among the deleted dates.
  EXPECT_FALSE(Read(Moved(PatternMinutes(2023, 1, 12, 12), PatternMinutes(2023, 1, 12, 13),
                          PatternMinutes(2023, 1, 20, 12))));
}

TEST_F(MalformedException, MoreModifiedThanDeletedFails) {
  PatternBuilder pattern = Moved(PatternMinutes(2023, 1, 12, 12), PatternMinutes(2023, 1, 12, 13),
                                 PatternMinutes(2023, 1, 13, 12));
  pattern.modified.push_back(PatternMinutes(2023, 1, 19));
  EXPECT_FALSE(Read(pattern));
}

TEST_F(MalformedException, RecordOutsideTheHundredYearRangeFails) {
  // Start earlier than the series start minus 36500 days.
  const uint32_t too_early = PatternMinutes(2023, 1, 6, 12) - 36500 * 1440 - 1;
  EXPECT_FALSE(Read(Moved(too_early, PatternMinutes(2023, 1, 12, 13), PatternMinutes(2023, 1, 13, 12))));
}

TEST_F(MalformedException, RecordEndingBeforeItsStartFails) {
  EXPECT_FALSE(Read(Moved(PatternMinutes(2023, 1, 12, 13), PatternMinutes(2023, 1, 12, 12),
                          PatternMinutes(2023, 1, 13, 12))));
}

TEST_F(MalformedException, BusyStatusAboveTenFails) {
  const uint32_t start = PatternMinutes(2023, 1, 12, 12);
  const uint32_t end = PatternMinutes(2023, 1, 12, 13);
  EXPECT_TRUE(Read(Moved(start, end, PatternMinutes(2023, 1, 13, 12), 10)));
  EXPECT_FALSE(Read(Moved(start, end, PatternMinutes(2023, 1, 13, 12), 11)));
  EXPECT_FALSE(Read(Moved(start, end, PatternMinutes(2023, 1, 13, 12), 0xFFFFFFFF)));
}

TEST_F(MalformedException, LongTextIsCutTo511CharactersAndWindows1252BecomesUtf8) {
  // The reader hands at most 511 characters to QuoteForSql; 8-bit text is converted.
  PatternBuilder pattern = Moved(0, 0, 0);
  pattern.records = RecordBytes(PatternMinutes(2023, 1, 12, 12), PatternMinutes(2023, 1, 12, 13),
                                PatternMinutes(2023, 1, 13, 12), std::string(600, 'x'), "Caf\xE9 \x80", {});
  ASSERT_TRUE(Read(pattern));
  EXPECT_EQ(state_.exceptions[0].subject, "<250>" + std::string(511, 'x'));
  EXPECT_EQ(state_.exceptions[0].location, "<50>Caf\xC3\xA9 \xE2\x82\xAC");
}

TEST(MalformedPattern, NonsensicalPeriodsAndMasksFail) {
  // Each would make a walk stand still or never produce a date.
  PatternBuilder after_zero = Pattern(0x200B, 1, {0x20});
  after_zero.end_type = 0x2022;
  after_zero.count = 0;
  const std::vector<PatternBuilder> patterns = {
      Pattern(0x200A, 0),               // daily, 0 minutes
      Pattern(0x200A, 1000),            // daily, less than a day
      Pattern(0x200A, 1, {0}),          // every weekday, no day
      Pattern(0x200B, 0, {0x20}),       // weekly, 0 weeks
      Pattern(0x200B, 1, {0}),          // weekly, no day
      Pattern(0x200B, 100000, {0x20}),  // weekly, centuries apart
      after_zero,                       // ends after 0 occurrences
  };
  for (const PatternBuilder& pattern : patterns) {
    const std::string bytes = pattern.Build();
    RecurrenceState state;
    const RecurrenceType type =
        pattern.frequency == 0x200A ? RecurrenceType::kDaily : RecurrenceType::kWeekly;
    EXPECT_FALSE(ReadPattern(type, Input(bytes, Time(2023, 1, 6, 12), Time(2023, 1, 6, 13)), state))
        << "frequency " << pattern.frequency << " period " << pattern.period;
  }
}

TEST(MalformedPattern, InvalidSeriesStartFails) {
  // Nothing can be placed on a start date that does not exist.
  const std::string bytes = MsgreaderBlob("weekly-friday-2023-org");
  RecurrenceState state;
  EXPECT_FALSE(ReadWeeklyPattern(Input(bytes, Time(2023, 2, 30, 12), Time(2023, 2, 30, 13)), state));
}

TEST(MalformedPattern, HandBuiltStatesThatCannotAdvanceExpandToNothing) {
  // The expanders do not rely on the readers' checks to terminate.
  RecurrenceState state;
  state.series_start = Time(2023, 1, 6, 12);
  state.series_end = Time(2023, 1, 6, 13);
  for (int type = 1; type <= 4; ++type) {
    state.type = static_cast<RecurrenceType>(type);
    state.week_number = 2;  // the Nth form, where it applies
    for (uint32_t interval : {0u, 1u}) {
      if (type == 1 && interval == 1) continue;  // every day: needs no mask
      state.interval = interval;                 // 0 is also the every-weekday form of daily
      state.day_mask = 0;
      EXPECT_TRUE(ExpandRows(state.type, state, Time(2023, 1, 1), Time(2030, 1, 1)).empty())
          << ToString(state.type) << " interval " << interval;
    }
  }
}

}  // namespace
}  // namespace korvale::recurrence::testing
