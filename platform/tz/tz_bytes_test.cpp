// The 44-byte TZI and 48-byte appointment time-zone layouts: round trips,
// short buffers, and a structure written by a real mail client.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>

#include "platform/tz/test_times.h"
#include "platform/tz/tz.h"
#include "tests/support/temp_dir.h"

namespace korvale::tz {
namespace {

using fixtures::Berlin;
using fixtures::Sydney;

std::filesystem::path DataDir() {
  const char* source = std::getenv("KORVALE_SOURCE_DIR");
  return std::filesystem::path(source ? source : ".") / "tests" / "data";
}

std::string FromHex(const std::string& hex) {
  std::string out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    out.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  }
  return out;
}

bool SameZone(const TIME_ZONE_INFORMATION& a, const TIME_ZONE_INFORMATION& b) {
  return a.Bias == b.Bias && a.StandardBias == b.StandardBias && a.DaylightBias == b.DaylightBias &&
         a.StandardDate == b.StandardDate && a.DaylightDate == b.DaylightDate &&
         a.StandardDate.wDayOfWeek == b.StandardDate.wDayOfWeek &&
         a.DaylightDate.wDayOfWeek == b.DaylightDate.wDayOfWeek;
}

TIME_ZONE_INFORMATION Unusual() {
  TIME_ZONE_INFORMATION z = Sydney();
  z.StandardBias = -15;
  z.DaylightBias = INT32_MIN;
  z.Bias = INT32_MAX;
  z.StandardDate = fixtures::At(2021, 4, 4, 3, 0, 59, 999);
  z.StandardDate.wDayOfWeek = 0xFFFF;
  return z;
}

TEST(TziBytes, RoundTrip) {
  for (const TIME_ZONE_INFORMATION& z : {Berlin(), Sydney(), Unusual(), TIME_ZONE_INFORMATION{}}) {
    const std::string bytes = TziToBytes(z);
    ASSERT_EQ(bytes.size(), 44u);
    const auto back = TziFromBytes(bytes);
    ASSERT_TRUE(back.has_value());
    EXPECT_TRUE(SameZone(*back, z));
  }
}

// Little-endian, fields in the registry's order: bias, standard bias, daylight bias, dates.
TEST(TziBytes, LayoutIsLittleEndianInRegistryOrder) {
  const std::string bytes = TziToBytes(Berlin());
  EXPECT_EQ(bytes.substr(0, 12), std::string("\xC4\xFF\xFF\xFF\x00\x00\x00\x00\xC4\xFF\xFF\xFF", 12));
  EXPECT_EQ(bytes.substr(12, 4), std::string("\x00\x00\x0A\x00", 4)) << "standard date: year 0, October";
  EXPECT_EQ(bytes.substr(28, 4), std::string("\x00\x00\x03\x00", 4)) << "daylight date: year 0, March";
}

// A value shorter than the layout is refused, never read past its end.
TEST(TziBytes, ShortInputIsRefused) {
  EXPECT_FALSE(TziFromBytes(std::string(43, '\0')));
  EXPECT_FALSE(TziFromBytes(""));
  EXPECT_TRUE(TziFromBytes(std::string(50, '\x01'))) << "longer values are read from their start";
  EXPECT_FALSE(TimeZoneStructFromBytes(std::string(47, '\0')));
  EXPECT_FALSE(TimeZoneStructFromBytes(TziToBytes(Berlin())));
}

TEST(TimeZoneStructBytes, RoundTrip) {
  for (const TIME_ZONE_INFORMATION& z : {Berlin(), Sydney(), Unusual()}) {
    const std::string bytes = TimeZoneStructToBytes(z);
    ASSERT_EQ(bytes.size(), 48u);
    const auto back = TimeZoneStructFromBytes(bytes);
    ASSERT_TRUE(back.has_value());
    EXPECT_TRUE(SameZone(*back, z));
  }
}

// The structure from a real appointment (US Eastern rules) decodes to the
// values an independent decoder printed for it, and encodes back byte for byte.
TEST(TimeZoneStructBytes, RealAppointmentStructure) {
  std::string hex = testing::ReadFileBytes(DataDir() / "timezone-1.hex");
  hex.erase(std::remove_if(hex.begin(), hex.end(),
                           [](char c) { return !std::isxdigit(static_cast<unsigned char>(c)); }),
            hex.end());
  ASSERT_EQ(hex.size(), 96u) << "tests/data/timezone-1.hex";
  const std::string bytes = FromHex(hex);

  // "\tname = 0x... (decimal)" lines; the two SYSTEMTIMEs repeat the field names,
  // so each is prefixed with the structure it belongs to.
  std::map<std::string, long long> decoded;
  std::istringstream text(testing::ReadFileBytes(DataDir() / "timezone-1.decoded.txt"));
  std::string row, prefix;
  while (std::getline(text, row)) {
    if (row.find("stStandardDate") != std::string::npos) prefix = "std.";
    if (row.find("stDaylightDate") != std::string::npos) prefix = "dl.";
    const size_t equals = row.find(" = 0x");
    const size_t open = row.find(" (");
    if (equals == std::string::npos || open == std::string::npos) continue;
    const size_t name_start = row.find_first_not_of(" \t");
    decoded[prefix + row.substr(name_start, equals - name_start)] = std::stoll(row.substr(open + 2));
  }
  ASSERT_EQ(decoded.size(), 21u);

  const auto zone = TimeZoneStructFromBytes(bytes);
  ASSERT_TRUE(zone.has_value());
  EXPECT_EQ(zone->Bias, decoded["lBias"]);
  EXPECT_EQ(zone->StandardBias, decoded["lStandardBias"]);
  EXPECT_EQ(zone->DaylightBias, decoded["lDaylightBias"]);
  const std::pair<const char*, const SYSTEMTIME*> dates[] = {{"std.", &zone->StandardDate},
                                                             {"dl.", &zone->DaylightDate}};
  for (const auto& [p, d] : dates) {
    const std::string n(p);
    EXPECT_EQ(d->wYear, decoded[n + "wYear"]) << n;
    EXPECT_EQ(d->wMonth, decoded[n + "wMonth"]) << n;
    EXPECT_EQ(d->wDayOfWeek, decoded[n + "wDayOfWeek"]) << n;
    EXPECT_EQ(d->wDay, decoded[n + "wDay"]) << n;
    EXPECT_EQ(d->wHour, decoded[n + "wHour"]) << n;
    EXPECT_EQ(d->wMinute, decoded[n + "wMinute"]) << n;
    EXPECT_EQ(d->wSecond, decoded[n + "wSecond"]) << n;
    EXPECT_EQ(d->wMilliseconds, decoded[n + "wMilliseconds"]) << n;
  }
  EXPECT_EQ(TimeZoneStructToBytes(*zone), bytes);

  // And it behaves as US Eastern time.
  EXPECT_EQ(SystemTimeToTzSpecificLocalTime(*zone, fixtures::At(2021, 7, 4, 16, 0)),
            fixtures::At(2021, 7, 4, 12, 0));
  EXPECT_EQ(SystemTimeToTzSpecificLocalTime(*zone, fixtures::At(2021, 1, 4, 16, 0)),
            fixtures::At(2021, 1, 4, 11, 0));
}

}  // namespace
}  // namespace korvale::tz
