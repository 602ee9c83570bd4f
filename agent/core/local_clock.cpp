#include "agent/core/local_clock.h"

#include <ctime>

namespace korvale {

SYSTEMTIME LocalNow() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  SYSTEMTIME t{};
  t.wYear = static_cast<uint16_t>(local.tm_year + 1900);
  t.wMonth = static_cast<uint16_t>(local.tm_mon + 1);
  t.wDay = static_cast<uint16_t>(local.tm_mday);
  t.wDayOfWeek = static_cast<uint16_t>(local.tm_wday);
  t.wHour = static_cast<uint16_t>(local.tm_hour);
  t.wMinute = static_cast<uint16_t>(local.tm_min);
  t.wSecond = static_cast<uint16_t>(local.tm_sec);
  return t;
}

}  // namespace korvale
