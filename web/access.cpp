#include "web/access.h"

#include <algorithm>

#include "common/text.h"

namespace korvale::web {

bool AccountListed(std::string_view list, std::string_view account) {
  account = Trim(account);
  while (true) {
    size_t cut = list.find(';');
    std::string_view entry = Trim(list.substr(0, cut));
    if (EqualsNoCase(entry, kAnyAccount)) return true;
    if (!account.empty() && EqualsNoCase(entry, account)) return true;
    if (cut == std::string_view::npos) return false;
    list.remove_prefix(cut + 1);
  }
}

CalendarRights RightsFor(std::string_view visitor, std::string_view acl, std::string_view aclw,
                         bool restricted, const std::vector<std::string>& can_book) {
  CalendarRights rights;
  rights.details = AccountListed(acl, visitor);
  if (Trim(visitor).empty()) return rights;
  rights.book = AccountListed(aclw, visitor);
  if (rights.book && restricted) {
    rights.book = std::any_of(can_book.begin(), can_book.end(),
                              [&](const std::string& list) { return AccountListed(list, visitor); });
  }
  return rights;
}

}  // namespace korvale::web
