// Test helpers for the recurrence tests.
#include "agent/scan/recurrence/test_blobs.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/tz/tz.h"

namespace korvale::recurrence::testing {
namespace {

std::filesystem::path DataDir() {
  const char* source = std::getenv("KORVALE_SOURCE_DIR");
  return std::filesystem::path(source ? source : ".") / "tests" / "data" / "recurrence";
}

std::string ReadWhole(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("test data missing: " + path.string());
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void AppendU16(std::string& out, uint16_t value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>(value >> 8);
}

void AppendU32(std::string& out, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out += static_cast<char>((value >> shift) & 0xFF);
}

void AppendText(std::string& out, const std::string& text) {
  AppendU16(out, static_cast<uint16_t>(text.size() + 1));
  AppendU16(out, static_cast<uint16_t>(text.size()));
  out += text;
}

}  // namespace

std::string HexToBytes(const std::string& hex) {
  std::string bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  }
  return bytes;
}

std::string ExampleBlob(const std::string& name) {
  const std::string text = ReadWhole(DataDir() / "examples.txt");
  const size_t section = text.find("[" + name + "]");
  if (section == std::string::npos) throw std::runtime_error("no example " + name);
  const size_t hex = text.find("hex: ", section) + 5;
  return HexToBytes(text.substr(hex, text.find('\n', hex) - hex));
}

std::string MfcmapiBlob(const std::string& name) {
  std::string hex = ReadWhole(DataDir() / "mfcmapi" / (name + ".hex"));
  while (!hex.empty() && std::isspace(static_cast<unsigned char>(hex.back()))) hex.pop_back();
  return HexToBytes(hex);
}

std::string MsgreaderBlob(const std::string& name) {
  return ReadWhole(DataDir() / "msgreader" / (name + ".bin"));
}

void PatchU32(std::string& bytes, size_t offset, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes.at(offset + i) = static_cast<char>((value >> (8 * i)) & 0xFF);
}

SYSTEMTIME Time(int year, int month, int day, int hour, int minute) {
  SYSTEMTIME time;
  time.wYear = static_cast<uint16_t>(year);
  time.wMonth = static_cast<uint16_t>(month);
  time.wDay = static_cast<uint16_t>(day);
  time.wHour = static_cast<uint16_t>(hour);
  time.wMinute = static_cast<uint16_t>(minute);
  return time;
}

std::string Format(const SYSTEMTIME& time) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", time.wYear, time.wMonth, time.wDay, time.wHour,
                time.wMinute);
  return text;
}

uint32_t PatternMinutes(int year, int month, int day, int hour, int minute) {
  return static_cast<uint32_t>(*tz::SystemTimeToFileTime(Time(year, month, day, hour, minute)) /
                               kFileTimePerMinute);
}

TIME_ZONE_INFORMATION UtcZone() { return {}; }

TIME_ZONE_INFORMATION TokyoZone() {
  TIME_ZONE_INFORMATION zone;
  zone.Bias = -540;
  return zone;
}

TIME_ZONE_INFORMATION EasternZone() { return *tz::TimeZoneStructFromBytes(MfcmapiBlob("timezone-1")); }

std::string TaggingQuote(std::string_view text, int max_len) {
  return "<" + std::to_string(max_len) + ">" + std::string(text);
}

PatternInput Input(const std::string& bytes, SYSTEMTIME start, SYSTEMTIME end, TIME_ZONE_INFORMATION zone) {
  PatternInput in;
  in.bytes = bytes;
  in.series_start = start;
  in.series_end = end;
  in.appointment_zone = std::move(zone);
  in.quote = TaggingQuote;
  return in;
}

std::ostream& operator<<(std::ostream& out, const Row& row) {
  return out << "{" << row.start << " - " << row.end << " '" << row.subject << "' '" << row.location
             << "' busy " << row.busy_status << (row.is_exception ? " exception" : "") << "}";
}

std::vector<Row> ExpandRows(RecurrenceType type, const RecurrenceState& state, SYSTEMTIME from_utc,
                            SYSTEMTIME to_utc, const TIME_ZONE_INFORMATION& appointment_zone,
                            const TIME_ZONE_INFORMATION& mailbox_zone, const SeriesValues& series) {
  ExpansionFrame frame;
  frame.window = {*tz::SystemTimeToFileTime(from_utc), *tz::SystemTimeToFileTime(to_utc)};
  frame.appointment_zone = appointment_zone;
  frame.mailbox_zone = mailbox_zone;
  std::vector<Row> rows;
  Expand(type, state, series, frame, [&](const Occurrence& o) {
    rows.push_back({Format(o.start), Format(o.end), std::string(o.subject), std::string(o.location),
                    o.busy_status, std::string(o.body), o.is_exception});
  });
  return rows;
}

std::vector<std::string> Starts(const std::vector<Row>& rows) {
  std::vector<std::string> starts;
  for (const Row& row : rows) starts.push_back(row.start);
  return starts;
}

std::string PatternBuilder::Build() const {
  std::string out;
  AppendU16(out, 0x3004);
  AppendU16(out, 0x3004);
  AppendU16(out, frequency);
  AppendU16(out, pattern_type);
  AppendU16(out, 0);  // calendar type
  AppendU32(out, 0);  // first date-time
  AppendU32(out, period);
  AppendU32(out, 0);  // sliding flag
  for (uint32_t value : specific) AppendU32(out, value);
  AppendU32(out, end_type);
  AppendU32(out, count);
  AppendU32(out, 0);  // first day of week
  AppendU32(out, static_cast<uint32_t>(deleted.size()));
  for (uint32_t date : deleted) AppendU32(out, date);
  AppendU32(out, static_cast<uint32_t>(modified.size()));
  for (uint32_t date : modified) AppendU32(out, date);
  AppendU32(out, start_date);
  AppendU32(out, end_date);
  AppendU32(out, 0x3006);
  AppendU32(out, 0x3009);
  AppendU32(out, start_offset);
  AppendU32(out, end_offset);
  AppendU16(out, static_cast<uint16_t>(modified.size()));
  out += records;
  AppendU32(out, 0);  // reserved block 1
  AppendU32(out, 0);  // reserved block 2
  return out;
}

PatternBuilder Pattern(uint16_t frequency, uint32_t period, std::vector<uint32_t> specific) {
  PatternBuilder pattern;
  pattern.frequency = frequency;
  pattern.pattern_type = frequency == 0x200A ? 0 : 1;
  pattern.period = period;
  pattern.specific = std::move(specific);
  return pattern;
}

std::string RecordBytes(uint32_t start, uint32_t end, uint32_t original, std::optional<std::string> subject,
                        std::optional<std::string> location, std::optional<uint32_t> busy_status,
                        uint16_t extra_flags) {
  uint16_t flags = extra_flags;
  if (subject) flags |= override_flag::kSubject;
  if (location) flags |= override_flag::kLocation;
  if (busy_status) flags |= override_flag::kBusyStatus;
  std::string out;
  AppendU32(out, start);
  AppendU32(out, end);
  AppendU32(out, original);
  AppendU16(out, flags);
  if (subject) AppendText(out, *subject);
  if (flags & override_flag::kMeetingType) AppendU32(out, 1);
  if (location) AppendText(out, *location);
  if (busy_status) AppendU32(out, *busy_status);
  return out;
}

}  // namespace korvale::recurrence::testing
