// The report texts, the choice of reader and zone, and the day rules the
// expanders are built on.
#include <gtest/gtest.h>

#include "agent/scan/recurrence/recurrence_dates.h"
#include "agent/scan/recurrence/recurrence_messages.h"
#include "agent/scan/recurrence/test_blobs.h"

namespace korvale::recurrence::testing {
namespace {

TEST(RecurrenceMessages, TextsAsTheEventLogShowsThem) {
  // Operators search the event log for these exact texts.
  EXPECT_EQ(PatternUnreadableText(RecurrenceType::kWeekly, "Team", "jdoe"),
            "Recurrence information of weekly recurring meeting Team in mailbox jdoe could not be read.");
  EXPECT_EQ(PatternUnreadableText(RecurrenceType::kDaily, std::nullopt, "jdoe"),
            "Recurrence information of daily recurring meeting [unknown or empty subject] in mailbox jdoe "
            "could not be read.");
  EXPECT_EQ(
      NoRecurrenceText("", "room1"),
      "Recurrence information of meeting [unknown or empty subject] in mailbox room1 could not be read.");
  EXPECT_EQ(ExpansionErrorText(RecurrenceType::kMonthly, "jdoe"),
            "General Error expanding monthly recurrence in mailbox jdoe.");
  EXPECT_EQ(ExpansionErrorText(RecurrenceType::kYearly, "jdoe"),
            "General Error expanding yearly recurrence in mailbox jdoe.");
  EXPECT_EQ(kRecurrenceEventId, 137u);
}

TEST(ChooseRecurrenceType, RowTypeFirstThenTheFrequency) {
  // The row's value wins when it is 1..4; otherwise 0x200A..0x200D give 1..4.
  const std::string weekly = ExampleBlob("oxocal-4.1.1.1-weekly-count12");
  EXPECT_EQ(ChooseRecurrenceType(3, weekly), RecurrenceType::kMonthly);
  EXPECT_EQ(ChooseRecurrenceType(std::nullopt, weekly), RecurrenceType::kWeekly);
  EXPECT_EQ(ChooseRecurrenceType(0, ExampleBlob("msgreader-yearly-dec12-allday")), RecurrenceType::kYearly);
  EXPECT_EQ(ChooseRecurrenceType(7, std::string("\x04\x30\x04\x30\x0E\x20", 6)), std::nullopt);
  EXPECT_EQ(ChooseRecurrenceType(std::nullopt, "\x04\x30"), std::nullopt);
}

TEST(AppointmentZone, StructureOfTheSeriesOrTheMailboxZone) {
  // 48 bytes or more give the series' own zone; anything shorter falls back.
  const std::string bytes = MfcmapiBlob("timezone-1");
  const TIME_ZONE_INFORMATION zone = AppointmentZone(bytes, TokyoZone());
  EXPECT_EQ(zone.Bias, 300);
  EXPECT_EQ(zone.DaylightBias, -60);
  EXPECT_EQ(zone.DaylightDate.wMonth, 3);
  EXPECT_EQ(zone.StandardDate.wMonth, 11);
  EXPECT_EQ(AppointmentZone(std::string_view(bytes).substr(0, 47), TokyoZone()).Bias, -540);
  EXPECT_EQ(AppointmentZone(std::nullopt, TokyoZone()).Bias, -540);
}

TEST(RecurrenceDates, DayRulesOfTheMonthlyAndYearlyForms) {
  // Week 5 is the last such day, also in a month with only four of them.
  EXPECT_EQ(NthDayInMonth(2023, 2, 0x02, 5), 27);  // last Monday of February 2023
  EXPECT_EQ(NthDayInMonth(2023, 7, 0x02, 5), 31);  // July 2023 has five Mondays
  EXPECT_EQ(NthDayInMonth(2023, 4, 0x3E, 1), 3);   // first weekday: Monday 3 April
  EXPECT_EQ(NthDayInMonth(2023, 4, 0x41, 2), 2);   // second weekend day: Sunday 2 April
  EXPECT_EQ(NthDayInMonth(2023, 4, 0x00, 1), 0);
  EXPECT_EQ(PlainDayInMonth(2023, 2, 29), 28);
  EXPECT_EQ(PlainDayInMonth(2024, 2, 29), 29);
  EXPECT_EQ(PlainDayInMonth(2024, 4, 31), 30);
  EXPECT_EQ(WeekdayOfDay(*DayNumber(2023, 1, 9)), 1) << "9 Jan 2023 was a Monday";
}

}  // namespace
}  // namespace korvale::recurrence::testing
