#include "agent/core/test_organisation.h"

#include "platform/mapi/orgstore/profile_file.h"

namespace korvale::testing {

using namespace mapi;
using namespace mapi::orgstore;

std::string RecipientDn(const std::string& alias) { return "/o=Org/ou=Site/cn=Recipients/cn=" + alias; }

OrganisationSpec SmallOrganisation() {
  OrganisationSpec spec;
  spec.servers = {{"SRV1", "Org", "Site"}, {"SRV2", "Org", "Site"}};
  spec.domains = {{"CORP", "S-1-5-21-10-20-30", {"\\\\DC1"}}};
  spec.accounts = {{"CORP", "anna", SidType::kUser, 0, "", {}}};
  auto mailbox = [](const std::string& alias, const std::string& name, const std::string& server) {
    RecipientSpec r;
    r.kind = RecipientKind::kMailbox;
    r.alias = alias;
    r.display_name = name;
    r.server = server;
    r.smtp = alias + "@example.org";
    return r;
  };
  RecipientSpec team;
  team.kind = RecipientKind::kDistList;
  team.alias = "team";
  team.display_name = "Team";
  team.members = {"anna", "ben", "team", "inner"};
  RecipientSpec inner;
  inner.kind = RecipientKind::kDistList;
  inner.alias = "inner";
  inner.display_name = "Inner";
  inner.members = {"carl", "team"};
  RecipientSpec room = mailbox("room1", "Room One", "SRV1");
  room.kind = RecipientKind::kRoom;
  spec.recipients = {mailbox("svc", "Service Account", "SRV1"),
                     mailbox("anna", "Anna Berg", "SRV1"),
                     mailbox("ben", "Ben Carter", "SRV1"),
                     mailbox("carl", "Carl Dunn", "SRV2"),
                     mailbox("dora", "Dora Ek", "SRV1"),
                     room,
                     team,
                     inner};
  return spec;
}

void OrganisationTest::SetUp() {
  store_path_ = dir_.File("org.db");
  profile_file_ = dir_.File("mapi-profiles.json");
  auto org = OrgStore::Open(store_path_, OpenMode::kCreate);
  ASSERT_TRUE(org.ok()) << org.status().message();
  Status applied = (*org)->Apply(SmallOrganisation());
  ASSERT_TRUE(applied.ok()) << applied.message();
  std::string error;
  ASSERT_TRUE(UpdateProfileFile(
      profile_file_,
      [&](ProfileData& data) {
        data.servers["SRV1"] = store_path_;
        data.servers["SRV2"] = store_path_;
        return true;
      },
      &error))
      << error;
  MAPIINIT_0 init{MAPI_INIT_VERSION, MAPI_NT_SERVICE, profile_file_};
  ASSERT_EQ(MAPIInitialize(&init), S_OK);
  ASSERT_EQ(OpenOrgStoreSession(store_path_, "svc", &admin_session_), S_OK);
}

void OrganisationTest::TearDown() {
  admin_session_.reset();
  MAPIUninitialize();
}

std::shared_ptr<IAddrBook> OrganisationTest::AddressBook() {
  std::shared_ptr<IAddrBook> book;
  EXPECT_EQ(admin_session_->OpenAddressBook(0, nullptr, AB_NO_DIALOG, &book), S_OK);
  return book;
}

}  // namespace korvale::testing
