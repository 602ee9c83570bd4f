#include "common/list_split.h"

#include <gtest/gtest.h>

namespace korvale {
namespace {

using Items = std::vector<std::string>;

// The reader keeps trailing blanks and empty items; callers pair lists by position.
TEST(SplitSemicolonList, KeepsTrailingBlanksAndEmptyItems) {
  EXPECT_EQ(SplitSemicolonList("a; b ;;c"), (Items{"a", "b ", "", "c"}));
  EXPECT_EQ(SplitSemicolonList("  only"), (Items{"only"}));
  EXPECT_EQ(SplitSemicolonList(""), Items{});
  // A trailing ";" leaves nothing behind it, so no empty last item.
  EXPECT_EQ(SplitSemicolonList("x;"), (Items{"x"}));
}

TEST(SplitSemicolonList, JoinRoundTrip) {
  Items items{"Holiday", "Team Off", "x"};
  EXPECT_EQ(JoinSemicolonList(items), "Holiday; Team Off; x");
  EXPECT_EQ(SplitSemicolonList(JoinSemicolonList(items)), items);
}

TEST(TakeListItem, AdvancesTheRest) {
  std::string rest = " Anna; Bert";
  EXPECT_EQ(TakeListItem(rest), "Anna");
  EXPECT_EQ(rest, " Bert");
  EXPECT_EQ(TakeListItem(rest), "Bert");
  EXPECT_TRUE(rest.empty());
}

}  // namespace
}  // namespace korvale
