// Zones derived from ICU: the named-zone table and the machine zone, checked
// against ICU's own local times so that the Windows rules we derive give the
// same wall clock as the IANA database.
#include <gtest/gtest.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

#include "platform/tz/test_times.h"
#include "platform/tz/tz.h"

namespace korvale::tz {
namespace {

using fixtures::At;
using fixtures::Rule;

constexpr FILETIME kUnixEpochAsFileTime = 116444736000000000ULL;

const NamedZone* FindKey(const std::vector<NamedZone>& table, const std::string& key) {
  for (const NamedZone& z : table) {
    if (z.key == key) return &z;
  }
  return nullptr;
}

const std::vector<NamedZone>& Table() {
  static const std::vector<NamedZone> table = ReadTimeZoneTable().value_or(std::vector<NamedZone>{});
  return table;
}

// ICU's wall clock for a universal time.
SYSTEMTIME IcuLocal(const icu::TimeZone& zone, const SYSTEMTIME& utc) {
  const FILETIME ft = *SystemTimeToFileTime(utc);
  const double udate = (static_cast<double>(ft) - static_cast<double>(kUnixEpochAsFileTime)) / 10000.0;
  int32_t raw = 0, dst = 0;
  UErrorCode status = U_ZERO_ERROR;
  zone.getOffset(udate, false, raw, dst, status);
  EXPECT_TRUE(U_SUCCESS(status));
  return *AddMinutes(utc, (raw + dst) / 60000);
}

class SetTz {
 public:
  explicit SetTz(const char* value) {
    if (const char* old = std::getenv("TZ")) old_ = old;
    setenv("TZ", value, 1);
  }
  ~SetTz() {
    if (old_) {
      setenv("TZ", old_->c_str(), 1);
    } else {
      unsetenv("TZ");
    }
  }

 private:
  std::optional<std::string> old_;
};

// The table holds the Windows keys, one each, in key order, with their IANA zone.
TEST(TimeZoneTable, HoldsWindowsKeysOnce) {
  const auto& table = Table();
  ASSERT_GT(table.size(), 100u);
  for (size_t i = 1; i < table.size(); ++i) EXPECT_LT(table[i - 1].key, table[i].key);
  const NamedZone* berlin = FindKey(table, "W. Europe Standard Time");
  ASSERT_NE(berlin, nullptr);
  EXPECT_EQ(berlin->iana_id, "Europe/Berlin");
  EXPECT_EQ(berlin->display.rfind("(UTC+01:00) ", 0), 0u) << berlin->display;
  ASSERT_NE(FindKey(table, "Tokyo Standard Time"), nullptr);
  ASSERT_NE(FindKey(table, "UTC"), nullptr);
  EXPECT_EQ(FindKey(table, "w. europe standard time"), nullptr) << "keys keep their case";
  for (const NamedZone& z : table) EXPECT_LT(z.display.size(), 128u) << z.key;
}

// The derived TZI equals what Windows stores for these keys.
TEST(TimeZoneTable, RulesMatchTheWindowsForm) {
  const NamedZone* berlin = FindKey(Table(), "W. Europe Standard Time");
  ASSERT_NE(berlin, nullptr);
  EXPECT_EQ(berlin->tzi.Bias, -60);
  EXPECT_EQ(berlin->tzi.StandardBias, 0);
  EXPECT_EQ(berlin->tzi.DaylightBias, -60);
  EXPECT_EQ(berlin->tzi.StandardDate, Rule(10, 0, 5, 3));
  EXPECT_EQ(berlin->tzi.DaylightDate, Rule(3, 0, 5, 2));

  const NamedZone* eastern = FindKey(Table(), "Eastern Standard Time");
  ASSERT_NE(eastern, nullptr);
  EXPECT_EQ(eastern->tzi.Bias, 300);
  EXPECT_EQ(eastern->tzi.StandardDate, Rule(11, 0, 1, 2));
  EXPECT_EQ(eastern->tzi.DaylightDate, Rule(3, 0, 2, 2));

  const NamedZone* sydney = FindKey(Table(), "AUS Eastern Standard Time");
  ASSERT_NE(sydney, nullptr);
  EXPECT_EQ(sydney->tzi.Bias, -600);
  EXPECT_EQ(sydney->tzi.StandardDate, Rule(4, 0, 1, 3));
  EXPECT_EQ(sydney->tzi.DaylightDate, Rule(10, 0, 1, 2));
}

// The zone nine hours east publishes a 09:00 UTC meeting at 18:00.
TEST(TimeZoneTable, TokyoIsNineHoursEastWithoutDaylightRule) {
  const NamedZone* tokyo = FindKey(Table(), "Tokyo Standard Time");
  ASSERT_NE(tokyo, nullptr);
  EXPECT_EQ(tokyo->tzi.Bias, -540);
  EXPECT_EQ(tokyo->tzi.DaylightDate.wMonth, 0);
  EXPECT_EQ(SystemTimeToTzSpecificLocalTime(tokyo->tzi, At(2021, 3, 1, 9, 0)), At(2021, 3, 1, 18, 0));
}

// Hour by hour through three years, the Windows conversion with the table's
// TZI gives ICU's wall clock, in both hemispheres.
TEST(TimeZoneTable, WindowsRulesAgreeWithIcu) {
  const std::pair<const char*, const char*> zones[] = {{"W. Europe Standard Time", "Europe/Berlin"},
                                                       {"Eastern Standard Time", "America/New_York"},
                                                       {"AUS Eastern Standard Time", "Australia/Sydney"},
                                                       {"Tokyo Standard Time", "Asia/Tokyo"}};
  for (const auto& [key, iana] : zones) {
    const NamedZone* entry = FindKey(Table(), key);
    ASSERT_NE(entry, nullptr) << key;
    const std::unique_ptr<icu::TimeZone> zone(icu::TimeZone::createTimeZone(iana));
    for (int year : {2010, 2021, 2026}) {
      int mismatches = 0;
      for (std::optional<SYSTEMTIME> utc = At(year, 1, 1, 0, 17); utc && utc->wYear == year;
           utc = AddMinutes(*utc, 60)) {
        const SYSTEMTIME ours = SystemTimeToTzSpecificLocalTime(entry->tzi, *utc);
        const SYSTEMTIME icu = IcuLocal(*zone, *utc);
        if (!(ours == icu) && ++mismatches <= 3) {
          ADD_FAILURE() << key << " " << utc->wYear << "-" << utc->wMonth << "-" << utc->wDay << " "
                        << utc->wHour << ":17 UTC: ours " << ours.wHour << ", ICU " << icu.wHour;
        }
      }
      EXPECT_EQ(mismatches, 0) << key << " " << year;
    }
  }
}

// A year's rules come from that year: New York before the 2007 change.
TEST(TimeZoneForYear, UsesTheRulesOfTheYear) {
  const auto ny2006 = TimeZoneForYear("America/New_York", 2006);
  ASSERT_TRUE(ny2006.has_value());
  EXPECT_EQ(ny2006->DaylightDate, Rule(4, 0, 1, 2));
  EXPECT_EQ(ny2006->StandardDate, Rule(10, 0, 5, 2));
  EXPECT_FALSE(TimeZoneForYear("Not/AZone", 2021).has_value());
}

// The machine zone follows TZ, in its plain, colon and file-path forms.
TEST(MachineTimeZone, FollowsTzVariable) {
  {
    SetTz tz("Asia/Tokyo");
    const TIME_ZONE_INFORMATION z = MachineTimeZone();
    EXPECT_EQ(z.Bias, -540);
    EXPECT_EQ(z.DaylightDate.wMonth, 0);
  }
  {
    SetTz tz(":Europe/Berlin");
    const TIME_ZONE_INFORMATION z = MachineTimeZone();
    EXPECT_EQ(z.Bias, -60);
    EXPECT_EQ(z.DaylightDate, Rule(3, 0, 5, 2));
  }
  {
    SetTz tz("/usr/share/zoneinfo/America/New_York");
    EXPECT_EQ(MachineTimeZone().Bias, 300);
  }
  {
    SetTz tz("UTC");
    const TIME_ZONE_INFORMATION z = MachineTimeZone();
    EXPECT_EQ(z.Bias, 0);
    EXPECT_EQ(z.DaylightBias, 0);
  }
}

}  // namespace
}  // namespace korvale::tz
