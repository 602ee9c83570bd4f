// The Windows account lookups over the fake directory: the result codes the
// agent and the configuration program branch on, and paging that really pages.
#include "platform/accounts/net_api.h"

#include <gtest/gtest.h>

#include "tests/fakes/fake_account_directory.h"

namespace korvale::accounts {
namespace {

using testing::FakeAccountDirectory;

class NetApiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_.AddDomain("CORP", "S-1-5-21-10-20-30", {"\\\\DC1", "\\\\DC2"});
    dir_.AddDomain("LAB", "S-1-5-21-40-50-60", {"LABDC"});
    ann_ = dir_.AddAccount("CORP", "ann");
    dir_.AddAccount("CORP", "bob");
    dir_.AddAccount("CORP", "PC01$", SID_NAME_USE::SidTypeComputer);
    sales_ = dir_.AddAccount("CORP", "Sales", SID_NAME_USE::SidTypeGroup);
    dir_.AddAccount("CORP", "Nested", SID_NAME_USE::SidTypeGroup);
    dir_.AddMember("CORP\\Sales", "CORP\\ann");
    dir_.AddMember("CORP\\Sales", "CORP\\Nested");
    dir_.AddMember("CORP\\Sales", "CORP\\PC01$");
    dir_.AddMember("CORP\\Sales", "CORP\\bob");
  }

  // Every user of a group, paging with `pref` bytes; counts the calls.
  std::vector<std::string> AllUsers(const std::string& server, const std::string& group, DWORD pref,
                                    int* calls, NET_API_STATUS* last) {
    std::vector<std::string> names;
    DWORD_PTR resume = 0;
    *calls = 0;
    do {
      std::vector<GROUP_USERS_INFO_0> page;
      DWORD read = 0, total = 0;
      *last = NetGroupGetUsers(dir_, server, group, 0, &page, pref, &read, &total, &resume);
      ++*calls;
      EXPECT_EQ(read, page.size());
      for (const auto& u : page) names.push_back(u.grui0_name);
    } while (*last == ERROR_MORE_DATA && *calls < 1000);
    return names;
  }

  FakeAccountDirectory dir_;
  Sid ann_, sales_;
};

// The SID lookup gives what the folder-rights code branches on: name, domain, kind.
TEST_F(NetApiTest, LookupAccountSidNamesTheAccountAndItsKind) {
  auto ann = LookupAccountSid(dir_, "\\\\DC1", ann_);
  ASSERT_TRUE(ann.ok()) << ann.status().message();
  EXPECT_EQ(ann->domain, "CORP");
  EXPECT_EQ(ann->name, "ann");
  EXPECT_EQ(ann->use, SID_NAME_USE::SidTypeUser);

  auto sales = LookupAccountSid(dir_, "", sales_);
  ASSERT_TRUE(sales.ok());
  EXPECT_EQ(sales->use, SID_NAME_USE::SidTypeGroup) << ToString(sales->use);
}

// A deleted account, a broken SID, short buffers and an unreadable directory
// each give the code Windows gives, which the warning texts print.
TEST_F(NetApiTest, LookupAccountSidFailuresCarryWindowsCodes) {
  Sid unknown;
  ASSERT_TRUE(ConvertStringSidToSid("S-1-5-21-10-20-30-4242", &unknown));
  EXPECT_EQ(LookupAccountSid(dir_, "", unknown).status().code(), ERROR_NONE_MAPPED);
  EXPECT_EQ(LookupAccountSid(dir_, "", Sid{1, 2, 3}).status().code(), ERROR_INVALID_SID);
  EXPECT_EQ(LookupAccountSid(dir_, "", Sid{}).status().code(), ERROR_INVALID_SID);
  EXPECT_EQ(LookupAccountSid(dir_, "", ann_, 3, 255).status().code(), ERROR_INSUFFICIENT_BUFFER)
      << "\"ann\" plus its terminating zero needs 4 characters";
  EXPECT_TRUE(LookupAccountSid(dir_, "", ann_, 4, 5).ok());
  dir_.FailEverything();
  EXPECT_EQ(LookupAccountSid(dir_, "", ann_).status().code(), RPC_S_SERVER_UNAVAILABLE);
}

TEST_F(NetApiTest, LookupAccountNameGivesTheSid) {
  auto sales = LookupAccountName(dir_, "", "corp\\sales");
  ASSERT_TRUE(sales.ok());
  EXPECT_EQ(sales->sid, sales_);
  EXPECT_EQ(sales->use, SID_NAME_USE::SidTypeGroup);
  EXPECT_EQ(LookupAccountName(dir_, "", "CORP\\nobody").status().code(), ERROR_NONE_MAPPED);
}

// The primary controller comes first and always with its two backslashes.
TEST_F(NetApiTest, NetGetDCNameGivesThePrimaryController) {
  std::string dc;
  EXPECT_EQ(NetGetDCName(dir_, "", "corp", &dc), NERR_Success);
  EXPECT_EQ(dc, "\\\\DC1");
  EXPECT_EQ(NetGetDCName(dir_, "", "LAB", &dc), NERR_Success);
  EXPECT_EQ(dc, "\\\\LABDC");
  EXPECT_EQ(NetGetDCName(dir_, "", "NOWHERE", &dc), NERR_DCNotFound);
  EXPECT_EQ(dc, "");
  EXPECT_EQ(NetGetDCName(dir_, "", "", &dc), NERR_DCNotFound);
  dir_.FailEverything();
  EXPECT_EQ(NetGetDCName(dir_, "", "CORP", &dc), RPC_S_SERVER_UNAVAILABLE);
}

// A group's users come back with machine accounts (callers drop them) and
// without nested groups, in the directory's order.
TEST_F(NetApiTest, NetGroupGetUsersListsUserObjectsOnly) {
  int calls = 0;
  NET_API_STATUS last = 0;
  auto names = AllUsers("\\\\DC2", "Sales", MAX_PREFERRED_LENGTH, &calls, &last);
  EXPECT_EQ(last, NERR_Success);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(names, (std::vector<std::string>{"ann", "PC01$", "bob"}));
}

// 256 bytes hold only a few entries, so a large group takes many calls and
// still yields every user exactly once, in order, ending with a zero handle.
TEST_F(NetApiTest, NetGroupGetUsersPagesWithTheResumeHandle) {
  dir_.AddAccount("CORP", "Staff", SID_NAME_USE::SidTypeGroup);
  std::vector<std::string> expected;
  for (int i = 0; i < 40; ++i) {
    std::string name = "user" + std::to_string(i);
    dir_.AddAccount("CORP", name);
    dir_.AddMember("CORP\\Staff", "CORP\\" + name);
    expected.push_back(name);
  }
  int calls = 0;
  NET_API_STATUS last = 0;
  auto names = AllUsers("DC1", "Staff", 256, &calls, &last);
  EXPECT_EQ(last, NERR_Success);
  EXPECT_EQ(names, expected);
  // Each entry is 8 + 2 * (6 or 7) bytes: about 11 fit into 256.
  EXPECT_GE(calls, 4);

  // A preferred length smaller than one entry still makes progress.
  names = AllUsers("DC1", "Staff", 1, &calls, &last);
  EXPECT_EQ(names, expected);
  EXPECT_EQ(calls, 40);
}

// A page is measured in UTF-16 as Windows stores names: a character outside
// the basic plane is two units, an accented letter one, whatever its bytes.
TEST_F(NetApiTest, PagesMeasureNamesInUtf16Units) {
  dir_.AddAccount("CORP", "Wide", SID_NAME_USE::SidTypeGroup);
  std::vector<std::string> expected;
  for (int i = 0; i < 4; ++i) {
    // U+1F600 (4 bytes, 2 units) and a digit: 3 units, so 8 + 2 * (3 + 1) = 16 bytes an entry.
    std::string name = "\xF0\x9F\x98\x80" + std::to_string(i);
    dir_.AddAccount("CORP", name);
    dir_.AddMember("CORP\\Wide", "CORP\\" + name);
    expected.push_back(name);
  }
  int calls = 0;
  NET_API_STATUS last = 0;
  EXPECT_EQ(AllUsers("DC1", "Wide", 32, &calls, &last), expected);
  EXPECT_EQ(calls, 2) << "two entries of 16 bytes fill 32 (counted in bytes they would not)";
  EXPECT_EQ(AllUsers("DC1", "Wide", 31, &calls, &last), expected);
  EXPECT_EQ(calls, 4) << "but not 31 (counted in characters they would)";
}

TEST_F(NetApiTest, NetGroupGetUsersAnswersOnlyOnTheGroupsControllers) {
  std::vector<GROUP_USERS_INFO_0> page;
  DWORD read = 0, total = 0;
  DWORD_PTR resume = 0;
  EXPECT_EQ(NetGroupGetUsers(dir_, "\\\\LABDC", "Sales", 0, &page, 256, &read, &total, &resume),
            NERR_GroupNotFound);
  EXPECT_EQ(NetGroupGetUsers(dir_, "\\\\DC1", "Nobody", 0, &page, 256, &read, &total, &resume),
            NERR_GroupNotFound);
  EXPECT_EQ(NetGroupGetUsers(dir_, "\\\\DC1", "ann", 0, &page, 256, &read, &total, &resume),
            NERR_GroupNotFound)
      << "a user is no group";
  EXPECT_EQ(NetGroupGetUsers(dir_, "\\\\DC1", "Sales", 1, &page, 256, &read, &total, &resume),
            ERROR_INVALID_LEVEL);
  dir_.FailEverything();
  EXPECT_EQ(NetGroupGetUsers(dir_, "\\\\DC1", "Sales", 0, &page, 256, &read, &total, &resume),
            RPC_S_SERVER_UNAVAILABLE);
}

// Local groups: a machine's own, and a domain-local one asked on a controller,
// each level returning its own fields.
TEST_F(NetApiTest, NetLocalGroupGetMembersByMachineAndByDomain) {
  dir_.AddAccount("WS1", "Users", SID_NAME_USE::SidTypeAlias);
  dir_.AddMember("WS1\\Users", "CORP\\ann");
  dir_.AddMember("WS1\\Users", "CORP\\Sales");
  dir_.AddAccount("CORP", "Readers", SID_NAME_USE::SidTypeAlias);
  dir_.AddMember("CORP\\Readers", "CORP\\bob");

  std::vector<LOCALGROUP_MEMBERS_INFO> members;
  DWORD read = 0, total = 0;
  DWORD_PTR resume = 0;
  ASSERT_EQ(NetLocalGroupGetMembers(dir_, "\\\\WS1", "Users", 1, &members, MAX_PREFERRED_LENGTH, &read,
                                    &total, &resume),
            NERR_Success);
  ASSERT_EQ(members.size(), 2u);
  EXPECT_EQ(members[0].lgrmi_name, "ann");
  EXPECT_EQ(members[0].lgrmi_sid, ann_);
  EXPECT_EQ(members[1].lgrmi_sidusage, SID_NAME_USE::SidTypeGroup);
  EXPECT_EQ(members[1].lgrmi_domainandname, "") << "level 1 has no domain";

  ASSERT_EQ(NetLocalGroupGetMembers(dir_, "\\\\DC2", "Readers", 3, &members, MAX_PREFERRED_LENGTH, &read,
                                    &total, &resume),
            NERR_Success);
  ASSERT_EQ(members.size(), 1u);
  EXPECT_EQ(members[0].lgrmi_domainandname, "CORP\\bob");
  EXPECT_TRUE(members[0].lgrmi_sid.empty()) << "level 3 has no SID";

  EXPECT_EQ(NetLocalGroupGetMembers(dir_, "\\\\LABDC", "Readers", 3, &members, 256, &read, &total, &resume),
            ERROR_NO_SUCH_ALIAS);
  EXPECT_EQ(NetLocalGroupGetMembers(dir_, "\\\\WS1", "Nobody", 1, &members, 256, &read, &total, &resume),
            ERROR_NO_SUCH_ALIAS);
  EXPECT_EQ(NetLocalGroupGetMembers(dir_, "\\\\WS1", "Users", 4, &members, 256, &read, &total, &resume),
            ERROR_INVALID_LEVEL);
}

}  // namespace
}  // namespace korvale::accounts
