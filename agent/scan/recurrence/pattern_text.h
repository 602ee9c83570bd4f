// The 8-bit texts of exception records (subject, location) as UTF-8.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace korvale::recurrence {

// The writer's code page is not in the pattern: bytes that already form valid
// UTF-8 are kept, anything else is read as Windows-1252 (what Western Outlook
// installations write). The text ends at its first zero byte and keeps at
// most `max_chars` characters; a multi-byte character is never split.
std::string PatternTextToUtf8(std::string_view bytes, size_t max_chars);

}  // namespace korvale::recurrence
