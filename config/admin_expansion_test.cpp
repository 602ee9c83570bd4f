// Expanding the administrator accounts against the accounts of an
// organisation store, with every way a lookup can stop it.
#include "config/admin_expansion.h"

#include <gtest/gtest.h>

#include "platform/accounts/org_account_directory.h"
#include "platform/mapi/orgstore/org_store.h"
#include "tests/fakes/scripted_config_ui.h"
#include "tests/support/temp_dir.h"

namespace korvale::config {
namespace {

namespace org = mapi::orgstore;
using Outcome = AdminExpansion::Outcome;
using korvale::testing::ScriptedConfigUi;

class AdminExpansionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto store = org::OrgStore::Open(dir_.File("org.db"), org::OpenMode::kCreate);
    ASSERT_TRUE(store.ok()) << store.status().message();
    org::OrganisationSpec spec;
    spec.servers = {{"SRV1", "Org", "Site"}};
    spec.domains = {{"DOM", "S-1-5-21-1-2-3", {"\\\\DC1"}},
                    {"CORP", "S-1-5-21-4-5-6", {"\\\\dc1.corp.example.org"}}};
    auto account = [](const std::string& domain, const std::string& name, org::SidType type,
                      std::vector<std::string> members = {}) {
      return org::AccountSpec{domain, name, type, 0, "", std::move(members)};
    };
    spec.accounts = {
        account("DOM", "ann", org::SidType::kUser),
        account("DOM", "bob", org::SidType::kUser),
        account("DOM", "carl", org::SidType::kUser),
        account("DOM", "dave", org::SidType::kUser),
        account("DOM", "PC01$", org::SidType::kComputer),
        account("DOM", "Admins", org::SidType::kGroup, {"DOM\\ann", "DOM\\bob", "DOM\\PC01$"}),
        account("DOM", "Ops", org::SidType::kGroup, {"DOM\\bob", "DOM\\carl"}),
        account("DOM", "LocalAdmins", org::SidType::kAlias, {"DOM\\Ops", "DOM\\dave", "DOM\\PC01$"}),
        account("CORP", "erin", org::SidType::kUser),
        account("CORP", "Staff", org::SidType::kGroup, {"CORP\\erin"})};
    Status applied = (*store)->Apply(spec);
    ASSERT_TRUE(applied.ok()) << applied.message();
    auto directory = accounts::OpenOrgAccountDirectory(dir_.File("org.db"));
    ASSERT_TRUE(directory.ok()) << directory.status().message();
    directory_ = std::move(*directory);
  }

  AdminExpansion Expand(const std::string& admin_users) {
    DirectoryAdminUsers expander(*directory_);
    AdminExpansion result = expander.Expand(admin_users, ui_);
    EXPECT_EQ(ui_.wait_depth, 0) << "the wait cursor is restored";
    return result;
  }

  testing::TempDir dir_;
  std::unique_ptr<accounts::AccountDirectory> directory_;
  ScriptedConfigUi ui_;
};

TEST_F(AdminExpansionTest, GroupsBecomeTheirUsersOnceAndWithoutComputers) {
  struct Case {
    const char* admin_users;
    const char* expanded;
  } cases[] = {
      {"DOM\\Admins", "DOM\\ann; DOM\\bob"},
      {"DOM\\Admins; DOM\\Ops", "DOM\\ann; DOM\\bob; DOM\\carl"},  // bob is in both
      {"dom\\ann;  DOM\\Ann", "dom\\ann"},                         // the domain as typed; once
      {"DOM\\LocalAdmins", "DOM\\bob; DOM\\carl; DOM\\dave"},      // a global group inside, one level
      {"Staff@corp.example.org", "erin@corp.example.org; CORP\\erin"},
      {"DOM\\ann; ; ", "DOM\\ann"},  // nothing typed between the separators
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.admin_users);
    AdminExpansion result = Expand(c.admin_users);
    EXPECT_EQ(result.outcome, Outcome::kComplete);
    EXPECT_EQ(result.expanded, c.expanded);
  }
  EXPECT_TRUE(ui_.messages.empty());
}

// A wrong entry stops the expansion: the entries before it stay expanded.
TEST_F(AdminExpansionTest, EntryInNeitherFormStopsWithTheFormatMessage) {
  AdminExpansion result = Expand("DOM\\ann; carl; DOM\\bob");
  EXPECT_EQ(result.outcome, Outcome::kStopped);
  EXPECT_EQ(result.expanded, "DOM\\ann");
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].title, "Configuration Error");
  EXPECT_EQ(ui_.messages[0].icon, MessageIcon::kError);
  EXPECT_EQ(ui_.messages[0].text.rfind("Invalid NT-/AD- account format. Please use\n", 0), 0u);
  EXPECT_NE(ui_.messages[0].text.find("\nSeparate entries by semicolon."), std::string::npos);
  EXPECT_EQ(ui_.events, (std::vector<std::string>{"wait cursor", "normal cursor",
                                                  "message: " + std::string(kAccountFormatMessage),
                                                  "wait cursor", "normal cursor"}))
      << "the message shows with the normal cursor";
}

TEST_F(AdminExpansionTest, LookupFailuresShowTheirTextsAndStop) {
  struct Case {
    const char* admin_users;
    std::string message;
  } cases[] = {
      {"NODOM\\x", "Can't find Primary DC in domain NODOM."},
      {"x@nowhere.example.org", "Can't find DC in domain nowhere.example.org."},
      {"DOM\\nobody",
       "Error looking up nobody account on PDC/DC \\\\DC1 of domain DOM.\nPlease check that the account name "
       "is "
       "spelled correctly.\nError Code: 1332."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.admin_users);
    ui_.messages.clear();
    AdminExpansion result = Expand(std::string("DOM\\dave; ") + c.admin_users);
    EXPECT_EQ(result.outcome, Outcome::kStopped);
    EXPECT_EQ(result.expanded, "DOM\\dave");
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].text, c.message);
  }
}

// A directory that cannot be read: the controller lookup reports its code.
TEST_F(AdminExpansionTest, UnreadableDirectoryGivesTheGeneralControllerError) {
  auto unreadable = accounts::UnreadableAccountDirectory("the store is gone");
  DirectoryAdminUsers expander(*unreadable);
  AdminExpansion result = expander.Expand("DOM\\ann", ui_);
  EXPECT_EQ(result.outcome, Outcome::kStopped);
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text, "General Error retrieving PDC in domain DOM. Error Code: 1722.");
}

// Listing a group's members fails after the group was found: the save ends.
class ListingFails : public accounts::AccountDirectory {
 public:
  explicit ListingFails(accounts::AccountDirectory& real) : real_(real) {}
  Expected<std::optional<accounts::DirectoryAccount>> FindSid(const accounts::Sid& sid) override {
    return real_.FindSid(sid);
  }
  Expected<std::optional<accounts::DirectoryAccount>> FindName(const std::string& name) override {
    return real_.FindName(name);
  }
  Expected<std::vector<accounts::DirectoryAccount>> GroupMembers(const std::string&,
                                                                 const std::string&) override {
    return Status::Error("broken", 5);
  }
  Expected<std::vector<accounts::DirectoryAccount>> LocalGroupMembers(const std::string& server,
                                                                      const std::string& group) override {
    return real_.LocalGroupMembers(server, group);
  }
  Expected<std::vector<std::string>> DomainControllers(const std::string& domain) override {
    return real_.DomainControllers(domain);
  }

 private:
  accounts::AccountDirectory& real_;
};

TEST_F(AdminExpansionTest, GroupListingFailureEndsTheSave) {
  ListingFails directory(*directory_);
  DirectoryAdminUsers expander(directory);
  AdminExpansion result = expander.Expand("DOM\\ann; DOM\\Admins; DOM\\bob", ui_);
  EXPECT_EQ(result.outcome, Outcome::kSaveEnded);
  EXPECT_EQ(result.expanded, "DOM\\ann");
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text.rfind(
                "General Error retrieving group members of NT group Admins on server \\\\DC1. "
                "Error Code: ",
                0),
            0u)
      << ui_.messages[0].text;
}

}  // namespace
}  // namespace korvale::config
