// Character counting and cutting of UTF-8 text.
#include "agent/database/utf8_text.h"

namespace korvale {
namespace {

// Length in bytes of the character starting at `pos`; 1 for a stray byte, so
// broken text still advances and is never split further.
size_t SequenceLength(std::string_view text, size_t pos) {
  const auto lead = static_cast<unsigned char>(text[pos]);
  size_t length = 1;
  if (lead >= 0xC2 && lead <= 0xDF) length = 2;
  else if (lead >= 0xE0 && lead <= 0xEF) length = 3;
  else if (lead >= 0xF0 && lead <= 0xF4) length = 4;
  if (pos + length > text.size()) return 1;
  for (size_t i = 1; i < length; ++i) {
    if ((static_cast<unsigned char>(text[pos + i]) & 0xC0) != 0x80) return 1;
  }
  return length;
}

}  // namespace

size_t Utf8Length(std::string_view text) {
  size_t count = 0;
  for (size_t pos = 0; pos < text.size(); pos += SequenceLength(text, pos)) ++count;
  return count;
}

std::string Utf8Prefix(std::string_view text, size_t max_chars) {
  size_t pos = 0;
  for (size_t count = 0; count < max_chars && pos < text.size(); ++count) {
    pos += SequenceLength(text, pos);
  }
  return std::string(text.substr(0, pos));
}

}  // namespace korvale
