// The scan loop's member walk and the membership map, on a real directory.
#include "agent/core/scan_groups.h"

#include <gtest/gtest.h>

#include "agent/core/test_organisation.h"

namespace korvale {
namespace {

using namespace mapi;
using testing::OrganisationTest;
using testing::RecipientDn;

class NoStop : public StopCheck {
 public:
  // Stops once the scan has asked more than stop_after_ times (never when negative).
  bool CheckStopRequest() override {
    if (stop_after_ >= 0 && ++checks_ > stop_after_) flag_ = true;
    return flag_;
  }
  bool StopFlag() const override { return flag_; }
  void SetStopFlag() override { flag_ = true; }
  int stop_after_ = -1;
  int checks_ = 0;
  bool flag_ = false;
};

class RecordingVisitor : public MailboxVisitor {
 public:
  HRESULT DoUser(size_t group, const ENTRYID& id, const std::string& name) override {
    visits.push_back(std::to_string(group) + ":" + name);
    EXPECT_FALSE(id.empty());
    return S_OK;
  }
  std::vector<std::string> visits;
};

class ScanGroupsTest : public OrganisationTest {
 protected:
  void AddGroup(const std::string& name, const std::string& names, const std::vector<std::string>& aliases,
                const std::string& skip = "") {
    settings_.group_names.push_back(name);
    settings_.member_name_lists.push_back(names);
    settings_.skip_lists.push_back(skip);
    std::string addresses;
    for (const auto& a : aliases) addresses += (addresses.empty() ? "" : "; ") + RecipientDn(a);
    settings_.member_address_lists.push_back(addresses);
  }
  AgentSettings settings_;
  NoStop stop_;
};

// Members in configuration order; a list containing itself, or reached again
// through a nested list, is expanded once per group and again in the next group.
TEST_F(ScanGroupsTest, VisitsMembersInOrderAndExpandsListsOncePerGroup) {
  AddGroup("G1", "Team;Dora Ek", {"team", "dora"});
  AddGroup("G2", "Team", {"team"});
  auto book = AddressBook();
  ScanGroups groups(settings_, log_, stop_, *book);
  RecordingVisitor visitor;
  ASSERT_TRUE(groups.ScanAll(visitor));
  EXPECT_EQ(visitor.visits,
            (std::vector<std::string>{"0:Anna Berg", "0:Ben Carter", "0:Carl Dunn", "0:Dora Ek",
                                      "1:Anna Berg", "1:Ben Carter", "1:Carl Dunn"}));
  EXPECT_TRUE(log_.events().empty());
}

TEST_F(ScanGroupsTest, UnresolvableMemberIsReportedAndTheNextOneScanned) {
  AddGroup("G1", "Ghost;Ben Carter", {"ghost", "ben"});
  auto book = AddressBook();
  ScanGroups groups(settings_, log_, stop_, *book);
  RecordingVisitor visitor;
  ASSERT_TRUE(groups.ScanAll(visitor));
  EXPECT_EQ(visitor.visits, std::vector<std::string>{"0:Ben Carter"});
  auto unresolved = log_.EventsWithId(115);
  ASSERT_EQ(unresolved.size(), 1u);
  EXPECT_EQ(unresolved[0].texts[0], "EX:" + RecipientDn("ghost"));
}

// The lists are paired by position: a name without an address ends the walk.
TEST_F(ScanGroupsTest, OnlyCompletePairsAreWalked) {
  settings_.group_names = {"G1"};
  settings_.member_name_lists = {"Anna Berg;Ben Carter"};
  settings_.member_address_lists = {RecipientDn("anna")};
  settings_.skip_lists = {""};
  auto book = AddressBook();
  ScanGroups groups(settings_, log_, stop_, *book);
  RecordingVisitor visitor;
  ASSERT_TRUE(groups.ScanAll(visitor));
  EXPECT_EQ(visitor.visits, std::vector<std::string>{"0:Anna Berg"});
}

TEST_F(ScanGroupsTest, MembershipTextsNameEveryGroupOnceAndHonourSkipLists) {
  AddGroup("G1", "Anna Berg;Anna Berg;Team", {"anna", "anna", "team"}, "Ben Carter");
  AddGroup("G2", "Anna Berg;Ben Carter", {"anna", "ben"});
  auto book = AddressBook();
  ScanGroups groups(settings_, log_, stop_, *book);
  MembershipMap map;
  groups.BuildGroupArrays(map);
  EXPECT_EQ(map.Find("Anna Berg"), "//G1//G2//");
  EXPECT_EQ(map.Find("Ben Carter"), "//G2//") << "skipped in G1";
  EXPECT_EQ(map.Find("Carl Dunn"), "//G1//");
  EXPECT_EQ(map.Find("Dora Ek"), "");
}

TEST_F(ScanGroupsTest, StopRequestEndsTheWalk) {
  AddGroup("G1", "Anna Berg", {"anna"});
  AddGroup("G2", "Ben Carter", {"ben"});
  stop_.stop_after_ = 1;  // the check before the second group sees the stop
  auto book = AddressBook();
  ScanGroups groups(settings_, log_, stop_, *book);
  RecordingVisitor visitor;
  ASSERT_TRUE(groups.ScanAll(visitor));
  EXPECT_EQ(visitor.visits, std::vector<std::string>{"0:Anna Berg"});
}

}  // namespace
}  // namespace korvale
