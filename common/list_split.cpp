#include "common/list_split.h"

namespace korvale {

std::string TakeListItem(std::string& rest) {
  size_t start = rest.find_first_not_of(' ');
  if (start == std::string::npos) {
    rest.clear();
    return {};
  }
  size_t semicolon = rest.find(';', start);
  std::string item;
  if (semicolon == std::string::npos) {
    item = rest.substr(start);
    rest.clear();
  } else {
    item = rest.substr(start, semicolon - start);
    rest.erase(0, semicolon + 1);
  }
  return item;
}

std::vector<std::string> SplitSemicolonList(std::string_view text) {
  std::vector<std::string> items;
  std::string rest(text);
  while (!rest.empty()) {
    // A rest of blanks only yields one empty item, as the reader's loop does.
    items.push_back(TakeListItem(rest));
  }
  return items;
}

std::string JoinSemicolonList(const std::vector<std::string>& items) {
  std::string joined;
  for (const auto& item : items) {
    if (!joined.empty() || &item != &items.front()) joined += "; ";
    joined += item;
  }
  return joined;
}

}  // namespace korvale
