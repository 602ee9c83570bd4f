// UTF-8 decoding, encoding, counting and cutting. Text is 8-bit and holds
// UTF-8; length limits count characters and a cut never splits a sequence.
//
// Decoding is strict: overlong forms, surrogates, values above U+10FFFF and
// truncated sequences are ill-formed. An ill-formed sequence spans its maximal
// subpart (the longest start of a well-formed sequence, or one byte when not
// even the first byte could start one), which is what one U+FFFD replaces.
// What to do with it (replace, keep, count byte by byte) is the caller's
// choice.
//
//   DecodeUtf8("\xE2\x82\xAC", 0)     -> {U+20AC, 3, valid}
//   DecodeUtf8("\xE2\x82x", 0)        -> {U+FFFD, 2, ill-formed}
//   Utf8Prefix("a\xC3\xA9z", 2)        -> "a\xC3\xA9"
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace korvale {

inline constexpr char32_t kReplacementCharacter = 0xFFFD;

struct Utf8Char {
  char32_t code;  // the code point; U+FFFD when ill-formed
  size_t length;  // bytes, at least 1: the sequence or the ill-formed maximal subpart
  bool valid;
};

// The character starting at byte `pos` (which must be inside `text`).
Utf8Char DecodeUtf8(std::string_view text, size_t pos);

// Appends `code` as UTF-8; a surrogate or a value above U+10FFFF appends U+FFFD.
void AppendUtf8(std::string& out, char32_t code);

// True when the whole text is well-formed UTF-8.
bool IsValidUtf8(std::string_view text);

// How an ill-formed sequence counts: as one character (the one U+FFFD that
// would replace it), or each of its bytes as one (text that may be in a
// single-byte code page, read byte by byte).
enum class IllFormed { kOneCharacter, kEachByte };

// Number of characters.
size_t Utf8Length(std::string_view text, IllFormed ill_formed = IllFormed::kOneCharacter);

// The first `max_chars` characters of `text`.
std::string_view Utf8Prefix(std::string_view text, size_t max_chars,
                            IllFormed ill_formed = IllFormed::kOneCharacter);

// The longest start of `text` of at most `max_bytes` bytes that ends between
// two characters.
std::string_view Utf8PrefixBytes(std::string_view text, size_t max_bytes);

// UTF-16 of UTF-8 text (what a wide-string buffer holds); each ill-formed
// sequence becomes U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);

}  // namespace korvale
