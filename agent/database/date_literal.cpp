// Date-time values written into SQL text with the date literal format.
#include <array>
#include <string>

#include "agent/database/dialect.h"

namespace korvale {
namespace {

constexpr std::array<const char*, 7> kDayNames = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                  "Thursday", "Friday", "Saturday"};
constexpr std::array<const char*, 12> kMonthNames = {"January",   "February", "March",    "April",
                                                     "May",       "June",     "July",     "August",
                                                     "September", "October",  "November", "December"};

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

// Every row's start and end pass here, so the digits are written straight
// into the text instead of through printf.
void AppendNumber(std::string& out, int value, int width, bool no_padding) {
  if (value < 0) {  // as printf: the sign counts towards the width
    out += '-';
    value = -value;
    --width;
  }
  char digits[12];
  int n = 0;
  do {
    digits[n++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value > 0 && n < 12);
  if (!no_padding) out.append(width > n ? width - n : 0, '0');
  while (n > 0) out += digits[--n];
}

void AppendFormatted(std::string& out, std::string_view format, const SYSTEMTIME& t);

void AppendConversion(std::string& out, char c, bool no_padding, const SYSTEMTIME& t) {
  const int year = t.wYear, month = t.wMonth, day = t.wDay, hour = t.wHour;
  const int month_index = (month >= 1 && month <= 12) ? month - 1 : 0;
  const int hour12 = hour % 12 == 0 ? 12 : hour % 12;
  switch (c) {
    case 'Y': return AppendNumber(out, year, 4, no_padding);
    case 'y': return AppendNumber(out, year % 100, 2, no_padding);
    case 'm': return AppendNumber(out, month, 2, no_padding);
    case 'd': return AppendNumber(out, day, 2, no_padding);
    case 'e':
      if (!no_padding && day < 10) out += ' ';
      return AppendNumber(out, day, 1, true);
    case 'H': return AppendNumber(out, hour, 2, no_padding);
    case 'I': return AppendNumber(out, hour12, 2, no_padding);
    case 'M': return AppendNumber(out, t.wMinute, 2, no_padding);
    case 'S': return AppendNumber(out, t.wSecond, 2, no_padding);
    case 'j': return AppendNumber(out, DayOfYear(year, month, day), 3, no_padding);
    case 'p': out += hour < 12 ? "AM" : "PM"; return;
    case 'a': out.append(kDayNames[DayOfWeek(year, month, day)], 3); return;
    case 'A': out += kDayNames[DayOfWeek(year, month, day)]; return;
    case 'b':
    case 'h': out.append(kMonthNames[month_index], 3); return;
    case 'B': out += kMonthNames[month_index]; return;
    case 'c': return AppendFormatted(out, "%a %b %e %H:%M:%S %Y", t);
    case 'x': return AppendFormatted(out, "%m/%d/%y", t);
    case 'X': return AppendFormatted(out, "%H:%M:%S", t);
    case '%': out += '%'; return;
    default: break;
  }
  out += '%';
  if (no_padding) out += '#';
  out += c;
}

void AppendFormatted(std::string& out, std::string_view format, const SYSTEMTIME& t) {
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
    AppendConversion(out, format[next], no_padding, t);
    i = next;
  }
}

}  // namespace

std::string FormatDateLiteral(const std::string& format, const SYSTEMTIME& time) {
  std::string out;
  out.reserve(format.size() + 8);
  AppendFormatted(out, format, time);
  return out;
}

}  // namespace korvale
