// Calendar permissions to ACL and ACLw against temporary organisation stores:
// the calendar's real permission table, the real address book with nested
// distribution lists, and the store's Windows accounts and groups.
#include "agent/scan/folder_rights.h"

#include <gtest/gtest.h>

#include <memory>

#include "agent/database/utf8_text.h"
#include "platform/accounts/net_api.h"
#include "platform/accounts/org_account_directory.h"
#include "platform/mapi/orgstore/org_store.h"
#include "tests/fakes/recording_log.h"
#include "tests/support/temp_dir.h"

namespace korvale {
namespace {

namespace org = mapi::orgstore;
using testing::RecordingLog;
using testing::TempDir;

constexpr char kOwner[] = "Olivia Owner";

org::RecipientSpec Mailbox(const std::string& alias, const std::string& nt_account) {
  org::RecipientSpec r;
  r.alias = alias;
  r.display_name = alias + " mailbox";
  r.server = "SRV1";
  r.nt_account = nt_account;
  return r;
}

org::RecipientSpec DistList(const std::string& alias, std::vector<std::string> members) {
  org::RecipientSpec r;
  r.kind = org::RecipientKind::kDistList;
  r.alias = alias;
  r.display_name = alias + " list";
  r.members = std::move(members);
  return r;
}

// An organisation with a domain, a group "Sales" (ann, bob and a machine
// account), mailboxes for each account, a mailbox whose account was deleted,
// and distribution lists nested and looping.
org::OrganisationSpec BaseOrganisation() {
  org::OrganisationSpec spec;
  spec.servers.push_back({"SRV1", "Org", "Site"});
  spec.domains.push_back({"CORP", "S-1-5-21-1-2-3", {"\\\\DC1"}});
  spec.domains.push_back({"LONELY", "S-1-5-21-4-5-6", {}});
  for (const char* name : {"owner", "ann", "bob", "carl", "dave"}) {
    spec.accounts.push_back({"CORP", name, org::SidType::kUser, 0, "", {}});
  }
  spec.accounts.push_back({"CORP", "PC01$", org::SidType::kComputer, 0, "", {}});
  spec.accounts.push_back(
      {"CORP", "Sales", org::SidType::kGroup, 0, "", {"CORP\\ann", "CORP\\PC01$", "CORP\\bob"}});
  spec.accounts.push_back({"LONELY", "Crew", org::SidType::kGroup, 0, "", {}});

  org::RecipientSpec owner = Mailbox("owner", "CORP\\owner");
  owner.display_name = kOwner;
  spec.recipients.push_back(owner);
  for (const char* name : {"ann", "bob", "carl", "dave"}) {
    spec.recipients.push_back(Mailbox(name, std::string("CORP\\") + name));
  }
  spec.recipients.push_back(Mailbox("sales", "CORP\\Sales"));
  spec.recipients.push_back(Mailbox("crew", "LONELY\\Crew"));
  spec.recipients.push_back(Mailbox("noaccount", ""));
  // The account behind this mailbox was deleted: its SID names nobody.
  org::RecipientSpec gone = Mailbox("gone", "");
  mapi::SBinary deleted_sid;
  org::SidFromString("S-1-5-21-1-2-3-9999", &deleted_sid);
  gone.props.push_back({mapi::PR_EMS_AB_ASSOC_NT_ACCOUNT, deleted_sid});
  spec.recipients.push_back(gone);

  spec.recipients.push_back(DistList("inner", {"ann", "dave"}));
  spec.recipients.push_back(DistList("team", {"carl", "inner"}));
  spec.recipients.push_back(DistList("loop-a", {"loop-b", "carl"}));
  spec.recipients.push_back(DistList("loop-b", {"loop-a", "dave"}));
  return spec;
}

constexpr mapi::ULONG kRead = kReadItemsRight;
constexpr mapi::ULONG kCreate = kCreateItemsRight;

class FolderRightsTest : public ::testing::Test {
 protected:
  // Creates the organisation with these calendar permissions of the owner
  // (member alias, rights; "" is the default entry) and opens everything the
  // mailbox scan would have open.
  void Open(const std::vector<std::pair<std::string, mapi::ULONG>>& permissions,
            org::OrganisationSpec spec = BaseOrganisation()) {
    for (const auto& [member, rights] : permissions) {
      spec.permissions.push_back({"owner", "Calendar", member, rights});
    }
    const std::string path = tmp_.File("org" + std::to_string(++stores_) + ".db");
    auto store = org::OrgStore::Open(path, org::OpenMode::kCreate);
    ASSERT_TRUE(store.ok()) << store.status().message();
    Status applied = (*store)->Apply(spec);
    ASSERT_TRUE(applied.ok()) << applied.message();

    auto folders = (*store)->ListFolders("owner");
    ASSERT_TRUE(folders.ok());
    for (const auto& f : *folders) {
      if (f.name == "Calendar") calendar_id_ = f.entry_id;
    }
    ASSERT_FALSE(calendar_id_.empty());

    ASSERT_EQ((*store)->Logon("owner", &session_), mapi::S_OK);
    ASSERT_EQ(session_->OpenAddressBook(0, nullptr, mapi::AB_NO_DIALOG, &address_book_), mapi::S_OK);
    std::shared_ptr<mapi::IMAPITable> stores;
    ASSERT_EQ(session_->GetMsgStoresTable(0, &stores), mapi::S_OK);
    mapi::SPropTagArray cols{mapi::PR_ENTRYID};
    mapi::SRowSet rows;
    ASSERT_EQ(mapi::HrQueryAllRows(stores.get(), &cols, nullptr, nullptr, 0, &rows), mapi::S_OK);
    ASSERT_EQ(rows.cRows(), 1u);
    ASSERT_EQ(session_->OpenMsgStore(0, *rows[0][0].Binary(), nullptr, mapi::MAPI_BEST_ACCESS, &store_),
              mapi::S_OK);
    owner_id_ = EntryIdOf(kOwner);

    auto directory = accounts::OpenOrgAccountDirectory(path);
    ASSERT_TRUE(directory.ok()) << directory.status().message();
    directory_ = std::move(*directory);
  }

  mapi::ENTRYID EntryIdOf(const std::string& display_name) {
    mapi::ADRLIST list;
    list.aEntries.push_back({{{mapi::PR_DISPLAY_NAME, display_name}}});
    EXPECT_EQ(address_book_->ResolveName(0, 0, "", &list), mapi::S_OK) << display_name;
    const auto* id = mapi::PpropFindProp(list.aEntries[0].rgPropVals, mapi::PR_ENTRYID);
    return id && id->Binary() ? *id->Binary() : mapi::ENTRYID{};
  }

  std::unique_ptr<FolderRights> Rights(const std::string& pdc = "") {
    return std::make_unique<FolderRights>(*address_book_, *directory_, log_, settings_, kOwner, pdc);
  }

  CalendarAccessLists Build(bool book_meetings = false, const std::string& pdc = "") {
    auto rights = Rights(pdc);
    return ReadCalendarAccessLists(*rights, session_.get(), store_.get(), calendar_id_, owner_id_,
                                   book_meetings, booking_accounts_);
  }

  TempDir tmp_;
  AgentSettings settings_;
  RecordingLog log_;
  std::shared_ptr<mapi::IMAPISession> session_;
  std::shared_ptr<mapi::IAddrBook> address_book_;
  std::shared_ptr<mapi::IMsgStore> store_;
  std::unique_ptr<accounts::AccountDirectory> directory_;
  mapi::ENTRYID calendar_id_, owner_id_;
  std::string booking_accounts_;
  int stores_ = 0;
};

// Everybody may read: ACL is "Korvale_Any" alone (the owner is not added),
// while ACLw, which nobody holds, still lists the owner.
TEST_F(FolderRightsTest, DefaultReadRightGivesKorvaleAny) {
  Open({{"", kRead}, {"ann", kRead}});
  CalendarAccessLists lists = Build();
  EXPECT_EQ(lists.acl, "Korvale_Any");
  EXPECT_EQ(lists.aclw, "CORP\\owner");
  EXPECT_TRUE(log_.events().empty()) << log_.Describe();
}

// A Windows group stands for its users: the group itself and its machine
// account do not appear; ann reached directly and through the group is listed once.
TEST_F(FolderRightsTest, WindowsGroupListsItsUsersOnce) {
  Open({{"ann", kRead}, {"sales", kRead}});
  EXPECT_EQ(Build().acl, "CORP\\ann; CORP\\bob; CORP\\owner");
  // The server entry's PDC is asked instead of looking the controller up.
  EXPECT_EQ(Build(false, "\\\\DC1").acl, "CORP\\ann; CORP\\bob; CORP\\owner");
  EXPECT_TRUE(log_.events().empty()) << log_.Describe();
}

// A deleted account is reported with the long warning naming the mailbox
// three times, and the other members are still listed.
TEST_F(FolderRightsTest, DeletedAccountWarnsAndOthersStay) {
  Open({{"gone", kRead}, {"bob", kRead}});
  EXPECT_EQ(Build().acl, "CORP\\bob; CORP\\owner");
  auto warnings = log_.EventsWithId(145);
  ASSERT_EQ(warnings.size(), 1u) << log_.Describe();
  EXPECT_EQ(warnings[0].type, EventType::kWarning);
  ASSERT_EQ(warnings[0].texts.size(), 2u);
  const std::string& text = warnings[0].texts[0];
  EXPECT_EQ(text.rfind("1332\r\nThis error occured while scanning mailbox Olivia Owner.\r\n", 0), 0u) << text;
  EXPECT_NE(text.find("It is generated because Olivia Owner has given permissions"), std::string::npos);
  EXPECT_NE(text.find("open Olivia Owner's Mailbox with Outlook"), std::string::npos);
  EXPECT_EQ(warnings[0].texts[1], "gone mailbox");
}

// A list inside a list is expanded down to its members.
TEST_F(FolderRightsTest, NestedDistributionListsAreExpanded) {
  Open({{"team", kRead}});
  EXPECT_EQ(Build().acl, "CORP\\carl; CORP\\ann; CORP\\dave; CORP\\owner");
  EXPECT_TRUE(log_.events().empty()) << log_.Describe();
}

// Two lists that contain each other end, each member listed once (loop-a
// holds loop-b before carl, so loop-b's dave comes first).
TEST_F(FolderRightsTest, ListsContainingEachOtherEnd) {
  Open({{"loop-a", kRead}, {"loop-b", kRead}});
  EXPECT_EQ(Build().acl, "CORP\\dave; CORP\\carl; CORP\\owner");
}

// ACLw comes from the create right; with the book-meetings flag the cycle's
// booking accounts get "; " and the whole ACLw.
TEST_F(FolderRightsTest, AclwAndCollectedBookingAccounts) {
  Open({{"ann", kRead | kCreate}, {"bob", kRead}, {"team", kCreate}});
  booking_accounts_ = "CORP\\zed";
  CalendarAccessLists lists = Build(/*book_meetings=*/true);
  EXPECT_EQ(lists.acl, "CORP\\ann; CORP\\bob; CORP\\owner");
  EXPECT_EQ(lists.aclw, "CORP\\ann; CORP\\carl; CORP\\dave; CORP\\owner");
  EXPECT_EQ(booking_accounts_, "CORP\\zed; CORP\\ann; CORP\\carl; CORP\\dave; CORP\\owner");

  booking_accounts_.clear();
  Build(/*book_meetings=*/false);
  EXPECT_EQ(booking_accounts_, "") << "without the flag nothing is collected";
}

// Everybody may create: the owner joins the booking accounts instead of ACLw.
TEST_F(FolderRightsTest, AnyoneMayCreateAddsOwnerToBookingAccounts) {
  Open({{"", kCreate}, {"ann", kRead}});
  booking_accounts_ = "CORP\\zed";
  CalendarAccessLists lists = Build(/*book_meetings=*/true);
  EXPECT_EQ(lists.acl, "CORP\\ann; CORP\\owner");
  EXPECT_EQ(lists.aclw, "Korvale_Any");
  EXPECT_EQ(booking_accounts_, "CORP\\zed; CORP\\owner");
}

// With FolderRightsLimited, 200 readers stop being resolved once the list
// passes 1023 characters, the list is cut to 1024 and warning 107 names the mailbox.
TEST_F(FolderRightsTest, LimitedListStopsNear1024Characters) {
  org::OrganisationSpec spec = BaseOrganisation();
  std::vector<std::pair<std::string, mapi::ULONG>> permissions;
  for (int i = 0; i < 200; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "reader%03d", i);
    spec.accounts.push_back({"CORP", name, org::SidType::kUser, 0, "", {}});
    spec.recipients.push_back(Mailbox(name, std::string("CORP\\") + name));
    permissions.push_back({name, kRead});
  }
  Open(permissions, spec);
  settings_.folder_rights_limited = 1;
  CalendarAccessLists lists = Build();
  EXPECT_EQ(Utf8Length(lists.acl), 1024u);
  EXPECT_EQ(lists.acl.find("reader100"), std::string::npos) << "resolution stopped early";
  EXPECT_EQ(lists.acl.find("CORP\\owner"), std::string::npos) << "the full list takes no owner";
  auto truncated = log_.EventsWithId(107);
  ASSERT_EQ(truncated.size(), 1u) << log_.Describe();
  EXPECT_EQ(truncated[0].texts.at(0),
            "The list of accounts with permissons to the Calendar folder of mailbox Olivia Owner "
            "was truncated. Some users may not see its data in Korvale.");

  // Without the setting the list grows freely.
  settings_.folder_rights_limited = 0;
  log_.Clear();
  lists = Build();
  EXPECT_NE(lists.acl.find("CORP\\reader199; CORP\\owner"), std::string::npos);
  EXPECT_FALSE(log_.HasEvent(107));
}

// The cut leaves room for the doubled apostrophes and never splits a character.
TEST_F(FolderRightsTest, TruncationCountsApostrophesAndCharacters) {
  Open({});
  settings_.folder_rights_limited = 1;
  auto rights = Rights();
  std::string quoted = rights->LimitAndQuote(std::string(10, '\'') + std::string(1100, 'x'));
  EXPECT_EQ(quoted.size(), 1024u) << "1014 characters kept, 10 apostrophes doubled";

  std::string accents;
  for (int i = 0; i < 1100; ++i) accents += "\xC3\xA9";  // é
  std::string cut = rights->LimitAndQuote(accents);
  EXPECT_EQ(Utf8Length(cut), 1024u);
  EXPECT_EQ(cut.size(), 2048u) << "whole two-byte characters only";

  EXPECT_EQ(rights->LimitAndQuote("CORP\\o'neil"), "CORP\\o''neil");
  EXPECT_EQ(log_.EventsWithId(107).size(), 2u);
}

// Members that cannot be resolved are reported with their own event and left out.
TEST_F(FolderRightsTest, UnresolvableMembersAreReported) {
  Open({{"noaccount", kRead}, {"crew", kRead}, {"carl", kRead}});
  auto rights = Rights();
  std::string accounts;
  rights->GetFolderRights(accounts, mapi::ENTRYID{1, 2, 3}, "Broken Entry");
  EXPECT_EQ(accounts, "");
  auto open_failed = log_.EventsWithId(124);
  ASSERT_EQ(open_failed.size(), 1u) << log_.Describe();
  EXPECT_EQ(open_failed[0].texts, (std::vector<std::string>{"Broken Entry", "GetFolderRights"}));

  log_.Clear();
  EXPECT_EQ(Build().acl, "CORP\\carl; CORP\\owner");
  auto no_account = log_.EventsWithId(144);
  ASSERT_EQ(no_account.size(), 1u) << log_.Describe();
  EXPECT_EQ(no_account[0].texts.at(0),
            "noaccount mailbox. This error occured while scanning mailbox Olivia Owner");
  auto no_dc = log_.EventsWithId(142);
  ASSERT_EQ(no_dc.size(), 1u) << log_.Describe();
  EXPECT_EQ(no_dc[0].texts, (std::vector<std::string>{"LONELY"}));

  // A PDC that is no controller of the group's domain cannot list its users.
  log_.Clear();
  Open({{"sales", kRead}});
  EXPECT_EQ(Build(false, "\\\\ELSEWHERE").acl, "CORP\\owner");
  auto listing = log_.EventsWithId(151);
  ASSERT_EQ(listing.size(), 1u) << log_.Describe();
  EXPECT_EQ(listing[0].texts, (std::vector<std::string>{"Sales", "\\\\ELSEWHERE", "2220"}));
}

// AssocNTAcc of the owner row: a user's account by name, nothing for a group,
// a deleted account or no SID at all.
TEST_F(FolderRightsTest, AssociatedAccountNameOfTheOwner) {
  Open({});
  auto sid_of = [](const char* text) {
    mapi::SBinary sid;
    org::SidFromString(text, &sid);
    return sid;
  };
  auto owner = accounts::LookupAccountName(*directory_, "", "CORP\\owner");
  ASSERT_TRUE(owner.ok());
  EXPECT_EQ(AssociatedAccountName(*directory_, "", owner->sid), "CORP\\owner");
  EXPECT_EQ(AssociatedAccountName(*directory_, "\\\\DC1", owner->sid), "CORP\\owner");
  auto sales = accounts::LookupAccountName(*directory_, "", "CORP\\Sales");
  ASSERT_TRUE(sales.ok());
  EXPECT_EQ(AssociatedAccountName(*directory_, "", sales->sid), std::nullopt);
  EXPECT_EQ(AssociatedAccountName(*directory_, "", sid_of("S-1-5-21-1-2-3-9999")), std::nullopt);
  EXPECT_EQ(AssociatedAccountName(*directory_, "", mapi::SBinary{}), std::nullopt);
}

// A calendar whose permission table cannot be opened gives two empty lists.
TEST_F(FolderRightsTest, UnopenablePermissionTableGivesEmptyLists) {
  Open({{"ann", kRead}});
  calendar_id_ = mapi::ENTRYID{9, 9, 9};
  booking_accounts_ = "CORP\\zed";
  CalendarAccessLists lists = Build(/*book_meetings=*/true);
  EXPECT_EQ(lists.acl, "");
  EXPECT_EQ(lists.aclw, "");
  EXPECT_EQ(booking_accounts_, "CORP\\zed");
}

}  // namespace
}  // namespace korvale
