// Strict UTF-8 decoding and the counting, cutting and conversion built on it.
#include "common/utf8.h"

namespace korvale {
namespace {

bool InRange(unsigned char c, unsigned char low, unsigned char high) { return c >= low && c <= high; }

size_t Advance(const Utf8Char& c, IllFormed ill_formed) {
  return c.valid || ill_formed == IllFormed::kOneCharacter ? c.length : 1;
}

}  // namespace

// Follows the table of well-formed byte sequences: the second byte's range
// depends on the lead (that excludes overlong forms, surrogates and values
// above U+10FFFF), every further byte is 80..BF.
Utf8Char DecodeUtf8(std::string_view text, size_t pos) {
  const auto lead = static_cast<unsigned char>(text[pos]);
  if (lead < 0x80) return {lead, 1, true};
  size_t length = 0;
  char32_t code = 0;
  unsigned char low = 0x80, high = 0xBF;  // range of the second byte
  if (InRange(lead, 0xC2, 0xDF)) {
    length = 2;
    code = lead & 0x1F;
  } else if (InRange(lead, 0xE0, 0xEF)) {
    length = 3;
    code = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (InRange(lead, 0xF0, 0xF4)) {
    length = 4;
    code = lead & 0x07;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return {kReplacementCharacter, 1, false};
  }
  for (size_t i = 1; i < length; ++i) {
    if (pos + i >= text.size()) return {kReplacementCharacter, i, false};
    const auto c = static_cast<unsigned char>(text[pos + i]);
    if (i == 1 ? !InRange(c, low, high) : !InRange(c, 0x80, 0xBF)) return {kReplacementCharacter, i, false};
    code = code << 6 | (c & 0x3F);
  }
  return {code, length, true};
}

void AppendUtf8(std::string& out, char32_t code) {
  if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) code = kReplacementCharacter;
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | code >> 6);
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | code >> 12);
    out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | code >> 18);
    out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

bool IsValidUtf8(std::string_view text) {
  for (size_t pos = 0; pos < text.size();) {
    const Utf8Char c = DecodeUtf8(text, pos);
    if (!c.valid) return false;
    pos += c.length;
  }
  return true;
}

size_t Utf8Length(std::string_view text, IllFormed ill_formed) {
  size_t count = 0;
  for (size_t pos = 0; pos < text.size(); pos += Advance(DecodeUtf8(text, pos), ill_formed)) ++count;
  return count;
}

std::string_view Utf8Prefix(std::string_view text, size_t max_chars, IllFormed ill_formed) {
  size_t pos = 0;
  for (size_t count = 0; count < max_chars && pos < text.size(); ++count) {
    pos += Advance(DecodeUtf8(text, pos), ill_formed);
  }
  return text.substr(0, pos);
}

std::string_view Utf8PrefixBytes(std::string_view text, size_t max_bytes) {
  if (text.size() <= max_bytes) return text;
  size_t pos = 0;
  for (;;) {
    const size_t next = pos + DecodeUtf8(text, pos).length;
    if (next > max_bytes) return text.substr(0, pos);
    pos = next;
  }
}

std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (size_t pos = 0; pos < text.size();) {
    const Utf8Char c = DecodeUtf8(text, pos);
    if (c.code >= 0x10000) {
      const char32_t offset = c.code - 0x10000;
      out += static_cast<char16_t>(0xD800 | offset >> 10);
      out += static_cast<char16_t>(0xDC00 | (offset & 0x3FF));
    } else {
      out += static_cast<char16_t>(c.code);
    }
    pos += c.length;
  }
  return out;
}

}  // namespace korvale
