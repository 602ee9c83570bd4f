// Escaping at the place of output: a title with markup must reach the page as
// text, and a name with blanks or slashes must stay one path segment.
#include "web/html.h"

#include <gtest/gtest.h>

#include "web/installation.h"

namespace korvale::web {
namespace {

TEST(Html, EscapesEveryCharacterThatEndsTextOrAnAttribute) {
  EXPECT_EQ(Html("<script>alert('x')</script> & \"q\""),
            "&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt; &amp; &quot;q&quot;");
  EXPECT_EQ(Html("Caf\xC3\xA9 \\"), "Caf\xC3\xA9 \\") << "other bytes stay";
}

TEST(UrlEncode, KeepsOnlyUnreservedCharacters) {
  EXPECT_EQ(UrlEncode("Room Atlas"), "Room%20Atlas");
  EXPECT_EQ(UrlEncode("a/b?c#d%"), "a%2Fb%3Fc%23d%25");
}

TEST(RenderPage, EscapesTitleVisitorGroupsAndNotice) {
  std::string page = RenderPage({"<T>", "DEMO\\<v>", {"<g>"}, "<n>"}, "<p>body</p>");
  EXPECT_EQ(page.find("<T>"), std::string::npos);
  EXPECT_EQ(page.find("<v>"), std::string::npos);
  EXPECT_EQ(page.find("<g>"), std::string::npos);
  EXPECT_EQ(page.find("<n>"), std::string::npos);
  EXPECT_NE(page.find("<p>body</p>"), std::string::npos);
}

TEST(SortedMenuGroups, ReadsTheMenuOfTheIncludeFileInIndexOrder) {
  const std::string inc =
      "<%\r\nDB = \"x\"\r\n\r\nbSortedMenu = True\r\nDim SortedMenu(3)\r\nSortedMenu(2) = \"Rooms\"\r\n"
      "SortedMenu(1) = \"Staff\"\r\nSortedMenu(3) = \"\"\r\nSortedMenuX(4) = \"no\"\r\n%>";
  EXPECT_EQ(SortedMenuGroups(inc), (std::vector<std::string>{"Staff", "Rooms"}));
}

}  // namespace
}  // namespace korvale::web
