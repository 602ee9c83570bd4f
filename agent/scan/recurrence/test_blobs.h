// Test helpers: the stored pattern vectors of tests/data/recurrence, a
// builder for patterns the vectors do not cover, zones, and an expansion that
// collects its occurrences as comparable rows.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "agent/scan/recurrence/expander.h"
#include "agent/scan/recurrence/pattern_reader.h"
#include "agent/scan/recurrence/recurrence_state.h"

namespace korvale::recurrence::testing {

// A named blob of examples.txt ("[name]" / "hex: ...").
std::string ExampleBlob(const std::string& name);
// mfcmapi/<name>.hex as bytes.
std::string MfcmapiBlob(const std::string& name);
// msgreader/<name>.bin as bytes.
std::string MsgreaderBlob(const std::string& name);
std::string HexToBytes(const std::string& hex);

// Little-endian overwrite inside a blob (to derive damaged or changed cases).
void PatchU32(std::string& bytes, size_t offset, uint32_t value);

SYSTEMTIME Time(int year, int month, int day, int hour = 0, int minute = 0);
std::string Format(const SYSTEMTIME& time);  // "2023-01-09 12:00"
// Minutes since 1601 as the pattern stores them.
uint32_t PatternMinutes(int year, int month, int day, int hour = 0, int minute = 0);

TIME_ZONE_INFORMATION UtcZone();
TIME_ZONE_INFORMATION TokyoZone();    // bias -540, no daylight saving
TIME_ZONE_INFORMATION EasternZone();  // mfcmapi/timezone-1: bias 300, DST 2nd Sun Mar .. 1st Sun Nov

// Marks the maximum it was called with: "text" -> "<250>text".
std::string TaggingQuote(std::string_view text, int max_len);

PatternInput Input(const std::string& bytes, SYSTEMTIME start, SYSTEMTIME end,
                   TIME_ZONE_INFORMATION zone = UtcZone());

// One occurrence as the expander handed it on, owning its texts.
struct Row {
  std::string start;
  std::string end;
  std::string subject;
  std::string location;
  int32_t busy_status = 0;
  std::string body;
  bool is_exception = false;
};
std::ostream& operator<<(std::ostream& out, const Row& row);

inline const SeriesValues kSeries{"Series", "Room 1", 2, "series body", "Ann; Bob"};

// Expands with a window given in universal time [from, to).
std::vector<Row> ExpandRows(RecurrenceType type, const RecurrenceState& state, SYSTEMTIME from_utc,
                            SYSTEMTIME to_utc, const TIME_ZONE_INFORMATION& appointment_zone = UtcZone(),
                            const TIME_ZONE_INFORMATION& mailbox_zone = UtcZone(),
                            const SeriesValues& series = kSeries);
// Just the start times of the rows.
std::vector<std::string> Starts(const std::vector<Row>& rows);

// A pattern built field by field.
struct PatternBuilder {
  uint16_t frequency = 0x200B;
  uint16_t pattern_type = 1;
  uint32_t period = 1;
  std::vector<uint32_t> specific;  // the 0, 1 or 2 pattern-specific values
  uint32_t end_type = 0x2023;
  uint32_t count = 10;
  std::vector<uint32_t> deleted;
  std::vector<uint32_t> modified;
  uint32_t start_date = 0;
  uint32_t end_date = 0x5AE980DF;
  uint32_t start_offset = 0;
  uint32_t end_offset = 60;
  std::string records;  // exception records, raw
  std::string Build() const;
};
// A pattern of the frequency (0x200A..0x200D), period and specific values that never ends.
PatternBuilder Pattern(uint16_t frequency, uint32_t period, std::vector<uint32_t> specific = {});

// One exception record; fields present when given. Of extra_flags only
// 0x0002 (with its 4 bytes) and 0x0200 (no bytes) are written correctly.
std::string RecordBytes(uint32_t start, uint32_t end, uint32_t original, std::optional<std::string> subject,
                        std::optional<std::string> location, std::optional<uint32_t> busy_status,
                        uint16_t extra_flags = 0);

}  // namespace korvale::recurrence::testing
