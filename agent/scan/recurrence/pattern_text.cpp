// 8-bit exception texts to UTF-8.
#include "agent/scan/recurrence/pattern_text.h"

#include <cstdint>

#include "common/utf8.h"

namespace korvale::recurrence {
namespace {

// Windows-1252 0x80..0x9F; the five holes map to themselves as C1 controls.
constexpr char16_t kCp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                      0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

}  // namespace

std::string PatternTextToUtf8(std::string_view bytes, size_t max_chars) {
  const size_t zero = bytes.find('\0');
  if (zero != std::string_view::npos) bytes = bytes.substr(0, zero);
  if (IsValidUtf8(bytes)) return std::string(Utf8Prefix(bytes, max_chars));
  std::string out;
  out.reserve(bytes.size() < max_chars ? bytes.size() * 2 : max_chars * 3);
  for (size_t i = 0; i < bytes.size() && i < max_chars; ++i) {
    const auto byte = static_cast<unsigned char>(bytes[i]);
    AppendUtf8(out, byte >= 0x80 && byte <= 0x9F ? kCp1252High[byte - 0x80] : char16_t{byte});
  }
  return out;
}

}  // namespace korvale::recurrence
