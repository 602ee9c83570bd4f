// Character-counted views of UTF-8 text: length limits in the database count
// characters, and a cut never splits a multi-byte sequence.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace korvale {

// Number of characters; a byte that starts no valid sequence counts as one.
size_t Utf8Length(std::string_view text);

// The first `max_chars` characters of `text`.
std::string Utf8Prefix(std::string_view text, size_t max_chars);

}  // namespace korvale
