#include "config/screens/date_time_codes.h"

#include <algorithm>
#include <array>

namespace korvale::config {

namespace {

constexpr std::array<DateTimeCode, 21> kCodes = {{
    {"%a", "Abbreviated weekday name"},
    {"%A", "Full weekday name"},
    {"%b", "Abbreviated month name"},
    {"%B", "Full month name"},
    {"%c", "Date and time representation appropriate for locale"},
    {"%d", "Day of month as decimal number (01 - 31)"},
    {"%H", "Hour in 24-hour format (00 - 23)"},
    {"%I", "Hour in 12-hour format (01 - 12)"},
    {"%m", "Month as decimal number (01 - 12)"},
    {"%M", "Minute as decimal number (00 - 59)"},
    {"%p", "Current locale\u2019s A.M./P.M. indicator for 12-hour clock"},
    {"%S", "Second as decimal number (00 - 59)"},
    {"%x", "Date representation for current locale"},
    {"%X", "Time representation for current locale"},
    {"%y", "Year without century, as decimal number (00 - 99)"},
    {"%Y", "Year with century, as decimal number"},
    {"/", ""},
    {".", ""},
    {"-", ""},
    {":", ""},
    {"<space>", ""},
}};

}  // namespace

std::span<const DateTimeCode> DateTimeCodes() { return kCodes; }

size_t InsertDateTimeCode(std::string& format, size_t position, std::string_view code) {
  const std::string_view text = code == "<space>" ? std::string_view(" ") : code;
  position = std::min(position, format.size());
  format.insert(position, text);
  return position + text.size();
}

}  // namespace korvale::config
