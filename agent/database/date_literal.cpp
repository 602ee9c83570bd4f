// Date-time values written into SQL text with the date literal format.
#include <array>
#include <cstdio>

#include "agent/database/dialect.h"

namespace korvale {
namespace {

constexpr std::array<const char*, 7> kDayNames = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                  "Thursday", "Friday", "Saturday"};
constexpr std::array<const char*, 12> kMonthNames = {
    "January", "February", "March",     "April",   "May",      "June",
    "July",    "August",   "September", "October", "November", "December"};

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DayOfYear(int year, int month, int day) {
  static constexpr int kBefore[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
  int m = (month >= 1 && month <= 12) ? month : 1;
  return kBefore[m - 1] + day + (m > 2 && IsLeapYear(year) ? 1 : 0);
}

// 0 = Sunday, computed from the date itself (a SYSTEMTIME's day of week may be unset).
int DayOfWeek(int year, int month, int day) {
  static constexpr int kOffsets[12] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
  int m = (month >= 1 && month <= 12) ? month : 1;
  if (m < 3) year -= 1;
  int w = (year + year / 4 - year / 100 + year / 400 + kOffsets[m - 1] + day) % 7;
  return w < 0 ? w + 7 : w;
}

std::string Number(int value, int width, bool no_padding) {
  char buffer[32];
  if (no_padding) std::snprintf(buffer, sizeof buffer, "%d", value);
  else std::snprintf(buffer, sizeof buffer, "%0*d", width, value);
  return buffer;
}

std::string Formatted(std::string_view format, const SYSTEMTIME& t);

std::string Conversion(char c, bool no_padding, const SYSTEMTIME& t) {
  const int year = t.wYear, month = t.wMonth, day = t.wDay, hour = t.wHour;
  const int month_index = (month >= 1 && month <= 12) ? month - 1 : 0;
  const int weekday = DayOfWeek(year, month, day);
  const int hour12 = hour % 12 == 0 ? 12 : hour % 12;
  switch (c) {
    case 'Y': return Number(year, 4, no_padding);
    case 'y': return Number(year % 100, 2, no_padding);
    case 'm': return Number(month, 2, no_padding);
    case 'd': return Number(day, 2, no_padding);
    case 'e': {
      std::string text = Number(day, 1, true);
      return (!no_padding && text.size() < 2) ? " " + text : text;
    }
    case 'H': return Number(hour, 2, no_padding);
    case 'I': return Number(hour12, 2, no_padding);
    case 'M': return Number(t.wMinute, 2, no_padding);
    case 'S': return Number(t.wSecond, 2, no_padding);
    case 'j': return Number(DayOfYear(year, month, day), 3, no_padding);
    case 'p': return hour < 12 ? "AM" : "PM";
    case 'a': return std::string(kDayNames[weekday], 3);
    case 'A': return kDayNames[weekday];
    case 'b': case 'h': return std::string(kMonthNames[month_index], 3);
    case 'B': return kMonthNames[month_index];
    case 'c': return Formatted("%a %b %e %H:%M:%S %Y", t);
    case 'x': return Formatted("%m/%d/%y", t);
    case 'X': return Formatted("%H:%M:%S", t);
    case '%': return "%";
    default: break;
  }
  return std::string("%") + (no_padding ? "#" : "") + c;
}

std::string Formatted(std::string_view format, const SYSTEMTIME& t) {
  std::string out;
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%' || i + 1 >= format.size()) {
      out += format[i];
      continue;
    }
    bool no_padding = false;
    size_t next = i + 1;
    if (format[next] == '#' && next + 1 < format.size()) {
      no_padding = true;
      ++next;
    }
    out += Conversion(format[next], no_padding, t);
    i = next;
  }
  return out;
}

}  // namespace

std::string FormatDateLiteral(const std::string& format, const SYSTEMTIME& time) {
  return Formatted(format, time);
}

}  // namespace korvale
