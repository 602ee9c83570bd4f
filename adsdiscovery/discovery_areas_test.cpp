// The result buffer's limits, shared by the library that writes it and the
// programs that read it: what one leaves out the other must never see shifted.
#include "adsdiscovery/discovery_areas.h"

#include <gtest/gtest.h>

#include <string>

namespace korvale::ads {
namespace {

std::string Area(const std::string& buffer, int i) { return std::string(buffer.c_str() + i * kAreaSize); }

TEST(DiscoveryAreas, WritesNumberedEntriesAndReadsThemBack) {
  DiscoveryAreas areas;
  ASSERT_EQ(areas.AddOrganisation("Org"), 0);
  ASSERT_EQ(areas.AddGroup(0, "First"), 0);
  ASSERT_TRUE(areas.AddServer(0, 0, "S1"));
  ASSERT_EQ(areas.AddOrganisation("Zweite Organisation ÄÖÜ"), 1);
  ASSERT_EQ(areas.AddGroup(1, "Second"), 1);
  ASSERT_TRUE(areas.AddServer(1, 1, "S2"));
  std::string buffer(kResultBufferSize, 'X');
  areas.CopyTo(buffer.data());
  EXPECT_EQ(Area(buffer, 0), "Org;Zweite Organisation ÄÖÜ;");
  EXPECT_EQ(Area(buffer, 1), "000First;001Second;");
  EXPECT_EQ(Area(buffer, 2), "000000S1;001001S2;");
  DiscoveredNames names = ReadDiscoveryAreas(buffer.data());
  EXPECT_EQ(names.organisations.size(), 2u);
  EXPECT_EQ(names.GroupsOf(1), (std::vector<std::pair<int, std::string>>{{1, "Second"}}));
  EXPECT_EQ(names.ServersOf(1, 1), (std::vector<std::string>{"S2"}));
  EXPECT_TRUE(names.ServersOf(0, 1).empty()) << "a server is matched by organisation and group";
}

TEST(DiscoveryAreas, LeavesOutWhatDoesNotFitWholeOrCannotBeNumbered) {
  DiscoveryAreas areas;
  EXPECT_EQ(areas.AddOrganisation("a;b"), -1) << "a name with the separator would split its entry";
  for (int i = 0; i <= kMaxNumber; ++i) ASSERT_EQ(areas.AddOrganisation("o"), i);
  EXPECT_EQ(areas.AddOrganisation("o"), -1) << "organisation 1000 has no three-digit number";
  for (int i = 0; i <= kMaxNumber; ++i) ASSERT_EQ(areas.AddGroup(0, "g"), i);
  EXPECT_EQ(areas.AddGroup(0, "g"), -1);
  const std::string long_name(kMaxAreaText - 7, 'n');  // with "000000" and ";" exactly fills the area
  DiscoveryAreas full;
  EXPECT_FALSE(full.AddServer(0, 0, long_name + "n")) << "one character too many";
  EXPECT_TRUE(full.AddServer(0, 0, long_name));
  EXPECT_FALSE(full.AddServer(0, 0, "")) << "the area is full";
  std::string buffer(kResultBufferSize, 'X');
  full.CopyTo(buffer.data());
  EXPECT_EQ(Area(buffer, 2).size(), kMaxAreaText);
  EXPECT_EQ(buffer[kResultBufferSize - 1], '\0') << "the area's last byte stays its terminator";
}

// A buffer from a library that did not keep the rules: the reader stays
// inside each area and ignores entries it cannot place.
TEST(DiscoveryAreas, ReaderSurvivesHostileBuffers) {
  std::string buffer(kResultBufferSize, 'A');  // no terminator anywhere
  buffer.replace(kAreaSize, 12, "0x1Bad;000G;");
  buffer.replace(2 * kAreaSize, 22, "000000S;007000T;00a0U;");
  DiscoveredNames names = ReadDiscoveryAreas(buffer.data());
  EXPECT_TRUE(names.organisations.empty()) << "an area without any ';' lists nothing";
  EXPECT_TRUE(names.groups.empty()) << "the bad prefix stops the group list (numbers would shift)";
  EXPECT_TRUE(names.servers.empty());

  std::string good(kResultBufferSize, '\0');
  good.replace(0, 4, "Org;");
  good.replace(kAreaSize, 14, "000G;005Other;");
  const std::string servers = "000000S;000001T;0000000000;U;";
  good.replace(2 * kAreaSize, servers.size(), servers);
  names = ReadDiscoveryAreas(good.data());
  ASSERT_EQ(names.groups.size(), 1u) << "organisation 5 does not exist";
  EXPECT_EQ(names.ServersOf(0, 0), (std::vector<std::string>{"S", "0000"}));
}

}  // namespace
}  // namespace korvale::ads
