// Calendar arithmetic for SYSTEMTIME and FILETIME: proleptic Gregorian dates
// counted in days from 1601-01-01, the epoch of FILETIME.
#include <cstdint>
#include <optional>

#include "platform/tz/tz.h"

namespace korvale::tz {
namespace {

constexpr int kMinYear = 1601;
constexpr int kMaxYear = 30827;
constexpr uint64_t kTicksPerMillisecond = 10000;
constexpr uint64_t kTicksPerSecond = 1000 * kTicksPerMillisecond;

// Days from 1970-01-01 to a civil date (valid for every year of interest).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

struct Civil {
  int64_t year;
  unsigned month;
  unsigned day;
};

Civil CivilFromDays(int64_t z) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t y = static_cast<int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  return {y + (m <= 2), m, d};
}

const int64_t kEpochDays1601 = DaysFromCivil(1601, 1, 1);

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

}  // namespace

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  if (month == 2 && IsLeapYear(year)) return 29;
  return kDays[month - 1];
}

int DayOfWeek(int year, int month, int day) {
  // 1970-01-01 was a Thursday (4).
  const int64_t days = DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day));
  return static_cast<int>(((days % 7) + 7 + 4) % 7);
}

std::optional<FILETIME> SystemTimeToFileTime(const SYSTEMTIME& st) {
  if (st.wYear < kMinYear || st.wYear > kMaxYear || st.wMonth < 1 || st.wMonth > 12 || st.wDay < 1 ||
      st.wDay > DaysInMonth(st.wYear, st.wMonth) || st.wHour > 23 || st.wMinute > 59 || st.wSecond > 59 ||
      st.wMilliseconds > 999) {
    return std::nullopt;
  }
  const int64_t days = DaysFromCivil(st.wYear, st.wMonth, st.wDay) - kEpochDays1601;
  const uint64_t seconds =
      static_cast<uint64_t>(days) * 86400ULL + st.wHour * 3600ULL + st.wMinute * 60ULL + st.wSecond;
  return seconds * kTicksPerSecond + st.wMilliseconds * kTicksPerMillisecond;
}

SYSTEMTIME FileTimeToSystemTime(FILETIME ft) {
  const uint64_t total_ms = ft / kTicksPerMillisecond;
  const uint64_t days = total_ms / 86400000ULL;
  const uint64_t ms_of_day = total_ms % 86400000ULL;
  const Civil c = CivilFromDays(static_cast<int64_t>(days) + kEpochDays1601);
  SYSTEMTIME st;
  st.wYear = static_cast<uint16_t>(c.year);
  st.wMonth = static_cast<uint16_t>(c.month);
  st.wDay = static_cast<uint16_t>(c.day);
  st.wDayOfWeek = static_cast<uint16_t>((days + 1) % 7);  // 1601-01-01 was a Monday
  st.wHour = static_cast<uint16_t>(ms_of_day / 3600000);
  st.wMinute = static_cast<uint16_t>(ms_of_day / 60000 % 60);
  st.wSecond = static_cast<uint16_t>(ms_of_day / 1000 % 60);
  st.wMilliseconds = static_cast<uint16_t>(ms_of_day % 1000);
  return st;
}

std::optional<SYSTEMTIME> AddMinutes(const SYSTEMTIME& st, int64_t minutes) {
  const std::optional<FILETIME> ft = SystemTimeToFileTime(st);
  if (!ft) return std::nullopt;
  static const FILETIME kMax = *SystemTimeToFileTime(SYSTEMTIME{30827, 12, 0, 31, 23, 59, 59, 999});
  // Any shift beyond the whole FILETIME range fails; the bound keeps the product in 64 bits.
  const uint64_t magnitude =
      minutes < 0 ? 0 - static_cast<uint64_t>(minutes) : static_cast<uint64_t>(minutes);
  if (magnitude > kMax / kFileTimePerMinute + 1) return std::nullopt;
  const uint64_t delta = magnitude * kFileTimePerMinute;
  FILETIME result;
  if (minutes < 0) {
    if (delta > *ft) return std::nullopt;
    result = *ft - delta;
  } else {
    if (delta > kMax - *ft) return std::nullopt;
    result = *ft + delta;
  }
  return FileTimeToSystemTime(result);
}

}  // namespace korvale::tz
