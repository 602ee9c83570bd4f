// Database passwords are never stored in plain text: each character is shifted
// by the entry of a fixed key table for its position and written as two
// upper-case hexadecimal digits. The configuration program, the setup, the
// agent and the web pages share the one table.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace korvale {

// Stored in GUID2 when the database password is empty.
inline constexpr std::string_view kEmptyPasswordMarker = "462718390";

inline constexpr size_t kScrambleKeyCount = 255;
extern const std::array<int, kScrambleKeyCount> kScrambleKeys;

// byte + key (minus 255 when 256 or more), as "%02X" per character.
std::string ScramblePassword(std::string_view plain);

// Pairs of hex digits minus the key (plus 255 when negative); only length/2
// pairs are used, and a pair that is not hexadecimal reads as 0.
std::string UnscramblePassword(std::string_view stored);

// The plain password of a GUID2 value: empty when the value is empty or equals
// the marker without regard to case.
std::string PasswordFromGuid2(std::string_view guid2);

}  // namespace korvale
