// Character-counted views of UTF-8 text: length limits in the database count
// characters, and a cut never splits a multi-byte sequence. Text that is not
// valid UTF-8 (a mailbox may hold any bytes) is repaired before it goes into a
// statement, because a server that checks its character set refuses the
// whole statement, and one that does not stores bytes no reader can decode.
//
// An ill-formed sequence is a maximal subpart in the Unicode sense: the
// longest start of a well-formed sequence, or one byte when not even the
// first byte could start one. It counts as one character everywhere here,
// as it becomes one U+FFFD when repaired, so counting and cutting give the
// same answer before and after the repair.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace korvale {

// Number of characters.
size_t Utf8Length(std::string_view text);

// The first `max_chars` characters of `text`.
std::string Utf8Prefix(std::string_view text, size_t max_chars);

// True when the text is well-formed UTF-8 (no overlong forms, surrogates or
// values beyond U+10FFFF).
bool IsValidUtf8(std::string_view text);

// The text with each ill-formed sequence replaced by U+FFFD ("\xEF\xBF\xBD");
// valid text comes back unchanged.
//   RepairUtf8("Caf\xE9 \xE2\x82") == "Caf\uFFFD \uFFFD"
std::string RepairUtf8(std::string_view text);

}  // namespace korvale
