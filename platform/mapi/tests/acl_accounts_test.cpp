// Folder permission tables and the Windows accounts of the directory.
#include "platform/mapi/tests/org_fixture.h"

namespace korvale::mapi::testing {
namespace {

using AclTest = OrgTest;
using namespace orgstore;

// The access lists start from these entries: default first with an empty name.
TEST_F(AclTest, PermissionTableListsDefaultThenMembers) {
  auto session = AdminSession();
  auto store = OpenStore(*session, "alice");
  auto calendar = Calendar(*store);
  SPropValue id;
  ASSERT_EQ(HrGetOneProp(calendar.get(), PR_ENTRYID, &id), S_OK);
  std::unique_ptr<FolderACLs> acls;
  ASSERT_EQ(HrFolderACLsOpen(session.get(), store.get(), *id.Binary(), &acls), S_OK);
  const auto& e = acls->Entries();
  ASSERT_EQ(e.size(), 3u);
  EXPECT_EQ(e[0].member_name, "");
  EXPECT_EQ(e[0].rights, frightsFreeBusySimple);
  EXPECT_EQ(e[1].member_name, "Bob Baker");
  EXPECT_EQ(e[1].rights, ROLE_REVIEWER);
  EXPECT_EQ(e[2].member_name, "Team");
  EXPECT_EQ(e[2].rights & frightsCreate, frightsCreate);
  // The member identifier opens the member in the address book.
  std::shared_ptr<IAddrBook> ab;
  ASSERT_EQ(session->OpenAddressBook(0, nullptr, 0, &ab), S_OK);
  ULONG type = 0;
  std::shared_ptr<IUnknown> unk;
  ASSERT_EQ(ab->OpenEntry(e[2].member_entry_id, nullptr, MAPI_BEST_ACCESS, &type, &unk), S_OK);
  EXPECT_EQ(type, MAPI_DISTLIST);
  std::shared_ptr<IMAPITable> table;
  ASSERT_EQ(acls->GetTable(0, &table), S_OK);
  SRowSet rows;
  ASSERT_EQ(HrQueryAllRows(table.get(), nullptr, nullptr, nullptr, 0, &rows), S_OK);
  EXPECT_EQ(rows.cRows(), 3u);
  // A folder of another store is refused.
  auto bob_calendar = Calendar(*OpenStore(*session, "bob"));
  ASSERT_EQ(HrGetOneProp(bob_calendar.get(), PR_ENTRYID, &id), S_OK);
  EXPECT_EQ(HrFolderACLsOpen(session.get(), store.get(), *id.Binary(), &acls), MAPI_E_INVALID_ENTRYID);
}

TEST(Sid, TextAndBinaryFormsRoundTrip) {
  SBinary sid;
  ASSERT_TRUE(SidFromString("S-1-5-21-100-200-300-1101", &sid));
  EXPECT_EQ(sid.size(), 28u);
  EXPECT_EQ(SidToString(sid), "S-1-5-21-100-200-300-1101");
  EXPECT_FALSE(SidFromString("S-1-5", &sid));
  EXPECT_FALSE(SidFromString("S-2-5-21", &sid));
  EXPECT_FALSE(SidFromString("S-1-5-x", &sid));
  EXPECT_EQ(SidToString(SBinary{1, 5, 0}), "");
}

// What LookupAccountSid, NetGroupGetUsers and NetGetDCName will answer from.
TEST_F(AclTest, AccountsAnswerSidGroupAndControllerQueries) {
  auto accounts = OrgAccounts::Open(db_path_);
  ASSERT_TRUE(accounts.ok()) << accounts.status().message();
  SBinary sid;
  ASSERT_TRUE(SidFromString("S-1-5-21-100-200-300-1102", &sid));
  auto bob = (*accounts)->LookupSid(sid);
  ASSERT_TRUE(bob.ok() && bob->has_value());
  EXPECT_EQ((*bob)->domain, "CORP");
  EXPECT_EQ((*bob)->name, "bob");
  EXPECT_EQ((*bob)->type, SidType::kUser);
  auto group = (*accounts)->LookupName("corp\\planners");
  ASSERT_TRUE(group.ok() && group->has_value());
  EXPECT_EQ((*group)->type, SidType::kGroup);
  EXPECT_EQ(SidToString((*group)->sid), "S-1-5-21-100-200-300-1104")
      << "rids continue after the highest given (carol got 1103)";
  auto members = (*accounts)->GroupMembers("CORP", "Planners");
  ASSERT_TRUE(members.ok());
  ASSERT_EQ(members->size(), 2u);
  EXPECT_EQ((*members)[1].name, "bob");
  EXPECT_EQ((*accounts)->GroupMembers("CORP", "Nobody").status().code(), 2220);
  auto local = (*accounts)->LocalGroupMembers("\\\\SRV1", "Administrators");
  ASSERT_TRUE(local.ok());
  ASSERT_EQ(local->size(), 1u);
  EXPECT_EQ((*local)[0].name, "carol");
  auto dcs = (*accounts)->DomainControllers("corp");
  ASSERT_TRUE(dcs.ok());
  EXPECT_EQ(*dcs, (std::vector<std::string>{"\\\\DC1", "\\\\DC2"}));
  EXPECT_EQ((*accounts)->DomainControllers("OTHER").status().code(), 2453);
  ASSERT_TRUE(SidFromString("S-1-5-21-9-9-9-9", &sid));
  auto none = (*accounts)->LookupSid(sid);
  ASSERT_TRUE(none.ok());
  EXPECT_FALSE(none->has_value());
}

// A bad organisation file must be reported whole and leave the store untouched.
TEST_F(AclTest, ApplyValidatesEverythingAndWritesNothingOnError) {
  auto org = OrgStore::Open(db_path_, OpenMode::kExisting);
  ASSERT_TRUE(org.ok());
  OrganisationSpec spec;
  spec.servers = {{"SRV3", "Org", "Site"}};
  RecipientSpec dave{RecipientKind::kMailbox, "dave", "Dave", "SRV3", "", "", {}, "", {}, false, false};
  RecipientSpec dup{RecipientKind::kMailbox, "alice", "Alice 2", "SRV1", "", "", {}, "", {}, false, false};
  RecipientSpec list{RecipientKind::kDistList, "l2", "L2", "", "", "", {}, "", {"ghost"}, false, false};
  spec.recipients = {dave, dup, list};
  spec.permissions = {{"team", "Calendar", "", 1}};
  Status s = (*org)->Apply(spec);
  ASSERT_FALSE(s.ok());
  EXPECT_NE(s.message().find("mailbox 2 (alice): the alias exists already"), std::string::npos)
      << s.message();
  EXPECT_NE(s.message().find("the member ghost is not defined"), std::string::npos) << s.message();
  EXPECT_NE(s.message().find("permission 1 (team): team is not a mailbox"), std::string::npos) << s.message();
  auto servers = (*org)->ListServers();
  ASSERT_TRUE(servers.ok());
  EXPECT_EQ(servers->size(), 2u) << "SRV3 must not have been written";
}

TEST(OrgStoreFile, NonStoreFilesAreRefused) {
  korvale::testing::TempDir dir;
  korvale::testing::WriteFileBytes(dir.path() / "junk.db", "this is not a database at all, just text");
  auto org = OrgStore::Open(dir.File("junk.db"), OpenMode::kExisting);
  EXPECT_FALSE(org.ok());
  EXPECT_FALSE(OrgStore::Open(dir.File("missing.db"), OpenMode::kExisting).ok());
}

}  // namespace
}  // namespace korvale::mapi::testing
