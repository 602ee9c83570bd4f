// Choosing group members through the address book of an organisation store,
// with a scripted dialog in place of the window.
#include "config/group_members.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/mapi/orgstore/org_store.h"
#include "tests/support/temp_dir.h"

namespace korvale::config {
namespace {

namespace org = mapi::orgstore;

std::string Dn(const std::string& alias) { return "/o=Org/ou=Site/cn=Recipients/cn=" + alias; }

class GroupMembersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto store = org::OrgStore::Open(dir_.File("org.db"), org::OpenMode::kCreate);
    ASSERT_TRUE(store.ok()) << store.status().message();
    org::OrganisationSpec spec;
    spec.servers = {{"SRV1", "Org", "Site"}};
    auto mailbox = [](const std::string& alias, const std::string& name) {
      org::RecipientSpec r;
      r.alias = alias;
      r.display_name = name;
      r.server = "SRV1";
      r.smtp = alias + "@example.org";
      return r;
    };
    org::RecipientSpec team = mailbox("team", "Team");
    team.kind = org::RecipientKind::kDistList;
    team.server.clear();
    team.members = {"alice", "bob"};
    spec.recipients = {mailbox("alice", "Alice Archer"), mailbox("bob", "Bob Baker"), team};
    Status applied = (*store)->Apply(spec);
    ASSERT_TRUE(applied.ok()) << applied.message();
    testing::WriteFileBytes(dir_.File("profiles.json"), R"({"servers": {"SRV1": "org.db"}})");
    setenv("KORVALE_MAPI_PROFILES", dir_.File("profiles.json").c_str(), 1);
  }
  void TearDown() override {
    mapi::InstallAddressDialog(nullptr);
    unsetenv("KORVALE_MAPI_PROFILES");
  }

  testing::TempDir dir_;
};

// The well opens with the group's names resolved; what the administrator
// keeps, adds from the directory or types comes back as names and addresses.
TEST_F(GroupMembersTest, ChosenEntriesBecomeTheNameAndAddressLists) {
  mapi::AddressDialogRequest seen;
  mapi::ENTRYID external;
  mapi::InstallAddressDialog([&](const mapi::AddressDialogRequest& request) {
    seen = request;
    std::vector<mapi::AddressEntry> chosen{request.selected.at(0)};
    for (const auto& entry : request.directory)
      if (entry.display_name == "Team") chosen.push_back(entry);
    chosen.push_back({"bob", "", {}, 0});               // typed: resolved by name
    chosen.push_back({"Ext Person", "", external, 0});  // outside the directory: read from the entry
    chosen.push_back({"Nobody Known", "", {}, 0});      // no address anywhere: left out
    return std::optional(chosen);
  });
  AddressBookSession session;
  mapi::IAddrBook* address_book = session.AddressBook();
  ASSERT_NE(address_book, nullptr);
  ASSERT_EQ(address_book->CreateOneOff("Ext Person", "SMTP", "ext@example.com", 0, &external), mapi::S_OK);

  auto members = ChooseGroupMembers(session, "Alice Archer; ");
  ASSERT_TRUE(members);
  EXPECT_EQ(seen.caption, "Address Book");
  EXPECT_EQ(seen.well_label, "Mailboxes / DLs to scan:");
  ASSERT_EQ(seen.selected.size(), 1u) << "the empty item is not an entry";
  EXPECT_EQ(seen.selected[0].email_address, Dn("alice"));
  EXPECT_EQ(members->display_names, "Alice Archer; Team; Bob Baker; Ext Person");
  EXPECT_EQ(members->addresses, Dn("alice") + "; " + Dn("team") + "; " + Dn("bob") + "; ext@example.com");
  EXPECT_EQ(session.AddressBook(), address_book) << "one logon and address book for the program's run";
}

TEST_F(GroupMembersTest, CancelAndMapiFailuresChooseNothing) {
  int shown = 0;
  mapi::InstallAddressDialog([&](const mapi::AddressDialogRequest&) {
    ++shown;
    return std::optional<std::vector<mapi::AddressEntry>>();
  });
  {
    AddressBookSession session;
    EXPECT_FALSE(ChooseGroupMembers(session, "Alice Archer"));
    EXPECT_EQ(shown, 1);
  }
  // No organisation to log on to: the dialog is never shown.
  testing::WriteFileBytes(dir_.File("profiles.json"), R"({"servers": {}})");
  AddressBookSession session;
  EXPECT_FALSE(ChooseGroupMembers(session, "Alice Archer"));
  EXPECT_EQ(shown, 1);
}

}  // namespace
}  // namespace korvale::config
