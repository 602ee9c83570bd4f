// Small text helpers the programs share. Case is folded for ASCII letters
// only; other bytes (UTF-8 sequences included) compare as they are.
//
//   Trim("  a b \r\n")                 -> "a b"
//   Trim("\ta ", kSpacesAndTabs)        -> "a"
//   ReplaceAll("%A and %A", "%A", "x")  -> "x and x"
#pragma once

#include <string>
#include <string_view>

namespace korvale {

// What Trim removes unless told otherwise: the C locale's white space.
inline constexpr std::string_view kWhiteSpace = " \t\r\n\v\f";
inline constexpr std::string_view kSpacesAndTabs = " \t";

// `text` without the characters of `blanks` at either end.
std::string_view Trim(std::string_view text, std::string_view blanks = kWhiteSpace);

// Equal without regard to the case of ASCII letters.
bool EqualsNoCase(std::string_view a, std::string_view b);

// ASCII letters in lower case, every other byte kept.
std::string Lower(std::string text);

// Removes every occurrence of `what`, left to right (nothing when it is empty).
void EraseAll(std::string& text, std::string_view what);

// Replaces every occurrence of `what` by `with`, going on behind each
// replacement, so a `with` containing `what` cannot loop; an empty `what`
// changes nothing.
std::string ReplaceAll(std::string text, std::string_view what, std::string_view with);

}  // namespace korvale
