// The shared text helpers: their edges are what the copies they replace
// disagreed on (which blanks, empty patterns, bytes beyond ASCII).
#include "common/text.h"

#include <gtest/gtest.h>

namespace korvale {
namespace {

TEST(Text, TrimTakesTheBlanksItIsGiven) {
  EXPECT_EQ(Trim("  a b \r\n"), "a b");
  EXPECT_EQ(Trim(" \t\r\n"), "") << "all blanks leave nothing";
  EXPECT_EQ(Trim(""), "");
  EXPECT_EQ(Trim("\ta \r", kSpacesAndTabs), "a \r") << "a line end is not a blank there";
  EXPECT_EQ(Trim(" ,a, ", " ,"), "a");
}

TEST(Text, CaseIsFoldedForAsciiOnly) {
  EXPECT_TRUE(EqualsNoCase("Ben Carter", "bEN cARTER"));
  EXPECT_FALSE(EqualsNoCase("Ben", "Ben "));
  EXPECT_FALSE(EqualsNoCase("\xC3\x84", "\xC3\xA4")) << "UTF-8 letters compare as bytes";
  EXPECT_EQ(Lower("MiXeD \xC3\x84"), "mixed \xC3\x84");
}

TEST(Text, EraseAllRemovesEveryOccurrence) {
  std::string text = "a$R$$R$b";
  EraseAll(text, "$R$");
  EXPECT_EQ(text, "ab");
  text = "abc";
  EraseAll(text, "");
  EXPECT_EQ(text, "abc") << "an empty pattern must not loop";
}

TEST(Text, ReplaceAllGoesOnBehindTheReplacement) {
  EXPECT_EQ(ReplaceAll("%A and %A", "%A", "x"), "x and x");
  EXPECT_EQ(ReplaceAll("%A", "%A", "<%A>"), "<%A>") << "a value holding the pattern must not loop";
  EXPECT_EQ(ReplaceAll("abc", "", "x"), "abc");
}

}  // namespace
}  // namespace korvale
