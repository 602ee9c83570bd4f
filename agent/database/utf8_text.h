// Repair of text that is not valid UTF-8 (a mailbox may hold any bytes)
// before it goes into a statement: a server that checks its character set
// refuses the whole statement, and one that does not stores bytes no reader
// can decode. Counting and cutting (common/utf8.h) count an ill-formed
// sequence as the one U+FFFD it becomes here, so they give the same answer
// before and after the repair.
#pragma once

#include <string>
#include <string_view>

#include "common/utf8.h"

namespace korvale {

// The text with each ill-formed sequence replaced by U+FFFD ("\xEF\xBF\xBD");
// valid text comes back unchanged.
//   RepairUtf8("Caf\xE9 \xE2\x82") == "Caf\uFFFD \uFFFD"
std::string RepairUtf8(std::string_view text);

}  // namespace korvale
