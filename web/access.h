// Who sees what and who may book: the account lists the scan publishes in a
// mailbox's user row ("DOMAIN\anna; DOMAIN\ben", or "Korvale_Any" for
// everybody) decide, for the visitor the front web server authenticated.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace korvale::web {

// The special list entry that grants a right to everybody.
inline constexpr std::string_view kAnyAccount = "Korvale_Any";

// True when `account` is an entry of `list` (entries separated by ";", blanks
// around them ignored, compared without regard to case), or the list holds
// "Korvale_Any". An empty account (an anonymous visitor) matches only
// "Korvale_Any". Entries are whole accounts: "DEMO\an" never matches
// "DEMO\anna".
bool AccountListed(std::string_view list, std::string_view account);

// What a visitor may do with one published calendar.
struct CalendarRights {
  bool details = false;  // titles, locations, categories (the ACL)
  bool book = false;     // create meetings in it (the ACLw, and the booking restriction)
};

// `acl`/`aclw` from the user row; `restricted` when the installation limits
// booking to the accounts of the "$canbookmeetings" rows (`can_book`). A
// visitor without an account never books: the booking must name who made it.
CalendarRights RightsFor(std::string_view visitor, std::string_view acl, std::string_view aclw,
                         bool restricted, const std::vector<std::string>& can_book);

}  // namespace korvale::web
