// libFuzzer target: arbitrary bytes through the four pattern readers and,
// whenever one accepts them, through its expander over two bounded windows.
//
// The readers ignore trailing bytes, so the last four bytes of the input also
// choose the series start, zones and flags: a seed taken from a real pattern
// stays a valid pattern while the fuzzer varies the circumstances.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "agent/scan/recurrence/expander.h"
#include "agent/scan/recurrence/pattern_reader.h"
#include "agent/scan/recurrence/recurrence_dates.h"
#include "platform/tz/tz.h"

namespace korvale::recurrence {
namespace {

TIME_ZONE_INFORMATION Eastern() {
  TIME_ZONE_INFORMATION zone;
  zone.Bias = 300;
  zone.DaylightBias = -60;
  zone.StandardDate = SYSTEMTIME{0, 11, 0, 1, 2, 0, 0, 0};
  zone.DaylightDate = SYSTEMTIME{0, 3, 0, 2, 2, 0, 0, 0};
  return zone;
}

TIME_ZONE_INFORMATION Tokyo() {
  TIME_ZONE_INFORMATION zone;
  zone.Bias = -540;
  return zone;
}

FILETIME ToFileTime(int64_t minutes) { return static_cast<FILETIME>(minutes) * kFileTimePerMinute; }

// Expands over [from, from + days) and checks what must hold for any input.
void ExpandChecked(RecurrenceType type, const RecurrenceState& state,
                   const TIME_ZONE_INFORMATION& appointment, const TIME_ZONE_INFORMATION& mailbox,
                   int64_t from, int64_t days) {
  static const SeriesValues kSeries{"subject", "location", 2, "body", "attendees"};
  ExpansionFrame frame;
  frame.window = {ToFileTime(from), ToFileTime(from + days * kMinutesPerDay)};
  frame.appointment_zone = appointment;
  frame.mailbox_zone = mailbox;
  int64_t count = 0;
  Expand(type, state, kSeries, frame, [&](const Occurrence& occurrence) {
    ++count;
    if (!tz::SystemTimeToFileTime(occurrence.start) || !tz::SystemTimeToFileTime(occurrence.end))
      std::abort();
    if (occurrence.busy_status < 0 || occurrence.busy_status > 10) std::abort();
  });
  // Every pattern places at most one occurrence on a candidate day.
  if (count > days + 1) std::abort();
}

}  // namespace
}  // namespace korvale::recurrence

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace korvale;
  using namespace korvale::recurrence;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  uint32_t knobs = 0;
  for (size_t i = size >= 4 ? size - 4 : 0; i < size; ++i) knobs = knobs << 8 | data[i];

  static const TIME_ZONE_INFORMATION kEastern = Eastern();
  static const TIME_ZONE_INFORMATION kTokyo = Tokyo();
  static const TIME_ZONE_INFORMATION kUtc;
  static const int64_t kYear2000 = *ToMinutes(SYSTEMTIME{2000, 1, 0, 1, 0, 0, 0, 0});

  // A series start between 2000 and about 2055, a duration up to a day.
  const int64_t start = kYear2000 + int64_t{knobs % 20000} * kMinutesPerDay + (knobs >> 8) % 1440;
  const int64_t duration = ((knobs >> 18) % 49) * 30;
  PatternInput in;
  in.bytes = bytes;
  in.series_start = *FromMinutes(start);
  in.series_end = *FromMinutes(start + duration);
  in.appointment_zone = (knobs & 0x10000000) ? kEastern : kTokyo;
  in.minimum_security = (knobs & 0x20000000) != 0;
  if (knobs & 0x40000000) in.clip_end = *FromMinutes(start + 400 * kMinutesPerDay);
  in.quote = [](std::string_view text, int max_len) { return std::string(text.substr(0, max_len)); };
  const TIME_ZONE_INFORMATION& mailbox = (knobs & 0x80000000) ? kEastern : kUtc;

  (void)ChooseRecurrenceType(static_cast<int32_t>(knobs & 7), bytes);
  (void)AppointmentZone(bytes, kUtc);
  for (int type = 1; type <= 4; ++type) {
    RecurrenceState state;
    const auto kind = static_cast<RecurrenceType>(type);
    if (!ReadPattern(kind, in, state)) continue;
    ExpandChecked(kind, state, in.appointment_zone, mailbox, start - 30 * kMinutesPerDay, 800);
    // A window decades after the start: the walk counts its way there.
    ExpandChecked(kind, state, in.appointment_zone, mailbox, start + 30 * 365 * kMinutesPerDay, 60);
  }
  return 0;
}
