// Writes the recurrence blob byte by byte in the published field order.
#include "bench/recurrence_blob.h"

namespace korvale::bench {
namespace {

void Put16(std::vector<uint8_t>& b, uint16_t v) {
  b.push_back(v & 0xFF);
  b.push_back(v >> 8);
}
void Put32(std::vector<uint8_t>& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back((v >> (8 * i)) & 0xFF);
}

}  // namespace

int32_t LastDay(const WeeklySeries& s) { return s.first_day + 7 * s.period_weeks * (s.occurrences - 1); }

std::vector<uint8_t> WeeklyRecurrenceBlob(const WeeklySeries& s) {
  // 1601-01-01 was a Monday; weekday 0 is Sunday.
  int weekday = (s.first_day + 1) % 7;
  uint32_t week_start = static_cast<uint32_t>(s.first_day - weekday);
  std::vector<uint8_t> b;
  Put16(b, 0x3004);
  Put16(b, 0x3004);
  Put16(b, 0x200B);  // weekly
  Put16(b, 0x0001);  // pattern type week
  Put16(b, 0x0000);  // Gregorian
  Put32(b, (week_start * 1440u) % (10080u * s.period_weeks));
  Put32(b, s.period_weeks);
  Put32(b, 0);              // sliding flag
  Put32(b, 1u << weekday);  // day mask
  Put32(b, 0x2022);         // ends after a number of occurrences
  Put32(b, s.occurrences);
  Put32(b, 0);  // first day of week: Sunday
  Put32(b, 0);  // deleted instances
  Put32(b, 0);  // modified instances
  Put32(b, static_cast<uint32_t>(s.first_day) * 1440u);
  Put32(b, static_cast<uint32_t>(LastDay(s)) * 1440u);
  Put32(b, 0x3006);
  Put32(b, 0x3009);
  Put32(b, s.start_minute);
  Put32(b, s.start_minute + s.duration_minutes);
  Put16(b, 0);  // exceptions
  Put32(b, 0);  // reserved block 1
  Put32(b, 0);  // reserved block 2
  return b;
}

}  // namespace korvale::bench
