// The account directory of a real organisation store, found through the
// server map of a profile file, and the server map's failures.
#include "platform/accounts/org_account_directory.h"

#include <gtest/gtest.h>

#include "platform/accounts/net_api.h"
#include "platform/accounts/server_map.h"
#include "platform/mapi/orgstore/org_store.h"
#include "tests/support/temp_dir.h"

namespace korvale::accounts {
namespace {

namespace org = mapi::orgstore;
using testing::TempDir;
using testing::WriteFileBytes;

class OrgAccountDirectoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto store = org::OrgStore::Open(tmp_.File("org.db"), org::OpenMode::kCreate);
    ASSERT_TRUE(store.ok()) << store.status().message();
    org::OrganisationSpec spec;
    spec.servers.push_back({"SRV1", "Org", "Site"});
    spec.domains.push_back({"CORP", "S-1-5-21-7-8-9", {"\\\\DC1"}});
    spec.accounts.push_back({"CORP", "ann", org::SidType::kUser, 1101, "", {}});
    spec.accounts.push_back({"CORP", "PC01$", org::SidType::kComputer, 1102, "", {}});
    spec.accounts.push_back({"CORP", "Sales", org::SidType::kGroup, 1200, "", {"CORP\\ann", "CORP\\PC01$"}});
    Status applied = (*store)->Apply(spec);
    ASSERT_TRUE(applied.ok()) << applied.message();
    WriteFileBytes(tmp_.File("profiles.json"),
                   R"({"servers": {"srv1": "org.db", "SRV2": "/nonexistent/org.db"}})");
  }

  TempDir tmp_;
};

// The whole road the agent takes: server name -> store -> SID -> account,
// and a group's users through its controller.
TEST_F(OrgAccountDirectoryTest, AnswersFromTheStoreOfTheServer) {
  auto directory = OpenAccountDirectoryForServer(tmp_.File("profiles.json"), "SRV1");
  ASSERT_TRUE(directory.ok()) << directory.status().message();
  AccountDirectory& dir = **directory;

  Sid ann;
  ASSERT_TRUE(ConvertStringSidToSid("S-1-5-21-7-8-9-1101", &ann));
  auto who = LookupAccountSid(dir, "", ann);
  ASSERT_TRUE(who.ok()) << who.status().code();
  EXPECT_EQ(who->domain + "\\" + who->name, "CORP\\ann");
  EXPECT_EQ(who->use, SID_NAME_USE::SidTypeUser);

  auto sales = LookupAccountName(dir, "", "CORP\\Sales");
  ASSERT_TRUE(sales.ok());
  EXPECT_EQ(sales->use, SID_NAME_USE::SidTypeGroup);
  EXPECT_EQ(ConvertSidToStringSid(sales->sid), "S-1-5-21-7-8-9-1200");

  std::string dc;
  ASSERT_EQ(NetGetDCName(dir, "", "CORP", &dc), NERR_Success);
  EXPECT_EQ(dc, "\\\\DC1");
  EXPECT_EQ(NetGetDCName(dir, "", "ELSEWHERE", &dc), NERR_DCNotFound);

  std::vector<GROUP_USERS_INFO_0> users;
  DWORD read = 0, total = 0;
  DWORD_PTR resume = 0;
  ASSERT_EQ(NetGroupGetUsers(dir, dc, "Sales", 0, &users, MAX_PREFERRED_LENGTH, &read, &total, &resume),
            NERR_Success);
  ASSERT_EQ(users.size(), 2u);
  EXPECT_EQ(users[0].grui0_name, "ann");
  EXPECT_EQ(users[1].grui0_name, "PC01$");

  Sid unknown;
  ASSERT_TRUE(ConvertStringSidToSid("S-1-5-21-7-8-9-9999", &unknown));
  EXPECT_EQ(LookupAccountSid(dir, "", unknown).status().code(), ERROR_NONE_MAPPED);
}

// Each way the server map can let the caller down is told apart in the message.
TEST_F(OrgAccountDirectoryTest, ServerMapFailuresNameWhatIsWrong) {
  auto missing = OrgStoreForServer(tmp_.File("profiles.json"), "SRV9");
  ASSERT_FALSE(missing.ok());
  EXPECT_NE(missing.status().message().find("SRV9"), std::string::npos);

  auto relative = OrgStoreForServer(tmp_.File("profiles.json"), "Srv1");
  ASSERT_TRUE(relative.ok());
  EXPECT_EQ(*relative, tmp_.File("org.db")) << "relative to the profile file's folder";

  EXPECT_FALSE(OpenAccountDirectoryForServer(tmp_.File("profiles.json"), "SRV2").ok())
      << "the mapped store file does not exist";

  auto no_file = OrgStoreForServer(tmp_.File("none.json"), "SRV1");
  ASSERT_FALSE(no_file.ok());
  EXPECT_NE(no_file.status().message().find("none.json"), std::string::npos);

  WriteFileBytes(tmp_.File("broken.json"), "{\"servers\": [");
  auto broken = OrgStoreForServer(tmp_.File("broken.json"), "SRV1");
  ASSERT_FALSE(broken.ok());
  EXPECT_NE(broken.status().message().find("broken.json"), std::string::npos);

  WriteFileBytes(tmp_.File("noservers.json"), "{\"profiles\": {}}");
  EXPECT_FALSE(OrgStoreForServer(tmp_.File("noservers.json"), "SRV1").ok());
}

}  // namespace
}  // namespace korvale::accounts
