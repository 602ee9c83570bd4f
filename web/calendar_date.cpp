#include "web/calendar_date.h"

#include <array>
#include <charconv>
#include <cstdio>

namespace korvale::web {

namespace {

using namespace std::chrono;

std::optional<int> Digits(std::string_view text) {
  int value = 0;
  if (text.empty()) return std::nullopt;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
  }
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

}  // namespace

std::optional<Day> ParseDay(std::string_view text) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
  auto y = Digits(text.substr(0, 4)), m = Digits(text.substr(5, 2)), d = Digits(text.substr(8, 2));
  if (!y || !m || !d) return std::nullopt;
  year_month_day ymd{year(*y), month(static_cast<unsigned>(*m)), day(static_cast<unsigned>(*d))};
  if (!ymd.ok()) return std::nullopt;
  return sys_days(ymd);
}

std::string FormatDay(Day d) {
  year_month_day ymd(d);
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%04d-%02u-%02u", static_cast<int>(ymd.year()),
                static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()));
  return buffer;
}

std::string ShortDayName(Day d) {
  static constexpr std::array<const char*, 7> kDays = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static constexpr std::array<const char*, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  year_month_day ymd(d);
  return std::string(kDays[weekday(d).c_encoding()]) + " " +
         std::to_string(static_cast<unsigned>(ymd.day())) + " " +
         kMonths[static_cast<unsigned>(ymd.month()) - 1];
}

std::optional<int> ParseTimeOfDay(std::string_view text) {
  if (text.size() != 5 || text[2] != ':') return std::nullopt;
  auto h = Digits(text.substr(0, 2)), m = Digits(text.substr(3, 2));
  if (!h || !m || *h > 23 || *m > 59) return std::nullopt;
  return *h * 60 + *m;
}

SqlTimestamp AtMinute(Day d, int minutes) {
  year_month_day ymd(d);
  return {static_cast<int>(ymd.year()),
          static_cast<int>(static_cast<unsigned>(ymd.month())),
          static_cast<int>(static_cast<unsigned>(ymd.day())),
          minutes / 60,
          minutes % 60,
          0};
}

Day DayOf(const SqlTimestamp& t) {
  return sys_days(
      year_month_day{year(t.year), month(static_cast<unsigned>(t.month)), day(static_cast<unsigned>(t.day))});
}

int64_t MinutesOf(const SqlTimestamp& t) {
  return static_cast<int64_t>(DayOf(t).time_since_epoch().count()) * 1440 + t.hour * 60 + t.minute;
}

std::string FormatTime(const SqlTimestamp& t) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "%02d:%02d", t.hour % 100, t.minute % 100);
  return buffer;
}

std::string FormatDateTime(const SqlTimestamp& t) { return FormatDay(DayOf(t)) + " " + FormatTime(t); }

SYSTEMTIME ToSystemTime(const SqlTimestamp& t) {
  SYSTEMTIME st;
  st.wYear = static_cast<uint16_t>(t.year);
  st.wMonth = static_cast<uint16_t>(t.month);
  st.wDay = static_cast<uint16_t>(t.day);
  st.wHour = static_cast<uint16_t>(t.hour);
  st.wMinute = static_cast<uint16_t>(t.minute);
  st.wSecond = static_cast<uint16_t>(t.second);
  st.wDayOfWeek = static_cast<uint16_t>(weekday(DayOf(t)).c_encoding());
  return st;
}

bool Overlaps(const SqlTimestamp& a_start, const SqlTimestamp& a_end, const SqlTimestamp& b_start,
              const SqlTimestamp& b_end) {
  return MinutesOf(a_start) < MinutesOf(b_end) && MinutesOf(b_start) < MinutesOf(a_end);
}

}  // namespace korvale::web
