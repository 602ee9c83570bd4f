// The Windows date-time and time-zone records the system's logic is written
// against: SYSTEMTIME, FILETIME and TIME_ZONE_INFORMATION.
//
// FILETIME is the count of 100-nanosecond intervals since 1601-01-01 00:00
// (a plain 64-bit number here). A SYSTEMTIME is a broken-down date-time whose
// meaning (universal or local) depends on where it came from.
#pragma once

#include <compare>
#include <cstdint>
#include <string>

namespace korvale {

struct SYSTEMTIME {
  uint16_t wYear = 0;
  uint16_t wMonth = 0;      // 1..12
  uint16_t wDayOfWeek = 0;  // 0 = Sunday
  uint16_t wDay = 0;        // day of month; in a transition rule: week 1..5
  uint16_t wHour = 0;
  uint16_t wMinute = 0;
  uint16_t wSecond = 0;
  uint16_t wMilliseconds = 0;
};

inline bool operator==(const SYSTEMTIME& a, const SYSTEMTIME& b) {
  return a.wYear == b.wYear && a.wMonth == b.wMonth && a.wDay == b.wDay && a.wHour == b.wHour &&
         a.wMinute == b.wMinute && a.wSecond == b.wSecond && a.wMilliseconds == b.wMilliseconds;
}

using FILETIME = uint64_t;

inline constexpr FILETIME kFileTimePerMinute = 600000000ULL;
inline constexpr FILETIME kFileTimePerDay = 1440ULL * kFileTimePerMinute;

struct TIME_ZONE_INFORMATION {
  int32_t Bias = 0;  // minutes; universal = local + bias
  std::string StandardName;
  SYSTEMTIME StandardDate;
  int32_t StandardBias = 0;
  std::string DaylightName;
  SYSTEMTIME DaylightDate;
  int32_t DaylightBias = 0;
};

}  // namespace korvale
