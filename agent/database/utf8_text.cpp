// Character counting, cutting and repair of UTF-8 text.
#include "agent/database/utf8_text.h"

namespace korvale {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

struct Unit {
  size_t length;  // bytes, at least 1
  bool valid;
};

bool InRange(unsigned char c, unsigned char low, unsigned char high) { return c >= low && c <= high; }

// The character or ill-formed sequence starting at `pos`, following the table
// of well-formed byte sequences: the second byte's range depends on the lead
// (that excludes overlong forms, surrogates and values above U+10FFFF), every
// further byte is 80..BF.
Unit NextUnit(std::string_view text, size_t pos) {
  const auto lead = static_cast<unsigned char>(text[pos]);
  if (lead < 0x80) return {1, true};
  size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // range of the second byte
  if (InRange(lead, 0xC2, 0xDF)) {
    length = 2;
  } else if (InRange(lead, 0xE0, 0xEF)) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (InRange(lead, 0xF0, 0xF4)) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return {1, false};
  }
  for (size_t i = 1; i < length; ++i) {
    if (pos + i >= text.size()) return {i, false};
    const auto c = static_cast<unsigned char>(text[pos + i]);
    if (i == 1 ? !InRange(c, low, high) : !InRange(c, 0x80, 0xBF)) return {i, false};
  }
  return {length, true};
}

}  // namespace

size_t Utf8Length(std::string_view text) {
  size_t count = 0;
  for (size_t pos = 0; pos < text.size(); pos += NextUnit(text, pos).length) ++count;
  return count;
}

std::string Utf8Prefix(std::string_view text, size_t max_chars) {
  size_t pos = 0;
  for (size_t count = 0; count < max_chars && pos < text.size(); ++count) {
    pos += NextUnit(text, pos).length;
  }
  return std::string(text.substr(0, pos));
}

bool IsValidUtf8(std::string_view text) {
  for (size_t pos = 0; pos < text.size();) {
    const Unit unit = NextUnit(text, pos);
    if (!unit.valid) return false;
    pos += unit.length;
  }
  return true;
}

std::string RepairUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 8);
  for (size_t pos = 0; pos < text.size();) {
    const Unit unit = NextUnit(text, pos);
    if (unit.valid) {
      out.append(text.substr(pos, unit.length));
    } else {
      out.append(kReplacement);
    }
    pos += unit.length;
  }
  return out;
}

}  // namespace korvale
