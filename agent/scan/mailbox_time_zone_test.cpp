// The mailbox time zone chosen from a group's SetTZ value, the strict [DST]
// period test, and the TimeDifference value.
#include "agent/scan/mailbox_time_zone.h"

#include <gtest/gtest.h>

#include "platform/tz/test_times.h"

namespace korvale {
namespace {

using tz::fixtures::At;

TIME_ZONE_INFORMATION DefaultZone() {
  TIME_ZONE_INFORMATION zone = tz::fixtures::Berlin();
  zone.StandardName = "machine";
  return zone;
}

std::vector<tz::NamedZone> SmallTable() {
  tz::NamedZone tokyo;
  tokyo.key = "Tokyo Standard Time";
  tokyo.display = "(UTC+09:00) Osaka, Sapporo, Tokyo";
  tokyo.tzi.Bias = -540;
  tz::NamedZone eastern;
  eastern.key = "Eastern Standard Time";
  eastern.display = "(UTC-05:00) Eastern Time (US & Canada)";
  eastern.tzi = tz::fixtures::NewYork();
  return {eastern, tokyo, tokyo};
}

TimeZoneTableReader Reader(std::optional<std::vector<tz::NamedZone>> table, int* reads = nullptr) {
  return [table, reads]() {
    if (reads != nullptr) ++*reads;
    return table;
  };
}

// A group naming a zone nine hours east publishes a 09:00 UTC meeting at 18:00,
// using the machine's real table of named zones.
TEST(MailboxTimeZone, NamedZoneFromTheRealTable) {
  const TIME_ZONE_INFORMATION zone = ChooseMailboxTimeZone("Tokyo Standard Time", DefaultZone());
  EXPECT_EQ(zone.Bias, -540);
  EXPECT_EQ(tz::SystemTimeToTzSpecificLocalTime(zone, At(2021, 3, 1, 9, 0)), At(2021, 3, 1, 18, 0));
}

// The key must match exactly; the display text or another case falls back silently.
TEST(MailboxTimeZone, OnlyTheExactKeyMatches) {
  EXPECT_EQ(ChooseMailboxTimeZone("Eastern Standard Time", DefaultZone(), Reader(SmallTable())).Bias, 300);
  EXPECT_EQ(ChooseMailboxTimeZone("(UTC+09:00) Osaka, Sapporo, Tokyo", DefaultZone(), Reader(SmallTable()))
                .StandardName,
            "machine");
  EXPECT_EQ(ChooseMailboxTimeZone("tokyo standard time", DefaultZone(), Reader(SmallTable())).StandardName,
            "machine");
  EXPECT_EQ(ChooseMailboxTimeZone("Tokyo Standard Time ", DefaultZone(), Reader(SmallTable())).StandardName,
            "machine");
}

// An unreadable table leaves the default zone; an empty value does not even read it.
TEST(MailboxTimeZone, DefaultWithoutValueOrTable) {
  int reads = 0;
  EXPECT_EQ(ChooseMailboxTimeZone("", DefaultZone(), Reader(SmallTable(), &reads)).StandardName, "machine");
  EXPECT_EQ(reads, 0);
  EXPECT_EQ(
      ChooseMailboxTimeZone("Tokyo Standard Time", DefaultZone(), Reader(std::nullopt, &reads)).StandardName,
      "machine");
  EXPECT_EQ(reads, 1);
}

// The group's own value is used; groups without one (SetTZAll empties all) get the default.
TEST(MailboxTimeZone, PerScanGroup) {
  AgentSettings settings;
  settings.group_time_zones = {"", "Tokyo Standard Time"};
  EXPECT_EQ(MailboxTimeZone(settings, 0, DefaultZone(), Reader(SmallTable())).StandardName, "machine");
  EXPECT_EQ(MailboxTimeZone(settings, 1, DefaultZone(), Reader(SmallTable())).Bias, -540);
  EXPECT_EQ(MailboxTimeZone(settings, 2, DefaultZone(), Reader(SmallTable())).StandardName, "machine");
}

// With the period March 30 02:00 to October 26 03:00, both limits are outside.
TEST(DstPeriod, LimitsAreOutside) {
  AgentSettings settings;
  settings.dst_start = At(2008, 3, 30, 2);
  settings.dst_end = At(2008, 10, 26, 3);
  EXPECT_EQ(InDstPeriod(settings, At(2008, 3, 30, 2, 0)), false);
  EXPECT_EQ(InDstPeriod(settings, At(2008, 3, 30, 2, 1)), true);
  EXPECT_EQ(InDstPeriod(settings, At(2008, 10, 26, 2, 59)), true);
  EXPECT_EQ(InDstPeriod(settings, At(2008, 10, 26, 3, 0)), false);
  EXPECT_EQ(InDstPeriod(settings, At(2009, 7, 1)), false);
}

// A period that is not a date (the [DST] section missing) cannot be tested.
TEST(DstPeriod, InvalidPeriodIsNoAnswer) {
  AgentSettings settings;
  EXPECT_EQ(InDstPeriod(settings, At(2008, 7, 1)), std::nullopt);
}

TEST(TimeDifference, ServerValueOrZero) {
  ServerEntry server;
  server.time_diff = -3;
  EXPECT_EQ(TimeDifferenceColumn(&server), -3.0);
  EXPECT_EQ(TimeDifferenceColumn(nullptr), 0.0);
}

}  // namespace
}  // namespace korvale
