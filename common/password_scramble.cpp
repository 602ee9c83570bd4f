#include "common/password_scramble.h"

#include <cctype>

namespace korvale {

// Fixed for all time: stored passwords depend on it.
const std::array<int, kScrambleKeyCount> kScrambleKeys = {
    167, 103, 184, 78,  177, 9,   146, 144, 32,  128, 92,  24,  64,  107, 142, 94,  193, 76,  110, 1,
    81,  192, 100, 173, 193, 46,  151, 107, 23,  26,  79,  140, 101, 79,  114, 120, 113, 114, 64,  124,
    154, 52,  188, 94,  12,  196, 145, 46,  129, 85,  88,  82,  173, 69,  27,  180, 141, 105, 8,   70,
    105, 36,  162, 111, 111, 127, 128, 27,  76,  42,  24,  63,  88,  70,  150, 198, 31,  9,   29,  149,
    175, 109, 197, 146, 40,  89,  168, 179, 171, 98,  62,  168, 24,  104, 174, 97,  72,  9,   45,  151,
    188, 137, 119, 150, 49,  127, 133, 160, 64,  59,  179, 57,  177, 154, 196, 133, 198, 23,  87,  28,
    194, 46,  74,  191, 42,  114, 76,  119, 91,  50,  159, 168, 193, 3,   140, 20,  115, 60,  102, 153,
    137, 156, 26,  50,  42,  167, 114, 122, 25,  158, 64,  125, 71,  96,  199, 78,  38,  157, 99,  119,
    3,   170, 186, 53,  81,  159, 53,  166, 139, 123, 155, 188, 61,  169, 5,   110, 119, 95,  50,  76,
    155, 139, 4,   82,  57,  154, 71,  199, 87,  194, 152, 74,  98,  139, 183, 158, 18,  186, 16,  147,
    36,  140, 160, 148, 165, 82,  67,  66,  61,  60,  56,  40,  14,  85,  30,  22,  130, 98,  93,  113,
    145, 54,  129, 148, 31,  86,  69,  27,  145, 155, 78,  2,   71,  196, 135, 58,  135, 127, 194, 115,
    192, 109, 1,   171, 48,  122, 125, 33,  8,   47,  132, 157, 111, 21,  13,
};

namespace {

int KeyAt(size_t i) { return kScrambleKeys[i % kScrambleKeyCount]; }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string ScramblePassword(std::string_view plain) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(plain.size() * 2);
  for (size_t i = 0; i < plain.size(); ++i) {
    int v = static_cast<unsigned char>(plain[i]) + KeyAt(i);
    if (v >= 256) v -= 255;
    out += kHex[(v >> 4) & 0xF];
    out += kHex[v & 0xF];
  }
  return out;
}

std::string UnscramblePassword(std::string_view stored) {
  std::string out;
  for (size_t i = 0; i < stored.size() / 2; ++i) {
    int hi = HexDigit(stored[2 * i]);
    int lo = HexDigit(stored[2 * i + 1]);
    int w = (hi < 0 || lo < 0) ? 0 : hi * 16 + lo;
    int c = w - KeyAt(i);
    if (c < 0) c += 255;
    out += static_cast<char>(c);
  }
  return out;
}

std::string PasswordFromGuid2(std::string_view guid2) {
  if (guid2.empty()) return {};
  if (guid2.size() == kEmptyPasswordMarker.size()) {
    bool same = true;
    for (size_t i = 0; i < guid2.size(); ++i) {
      if (std::tolower(static_cast<unsigned char>(guid2[i])) != kEmptyPasswordMarker[i]) same = false;
    }
    if (same) return {};
  }
  return UnscramblePassword(guid2);
}

}  // namespace korvale
