// Repair of ill-formed UTF-8.
#include "agent/database/utf8_text.h"

namespace korvale {

std::string RepairUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 8);
  for (size_t pos = 0; pos < text.size();) {
    const Utf8Char c = DecodeUtf8(text, pos);
    if (c.valid) {
      out.append(text.substr(pos, c.length));
    } else {
      AppendUtf8(out, kReplacementCharacter);
    }
    pos += c.length;
  }
  return out;
}

}  // namespace korvale
