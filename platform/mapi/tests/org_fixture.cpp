// The sample organisation of the MAPI tests.
#include "platform/mapi/tests/org_fixture.h"

namespace korvale::mapi::testing {

using namespace orgstore;

std::string MailboxDn(const std::string& alias) { return "/o=Org/ou=Site/cn=Recipients/cn=" + alias; }

OrganisationSpec SampleOrganisation() {
  OrganisationSpec spec;
  spec.servers = {{"SRV1", "Org", "Site"}, {"SRV2", "Org", "Site"}};
  spec.domains = {{"CORP", "S-1-5-21-100-200-300", {"\\\\DC1", "\\\\DC2"}}};
  spec.accounts = {{"CORP", "alice", SidType::kUser, 1101, "", {}},
                   {"CORP", "bob", SidType::kUser, 1102, "", {}},
                   {"CORP", "carol", SidType::kUser, 0, "", {}},
                   {"CORP", "Planners", SidType::kGroup, 0, "", {"CORP\\alice", "CORP\\bob"}},
                   {"SRV1", "Administrators", SidType::kAlias, 0, "S-1-5-32-544", {"CORP\\carol"}}};
  RecipientSpec alice{RecipientKind::kMailbox, "alice", "Alice Archer", "SRV1", "alice@example.org", "", {},
                      "CORP\\alice",           {},      false,          false};
  alice.props = {{PR_BUSINESS_TELEPHONE_NUMBER, std::string("+41 1 234")},
                 {PR_OFFICE_LOCATION, std::string("B12")},
                 {PR_DEPARTMENT_NAME, std::string("Sales")},
                 {PR_EMS_AB_EXTENSION_ATTRIBUTE(5), std::string("1")}};
  RecipientSpec bob{RecipientKind::kMailbox,
                    "bob",
                    "Bob Baker",
                    "SRV1",
                    "bob@example.org",
                    "",
                    {},
                    "CORP\\bob",
                    {},
                    false,
                    false};
  RecipientSpec carol{RecipientKind::kMailbox, "carol", "Carol Cook", "SRV2", "carol@example.org", "", {},
                      "CORP\\carol",           {},      false,        false};
  RecipientSpec room{
      RecipientKind::kRoom, "room1", "Room One", "SRV1", "room1@example.org", "", {}, "", {}, false, false};
  RecipientSpec nocal{
      RecipientKind::kMailbox, "nocal", "No Calendar", "SRV1", "", "", {}, "", {}, false, true};
  RecipientSpec team{RecipientKind::kDistList, "team", "Team", "", "team@example.org", "", {}, "",
                     {"alice", "bob", "all"},  false,  false};
  RecipientSpec all{RecipientKind::kDistList, "all", "Everybody", "", "", "", {}, "",
                    {"team", "carol"},        false, false};
  spec.recipients = {alice, bob, carol, room, nocal, team, all};
  spec.permissions = {{"alice", "Calendar", "", frightsFreeBusySimple},
                      {"alice", "Calendar", "bob", ROLE_REVIEWER},
                      {"alice", "Calendar", "team", ROLE_AUTHOR},
                      {"bob", "Calendar", "", ROLE_REVIEWER}};
  return spec;
}

void OrgTest::SetUp() {
  db_path_ = dir_.File("org.db");
  auto org = OrgStore::Open(db_path_, OpenMode::kCreate);
  ASSERT_TRUE(org.ok()) << org.status().message();
  Status s = (*org)->Apply(SampleOrganisation());
  ASSERT_TRUE(s.ok()) << s.message();
}

std::shared_ptr<IMAPISession> OrgTest::AdminSession() {
  std::shared_ptr<IMAPISession> session;
  HRESULT hr = OpenOrgStoreSession(db_path_, "", &session);
  EXPECT_EQ(hr, S_OK) << HResultToString(hr);
  return session;
}

std::shared_ptr<IMsgStore> OrgTest::OpenStore(IMAPISession& session, const std::string& alias) {
  std::shared_ptr<IExchangeManageStore> manage;
  EXPECT_EQ(HrQueryInterface(session, IID_IExchangeManageStore, &manage), S_OK);
  if (!manage) return nullptr;
  ENTRYID id;
  std::string store_dn = alias == "carol"
                             ? "/o=Org/ou=Site/cn=Configuration/cn=Servers/cn=SRV2/cn=Microsoft Private MDB"
                             : kStoreDn;
  EXPECT_EQ(manage->CreateStoreEntryID(store_dn, MailboxDn(alias), OPENSTORE_USE_ADMIN_PRIVILEGE, &id), S_OK);
  std::shared_ptr<IMsgStore> store;
  HRESULT hr = session.OpenMsgStore(0, id, nullptr, MDB_NO_DIALOG | MAPI_BEST_ACCESS, &store);
  EXPECT_EQ(hr, S_OK) << HResultToString(hr);
  return store;
}

std::shared_ptr<IMAPIFolder> OrgTest::OpenFolder(IMsgStore& store, const ENTRYID& id) {
  ULONG type = 0;
  std::shared_ptr<IUnknown> unk;
  HRESULT hr = store.OpenEntry(id, nullptr, MAPI_BEST_ACCESS, &type, &unk);
  EXPECT_EQ(hr, S_OK) << HResultToString(hr);
  EXPECT_EQ(type, MAPI_FOLDER);
  return mapi_cast<IMAPIFolder>(unk);
}

std::shared_ptr<IMAPIFolder> OrgTest::Inbox(IMsgStore& store) {
  ENTRYID id;
  EXPECT_EQ(store.GetReceiveFolder("", 0, &id, nullptr), S_OK);
  return OpenFolder(store, id);
}

std::shared_ptr<IMAPIFolder> OrgTest::Calendar(IMsgStore& store) {
  auto inbox = Inbox(store);
  SPropValue v;
  EXPECT_EQ(HrGetOneProp(inbox.get(), PR_IPM_APPOINTMENT_ENTRYID, &v), S_OK);
  return OpenFolder(store, *v.Binary());
}

SRowSet OrgTest::Rows(IMAPIFolder& folder, const SPropTagArray& columns, const SRestriction* restriction) {
  std::shared_ptr<IMAPITable> table;
  EXPECT_EQ(folder.GetContentsTable(0, &table), S_OK);
  SRowSet rows;
  HRESULT hr = HrQueryAllRows(table.get(), &columns, restriction, nullptr, 0, &rows);
  EXPECT_EQ(hr, S_OK) << HResultToString(hr);
  return rows;
}

}  // namespace korvale::mapi::testing
