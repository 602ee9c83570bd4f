// The two little-endian byte forms of a time zone: the 44-byte "TZI" value of
// the time-zone table and the 48-byte structure stored with an appointment.
#include <cstdint>
#include <optional>
#include <string>

#include "platform/tz/tz.h"

namespace korvale::tz {
namespace {

constexpr size_t kTziSize = 44;
constexpr size_t kStructSize = 48;

void PutU16(std::string& out, uint16_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>(v >> 8));
}
void PutI32(std::string& out, int32_t v) {
  const uint32_t u = static_cast<uint32_t>(v);
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<char>((u >> shift) & 0xFF));
}
void PutSystemTime(std::string& out, const SYSTEMTIME& t) {
  for (uint16_t v :
       {t.wYear, t.wMonth, t.wDayOfWeek, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds}) {
    PutU16(out, v);
  }
}

// Reads in order from a buffer whose size the caller has checked.
class Reader {
 public:
  explicit Reader(const std::string& bytes) : bytes_(bytes) {}
  uint16_t U16() {
    const uint16_t v = static_cast<uint16_t>(Byte(pos_) | (Byte(pos_ + 1) << 8));
    pos_ += 2;
    return v;
  }
  int32_t I32() {
    uint32_t u = 0;
    for (int i = 0; i < 4; ++i) u |= static_cast<uint32_t>(Byte(pos_ + i)) << (8 * i);
    pos_ += 4;
    return static_cast<int32_t>(u);
  }
  SYSTEMTIME Time() {
    SYSTEMTIME t;
    t.wYear = U16();
    t.wMonth = U16();
    t.wDayOfWeek = U16();
    t.wDay = U16();
    t.wHour = U16();
    t.wMinute = U16();
    t.wSecond = U16();
    t.wMilliseconds = U16();
    return t;
  }

 private:
  unsigned Byte(size_t i) const { return static_cast<unsigned char>(bytes_[i]); }
  const std::string& bytes_;
  size_t pos_ = 0;
};

}  // namespace

std::string TziToBytes(const TIME_ZONE_INFORMATION& zone) {
  std::string out;
  out.reserve(kTziSize);
  PutI32(out, zone.Bias);
  PutI32(out, zone.StandardBias);
  PutI32(out, zone.DaylightBias);
  PutSystemTime(out, zone.StandardDate);
  PutSystemTime(out, zone.DaylightDate);
  return out;
}

std::optional<TIME_ZONE_INFORMATION> TziFromBytes(const std::string& bytes) {
  if (bytes.size() < kTziSize) return std::nullopt;
  Reader r(bytes);
  TIME_ZONE_INFORMATION zone;
  zone.Bias = r.I32();
  zone.StandardBias = r.I32();
  zone.DaylightBias = r.I32();
  zone.StandardDate = r.Time();
  zone.DaylightDate = r.Time();
  return zone;
}

std::string TimeZoneStructToBytes(const TIME_ZONE_INFORMATION& zone) {
  std::string out;
  out.reserve(kStructSize);
  PutI32(out, zone.Bias);
  PutI32(out, zone.StandardBias);
  PutI32(out, zone.DaylightBias);
  // The separate year fields repeat the year of the date that follows them.
  PutU16(out, zone.StandardDate.wYear);
  PutSystemTime(out, zone.StandardDate);
  PutU16(out, zone.DaylightDate.wYear);
  PutSystemTime(out, zone.DaylightDate);
  return out;
}

std::optional<TIME_ZONE_INFORMATION> TimeZoneStructFromBytes(const std::string& bytes) {
  if (bytes.size() < kStructSize) return std::nullopt;
  Reader r(bytes);
  TIME_ZONE_INFORMATION zone;
  zone.Bias = r.I32();
  zone.StandardBias = r.I32();
  zone.DaylightBias = r.I32();
  r.U16();  // standard year: the date's own wYear is authoritative
  zone.StandardDate = r.Time();
  r.U16();  // daylight year
  zone.DaylightDate = r.Time();
  return zone;
}

}  // namespace korvale::tz
