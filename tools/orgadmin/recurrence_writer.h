// The recurrence property of a series (the AppointmentRecurrencePattern of
// [MS-OXOCAL]) written the way the mail client writes it, so that the agent's
// pattern readers and other clients read the series back alike.
//
// All dates and times in the pattern are wall-clock minutes since 1601-01-01
// in the series' own zone; nothing here converts between zones.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace korvale::orgadmin {

enum class SeriesKind { kDaily = 1, kWeekly = 2, kMonthly = 3, kYearly = 4 };
enum class SeriesEnd { kByDate, kAfterCount, kNever };

// One changed occurrence (ExceptionInfo): times are local minutes since 1601.
struct SeriesException {
  uint32_t start = 0, end = 0;
  uint32_t original_start = 0;                   // start date-time of the occurrence it replaces
  std::optional<std::string> subject, location;  // UTF-8; set only where they differ
  std::optional<int32_t> busy_status;
  bool has_body = false;  // the embedded item carries its own body
};

struct SeriesPattern {
  SeriesKind kind = SeriesKind::kDaily;
  uint32_t interval = 1;      // days, weeks, months or years
  uint32_t day_mask = 0;      // bit 0 Sunday; weekly, and the Nth forms
  uint32_t day_of_month = 0;  // plain monthly / yearly
  uint32_t week_number = 0;   // 1..4, 5 = last: Nth forms; 0 = plain
  SeriesEnd end = SeriesEnd::kNever;
  uint32_t occurrence_count = 0;
  uint32_t first_day_of_week = 1;       // 0 Sunday, 1 Monday
  uint32_t start_date = 0;              // local midnight of the first occurrence
  uint32_t end_date = 0;                // local midnight of the last occurrence (by date / count)
  uint32_t start_offset = 0;            // minutes after midnight
  uint32_t end_offset = 0;              // start offset + duration
  std::vector<uint32_t> deleted_dates;  // local midnights; EXDATEs and original dates of changed ones
  std::vector<SeriesException> exceptions;
};

inline constexpr uint32_t kNeverEndsDate = 0x5AE980DF;  // 31 Dec 4500 23:59

// The property bytes. Deleted and modified dates are sorted and deduplicated here.
std::string WriteRecurrencePattern(const SeriesPattern& pattern);

// Minutes since 1601-01-01 00:00 of a civil date-time (no zone).
uint32_t PatternMinutesOf(int year, int month, int day, int hour = 0, int minute = 0);

}  // namespace korvale::orgadmin
