// Writing the recurrence property, field by field as [MS-OXOCAL] lays it out.
#include "tools/orgadmin/recurrence_writer.h"

#include <algorithm>

#include "common/utf8.h"

namespace korvale::orgadmin {
namespace {

constexpr uint32_t kMinutesPerDay = 1440;
constexpr uint16_t kReaderVersion = 0x3004, kWriterVersion = 0x3004;
constexpr uint32_t kReaderVersion2 = 0x3006, kWriterVersion2 = 0x3009;
constexpr uint16_t kFlagSubject = 0x0001, kFlagLocation = 0x0010, kFlagBusy = 0x0020, kFlagBody = 0x0200;

// Days since 1601-01-01 of a civil date (proleptic Gregorian).
int64_t DaysSince1601(int year, int month, int day) {
  // Days from civil (Howard Hinnant), shifted from 1970 to 1601.
  year -= month <= 2;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int64_t yoe = year - era * 400;
  const int64_t doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468 + 134774;
}

class Out {
 public:
  void U16(uint32_t v) {
    for (int i = 0; i < 2; ++i) bytes_.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
  }
  void U32(uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes_.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
  }
  void Raw(const std::string& s) { bytes_ += s; }
  std::string Take() { return std::move(bytes_); }

 private:
  std::string bytes_;
};

// 8-bit text of an exception record: Windows-1252 as Western clients write it;
// characters outside Latin-1 (and ill-formed UTF-8) become '?'.
std::string To8Bit(const std::string& utf8) {
  std::string out;
  for (size_t pos = 0; pos < utf8.size();) {
    const Utf8Char c = DecodeUtf8(utf8, pos);
    out.push_back(c.code < 0x100 ? static_cast<char>(c.code) : '?');
    pos += c.length;
  }
  return out;
}

// UTF-16LE of the extended exception's wide texts.
std::string ToUtf16(const std::string& utf8, uint32_t* units) {
  const std::u16string wide = Utf8ToUtf16(utf8);
  std::string out;
  out.reserve(2 * wide.size());
  for (char16_t unit : wide) {
    out.push_back(static_cast<char>(unit & 0xFF));
    out.push_back(static_cast<char>(unit >> 8));
  }
  *units = static_cast<uint32_t>(wide.size());
  return out;
}

void Text8(Out& out, const std::string& utf8) {
  const std::string text = To8Bit(utf8);
  out.U16(static_cast<uint32_t>(text.size() + 1));
  out.U16(static_cast<uint32_t>(text.size()));
  out.Raw(text);
}

uint32_t Midnight(uint32_t minutes) { return minutes - minutes % kMinutesPerDay; }

// FirstDateTime: where the period count starts, as the client computes it.
uint32_t FirstDateTime(const SeriesPattern& p) {
  const uint32_t start = p.start_date;
  switch (p.kind) {
    case SeriesKind::kDaily: return start % (p.interval * kMinutesPerDay);
    case SeriesKind::kWeekly: {
      // The week of the start, beginning on the first day of the week; 1601-01-01 was a Monday.
      const uint32_t day = start / kMinutesPerDay;
      const uint32_t weekday = (day + 1) % 7;  // 0 Sunday
      const uint32_t back = (weekday + 7 - p.first_day_of_week) % 7;
      return ((day - back) * kMinutesPerDay) % (p.interval * 7 * kMinutesPerDay);
    }
    case SeriesKind::kMonthly:
    case SeriesKind::kYearly: {
      const int64_t day = start / kMinutesPerDay;
      // Months since 1601 of the start, reduced by the period in months.
      int year = 1601, month = 1;
      while (DaysSince1601(year + 1, 1, 1) <= day) ++year;
      while (month < 12 && DaysSince1601(year, month + 1, 1) <= day) ++month;
      const uint32_t period = p.kind == SeriesKind::kYearly ? p.interval * 12 : p.interval;
      const uint32_t months = static_cast<uint32_t>((year - 1601) * 12 + month - 1) % period;
      return static_cast<uint32_t>(DaysSince1601(1601 + months / 12, months % 12 + 1, 1)) * kMinutesPerDay;
    }
  }
  return 0;
}

}  // namespace

uint32_t PatternMinutesOf(int year, int month, int day, int hour, int minute) {
  return static_cast<uint32_t>(DaysSince1601(year, month, day) * kMinutesPerDay + hour * 60 + minute);
}

namespace {

// The recurrence pattern proper: frequency, period, days and how it ends.
void WritePattern(Out& out, const SeriesPattern& p) {
  const bool nth = p.week_number >= 1 && p.week_number <= 5;
  out.U16(0x2009 + static_cast<uint32_t>(p.kind));  // 0x200A daily .. 0x200D yearly
  uint32_t pattern_type = 0;
  uint32_t period = p.interval;
  switch (p.kind) {
    case SeriesKind::kDaily:
      pattern_type = 0;
      period = p.interval * kMinutesPerDay;
      break;
    case SeriesKind::kWeekly: pattern_type = 1; break;
    case SeriesKind::kMonthly: pattern_type = nth ? 3 : 2; break;
    case SeriesKind::kYearly:
      pattern_type = nth ? 3 : 2;
      period = p.interval * 12;
      break;
  }
  out.U16(pattern_type);
  out.U16(0);  // Gregorian calendar
  out.U32(FirstDateTime(p));
  out.U32(period);
  out.U32(0);  // not sliding
  if (p.kind == SeriesKind::kWeekly) {
    out.U32(p.day_mask);
  } else if (p.kind != SeriesKind::kDaily) {
    if (nth) {
      out.U32(p.day_mask);
      out.U32(p.week_number);
    } else {
      out.U32(p.day_of_month);
    }
  }
  switch (p.end) {
    case SeriesEnd::kByDate: out.U32(0x2021); break;
    case SeriesEnd::kAfterCount: out.U32(0x2022); break;
    case SeriesEnd::kNever: out.U32(0x2023); break;
  }
  // The client keeps a count for every end type (10 for a series without end).
  out.U32(p.end == SeriesEnd::kNever && p.occurrence_count == 0 ? 10 : p.occurrence_count);
  out.U32(p.first_day_of_week);
}

// The midnights of the deleted occurrences (every modified one is deleted
// too) and of the modified ones' new days, then the series' date range.
void WriteOccurrenceDates(Out& out, const SeriesPattern& p, const std::vector<SeriesException>& exceptions) {
  std::vector<uint32_t> deleted;
  for (uint32_t d : p.deleted_dates) deleted.push_back(Midnight(d));
  for (const auto& e : p.exceptions) deleted.push_back(Midnight(e.original_start));
  std::sort(deleted.begin(), deleted.end());
  deleted.erase(std::unique(deleted.begin(), deleted.end()), deleted.end());
  out.U32(static_cast<uint32_t>(deleted.size()));
  for (uint32_t d : deleted) out.U32(d);
  out.U32(static_cast<uint32_t>(exceptions.size()));
  for (const auto& e : exceptions) out.U32(Midnight(e.start));
  out.U32(p.start_date);
  out.U32(p.end == SeriesEnd::kNever ? kNeverEndsDate : p.end_date);
}

// One entry per modified occurrence: its times and the fields it overrides.
void WriteExceptionInfos(Out& out, const std::vector<SeriesException>& exceptions) {
  out.U16(static_cast<uint32_t>(exceptions.size()));
  for (const auto& e : exceptions) {
    out.U32(e.start);
    out.U32(e.end);
    out.U32(e.original_start);
    uint16_t flags = 0;
    if (e.subject) flags |= kFlagSubject;
    if (e.location) flags |= kFlagLocation;
    if (e.busy_status) flags |= kFlagBusy;
    if (e.has_body) flags |= kFlagBody;
    out.U16(flags);
    if (e.subject) Text8(out, *e.subject);
    if (e.location) Text8(out, *e.location);
    if (e.busy_status) out.U32(static_cast<uint32_t>(*e.busy_status));
  }
}

// The same occurrences again with subject and location in UTF-16.
void WriteExtendedExceptions(Out& out, const std::vector<SeriesException>& exceptions) {
  for (const auto& e : exceptions) {
    // ExtendedException of writer version 0x3009: change highlight first.
    out.U32(4);
    out.U32(0);
    out.U32(0);  // reserved block EE1
    if (e.subject || e.location) {
      out.U32(e.start);
      out.U32(e.end);
      out.U32(e.original_start);
      uint32_t units = 0;
      if (e.subject) {
        const std::string wide = ToUtf16(*e.subject, &units);
        out.U16(units);
        out.Raw(wide);
      }
      if (e.location) {
        const std::string wide = ToUtf16(*e.location, &units);
        out.U16(units);
        out.Raw(wide);
      }
      out.U32(0);  // reserved block EE2
    }
  }
}

}  // namespace

std::string WriteRecurrencePattern(const SeriesPattern& p) {
  std::vector<SeriesException> exceptions = p.exceptions;
  std::sort(exceptions.begin(), exceptions.end(),
            [](const SeriesException& a, const SeriesException& b) { return a.start < b.start; });
  Out out;
  out.U16(kReaderVersion);
  out.U16(kWriterVersion);
  WritePattern(out, p);
  WriteOccurrenceDates(out, p, exceptions);
  out.U32(kReaderVersion2);
  out.U32(kWriterVersion2);
  out.U32(p.start_offset);
  out.U32(p.end_offset);
  WriteExceptionInfos(out, exceptions);
  out.U32(0);  // reserved block 1
  WriteExtendedExceptions(out, exceptions);
  out.U32(0);  // reserved block 2
  return out.Take();
}

}  // namespace korvale::orgadmin
