// The logon mailbox chosen through the address book of an organisation
// store, with a scripted dialog in place of the window: the dialog's caption
// and well, the first entry taken with its directory address, Cancel and an
// empty well choosing nothing.
#include "Setup/wizard_mailbox.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/mapi/address_dialog.h"
#include "platform/mapi/orgstore/org_store.h"
#include "tests/support/temp_dir.h"

namespace korvale::setup {
namespace {

namespace org = mapi::orgstore;

class LogonMailboxChoice : public ::testing::Test {
 protected:
  void SetUp() override {
    auto store = org::OrgStore::Open(dir_.File("org.db"), org::OpenMode::kCreate);
    ASSERT_TRUE(store.ok()) << store.status().message();
    org::OrganisationSpec spec;
    spec.servers = {{"SRV1", "Org", "Site"}};
    org::RecipientSpec svc;
    svc.alias = "svc";
    svc.display_name = "Korvale Service";
    svc.server = "SRV1";
    org::RecipientSpec anna = svc;
    anna.alias = "anna";
    anna.display_name = "Anna Berg";
    spec.recipients = {svc, anna};
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

TEST_F(LogonMailboxChoice, TheFirstEntryOfTheWellWithItsDirectoryAddress) {
  mapi::AddressDialogRequest seen;
  mapi::InstallAddressDialog([&](const mapi::AddressDialogRequest& request) {
    seen = request;
    std::vector<mapi::AddressEntry> chosen;
    for (const auto& entry : request.directory) {
      if (entry.display_name == "Korvale Service") chosen.push_back(entry);
    }
    chosen.push_back({"Anna Berg", "", {}, 0});  // a second entry is not the mailbox
    return std::optional(chosen);
  });
  config::AddressBookSession session;
  std::optional<MailboxChoice> mailbox = ChooseLogonMailbox(session, "");
  ASSERT_TRUE(mailbox);
  EXPECT_EQ(seen.caption, "Address Book");
  EXPECT_EQ(seen.well_label, "Select a mailbox:");
  EXPECT_TRUE(seen.selected.empty()) << "the well opens empty";
  EXPECT_EQ(mailbox->display_name, "Korvale Service");
  EXPECT_EQ(mailbox->address, "/o=Org/ou=Site/cn=Recipients/cn=svc");
}

TEST_F(LogonMailboxChoice, CancelAndAnEmptyWellChooseNothing) {
  config::AddressBookSession session;
  mapi::InstallAddressDialog(
      [](const mapi::AddressDialogRequest&) { return std::optional<std::vector<mapi::AddressEntry>>(); });
  EXPECT_FALSE(ChooseLogonMailbox(session, "")) << "Cancel";
  mapi::InstallAddressDialog(
      [](const mapi::AddressDialogRequest&) { return std::optional(std::vector<mapi::AddressEntry>{}); });
  EXPECT_FALSE(ChooseLogonMailbox(session, "")) << "OK with an empty well";
  mapi::InstallAddressDialog([](const mapi::AddressDialogRequest&) {
    return std::optional(std::vector<mapi::AddressEntry>{{"Nobody Known", "", {}, 0}});
  });
  EXPECT_FALSE(ChooseLogonMailbox(session, "")) << "a name the address book cannot resolve";
}

}  // namespace
}  // namespace korvale::setup
