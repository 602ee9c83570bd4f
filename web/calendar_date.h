// Calendar days and times of day as the web front uses them: the week shown,
// the form's date and time fields, and the published date-times compared.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "platform/odbc/odbc.h"
#include "platform/tz/tz_types.h"

namespace korvale::web {

using Day = std::chrono::sys_days;

// "2026-12-07" -> that day; nullopt for anything else (also 2026-02-30).
std::optional<Day> ParseDay(std::string_view text);
std::string FormatDay(Day day);
// "Mon 7 Dec"
std::string ShortDayName(Day day);

// "09:30" -> minutes after midnight (0..1439); nullopt for anything else.
std::optional<int> ParseTimeOfDay(std::string_view text);

// A published or booked date-time at a given minute of a day.
SqlTimestamp AtMinute(Day day, int minutes);
Day DayOf(const SqlTimestamp& t);
// Minutes since the epoch: orders and compares date-times.
int64_t MinutesOf(const SqlTimestamp& t);
// "09:30"
std::string FormatTime(const SqlTimestamp& t);
// "2026-12-07 09:30"
std::string FormatDateTime(const SqlTimestamp& t);
// For the date literal format of the settings.
SYSTEMTIME ToSystemTime(const SqlTimestamp& t);

// The half-open intervals [a_start, a_end) and [b_start, b_end) share a minute.
bool Overlaps(const SqlTimestamp& a_start, const SqlTimestamp& a_end, const SqlTimestamp& b_start,
              const SqlTimestamp& b_end);

}  // namespace korvale::web
