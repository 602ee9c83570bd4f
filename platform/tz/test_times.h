// Small builders shared by the time-zone tests.
#pragma once

#include "platform/tz/tz_types.h"

namespace korvale::tz::fixtures {

inline SYSTEMTIME At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
  SYSTEMTIME t;
  t.wYear = static_cast<uint16_t>(y);
  t.wMonth = static_cast<uint16_t>(mo);
  t.wDay = static_cast<uint16_t>(d);
  t.wHour = static_cast<uint16_t>(h);
  t.wMinute = static_cast<uint16_t>(mi);
  t.wSecond = static_cast<uint16_t>(s);
  t.wMilliseconds = static_cast<uint16_t>(ms);
  return t;
}

// A relative transition rule: the week-th (5 = last) weekday of month at hour.
inline SYSTEMTIME Rule(int month, int weekday, int week, int hour) {
  SYSTEMTIME t;
  t.wMonth = static_cast<uint16_t>(month);
  t.wDayOfWeek = static_cast<uint16_t>(weekday);
  t.wDay = static_cast<uint16_t>(week);
  t.wHour = static_cast<uint16_t>(hour);
  return t;
}

inline TIME_ZONE_INFORMATION Zone(int bias, int daylight_bias, SYSTEMTIME standard, SYSTEMTIME daylight) {
  TIME_ZONE_INFORMATION z;
  z.Bias = bias;
  z.DaylightBias = daylight_bias;
  z.StandardDate = standard;
  z.DaylightDate = daylight;
  return z;
}

// Central Europe, US Eastern and Sydney as Windows describes them.
inline TIME_ZONE_INFORMATION Berlin() { return Zone(-60, -60, Rule(10, 0, 5, 3), Rule(3, 0, 5, 2)); }
inline TIME_ZONE_INFORMATION NewYork() { return Zone(300, -60, Rule(11, 0, 1, 2), Rule(3, 0, 2, 2)); }
inline TIME_ZONE_INFORMATION Sydney() { return Zone(-600, -60, Rule(4, 0, 1, 3), Rule(10, 0, 1, 2)); }

}  // namespace korvale::tz::fixtures
