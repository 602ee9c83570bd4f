// The "; "-joined lists of the settings: texts joined with "; " and split at
// ";" with leading blanks removed from each item.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace korvale {

// Splits as the settings reader does: while the rest is not empty, remove its
// leading blanks, take the text up to the first ";" (or all of it). Trailing
// blanks stay part of an item; an empty item between two ";" is kept.
std::vector<std::string> SplitSemicolonList(std::string_view text);

// Joins items with "; ".
std::string JoinSemicolonList(const std::vector<std::string>& items);

// Takes the next item of a member list as the scan loop does: leading blanks
// of `rest` removed, the item is the text before the first ";" and `rest`
// becomes the text after it (empty when there is no ";").
std::string TakeListItem(std::string& rest);

}  // namespace korvale
