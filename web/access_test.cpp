// Who sees what: the account lists decide whether a visitor sees titles or
// only busy blocks, and whether a booking is accepted. A loose match here
// shows a private calendar to the wrong person.
#include "web/access.h"

#include <gtest/gtest.h>

namespace korvale::web {
namespace {

TEST(AccountListed, MatchesWholeEntriesWithoutRegardToCase) {
  struct Case {
    const char* list;
    const char* account;
    bool listed;
  } cases[] = {
      {"DEMO\\anna; DEMO\\ben", "DEMO\\ben", true},
      {"DEMO\\anna; DEMO\\ben", "demo\\ANNA", true},
      {"DEMO\\anna; DEMO\\ben", "DEMO\\an", false},  // a prefix is not the account
      {"DEMO\\annabel", "DEMO\\anna", false},        // nor is a longer name
      {"OTHER\\anna", "DEMO\\anna", false},          // the domain counts
      {"Korvale_Any", "DEMO\\anyone", true},
      {"korvale_any", "", true},  // everybody includes the anonymous
      {"DEMO\\anna", "", false},
      {"", "DEMO\\anna", false},
      {";; ;", "", false},  // empty entries never match the anonymous
      {" DEMO\\anna ;DEMO\\ben;", " DEMO\\ben ", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.list) + " / " + c.account);
    EXPECT_EQ(AccountListed(c.list, c.account), c.listed);
  }
}

TEST(RightsFor, BookingNeedsWriteRightsAndWhereRestrictedTheBookingAccounts) {
  CalendarRights reader = RightsFor("DEMO\\ben", "DEMO\\ben", "DEMO\\anna", false, {});
  EXPECT_TRUE(reader.details);
  EXPECT_FALSE(reader.book) << "reading does not allow booking";

  EXPECT_TRUE(RightsFor("DEMO\\anna", "", "Korvale_Any", false, {}).book);
  EXPECT_FALSE(RightsFor("DEMO\\anna", "", "Korvale_Any", true, {"", "DEMO\\ben"}).book)
      << "a restricted installation lets only the $canbookmeetings accounts book";
  EXPECT_TRUE(RightsFor("DEMO\\anna", "", "Korvale_Any", true, {"", "DEMO\\ben; DEMO\\anna"}).book);
  EXPECT_FALSE(RightsFor("", "Korvale_Any", "Korvale_Any", false, {}).book)
      << "a booking must name who made it";
  EXPECT_TRUE(RightsFor("", "Korvale_Any", "Korvale_Any", false, {}).details);
}

}  // namespace
}  // namespace korvale::web
