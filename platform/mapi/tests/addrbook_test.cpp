// Name resolution, directory entries and distribution lists.
#include "platform/mapi/orgstore/org_store.h"
#include "platform/mapi/tests/org_fixture.h"

namespace korvale::mapi::testing {
namespace {

class AddrBookTest : public OrgTest {
 protected:
  void SetUp() override {
    OrgTest::SetUp();
    session_ = AdminSession();
    ASSERT_EQ(session_->OpenAddressBook(0, nullptr, AB_NO_DIALOG, &ab_), S_OK);
  }
  static ADRENTRY Entry(const std::string& name, ULONG type = MAPI_TO) {
    return ADRENTRY{{{PR_DISPLAY_NAME, name}, {PR_RECIPIENT_TYPE, static_cast<int32_t>(type)}}};
  }
  std::shared_ptr<IMAPISession> session_;
  std::shared_ptr<IAddrBook> ab_;
};

// Configured members are "EX:" + legacy DN; the scan needs entry id, type and name.
TEST_F(AddrBookTest, ResolvesExchangeAddressesAndNames) {
  ADRLIST list{{Entry("EX:" + MailboxDn("alice")), Entry("bob baker", MAPI_CC),
                Entry("EX:/o=Org/ou=Site/cn=Recipients/cn=team")}};
  ASSERT_EQ(ab_->ResolveName(0, 0, "", &list), S_OK) << ToString(list);
  const auto& alice = list.aEntries[0].rgPropVals;
  EXPECT_EQ(*PpropFindProp(alice, PR_DISPLAY_NAME)->String(), "Alice Archer");
  EXPECT_EQ(*PpropFindProp(alice, PR_OBJECT_TYPE)->Long(), static_cast<int32_t>(MAPI_MAILUSER));
  EXPECT_EQ(*PpropFindProp(alice, PR_EMAIL_ADDRESS)->String(), MailboxDn("alice"));
  EXPECT_EQ(*PpropFindProp(alice, PR_ADDRTYPE)->String(), "EX");
  EXPECT_NE(PpropFindProp(alice, PR_ENTRYID), nullptr);
  EXPECT_EQ(*PpropFindProp(list.aEntries[1].rgPropVals, PR_RECIPIENT_TYPE)->Long(),
            static_cast<int32_t>(MAPI_CC));
  EXPECT_EQ(*PpropFindProp(list.aEntries[2].rgPropVals, PR_OBJECT_TYPE)->Long(),
            static_cast<int32_t>(MAPI_DISTLIST));
}

// Bookings fall back to one-off SMTP recipients exactly for the entries left unresolved.
TEST_F(AddrBookTest, UnresolvedAndAmbiguousEntriesAreReportedAndLeftWithoutEntryId) {
  ADRLIST list{{Entry("Nobody Known"), Entry("Alice Archer")}};
  EXPECT_EQ(ab_->ResolveName(0, 0, "", &list), MAPI_E_NOT_FOUND);
  EXPECT_EQ(PpropFindProp(list.aEntries[0].rgPropVals, PR_ENTRYID), nullptr);
  EXPECT_NE(PpropFindProp(list.aEntries[1].rgPropVals, PR_ENTRYID), nullptr);
  ADRLIST prefix_of_several{{Entry("a")}};  // alice and the list "all"
  EXPECT_EQ(ab_->ResolveName(0, 0, "", &prefix_of_several), MAPI_E_AMBIGUOUS_RECIP);
  ADRLIST prefix_of_one{{Entry("b")}};  // only bob
  EXPECT_EQ(ab_->ResolveName(0, 0, "", &prefix_of_one), S_OK);
  // A one-off entry id makes an entry count as resolved.
  ENTRYID oneoff;
  ASSERT_EQ(ab_->CreateOneOff("Ext Person", "SMTP", "ext@example.com", 0, &oneoff), S_OK);
  list.aEntries[0].rgPropVals.emplace_back(PR_ENTRYID, oneoff);
  EXPECT_EQ(ab_->ResolveName(0, 0, "", &list), S_OK);
}

// The scan reads these 17 properties from the owner's entry.
TEST_F(AddrBookTest, MailUserCarriesDirectoryProperties) {
  ADRLIST list{{Entry("EX:" + MailboxDn("alice"))}};
  ASSERT_EQ(ab_->ResolveName(0, 0, "", &list), S_OK);
  ULONG type = 0;
  std::shared_ptr<IUnknown> unk;
  ASSERT_EQ(ab_->OpenEntry(*PpropFindProp(list.aEntries[0].rgPropVals, PR_ENTRYID)->Binary(), nullptr,
                           MAPI_BEST_ACCESS, &type, &unk),
            S_OK);
  EXPECT_EQ(type, MAPI_MAILUSER);
  auto user = mapi_cast<IMailUser>(unk);
  ASSERT_TRUE(user);
  SPropTagArray tags{PR_EMS_AB_HOME_MTA,
                     PR_EMAIL_ADDRESS,
                     PR_ACCOUNT,
                     PR_BUSINESS_TELEPHONE_NUMBER,
                     PR_OFFICE_LOCATION,
                     PR_INITIALS,
                     PR_EMS_AB_ASSOC_NT_ACCOUNT,
                     PR_EMS_AB_EXTENSION_ATTRIBUTE(5),
                     PR_SMTP_ADDRESS,
                     PR_NULL};
  std::vector<SPropValue> v;
  EXPECT_EQ(user->GetProps(&tags, 0, &v), MAPI_W_ERRORS_RETURNED);
  EXPECT_EQ(*v[0].String(), "/o=Org/ou=Site/cn=Configuration/cn=Servers/cn=SRV1/cn=Microsoft MTA");
  EXPECT_EQ(*v[1].String(), MailboxDn("alice"));
  EXPECT_EQ(*v[2].String(), "alice");
  EXPECT_EQ(*v[3].String(), "+41 1 234");
  EXPECT_EQ(*v[4].String(), "B12");
  EXPECT_EQ(v[5].ErrorCode(), MAPI_E_NOT_FOUND);
  EXPECT_EQ(orgstore::SidToString(*v[6].Binary()), "S-1-5-21-100-200-300-1101");
  EXPECT_EQ(*v[7].String(), "1");
  EXPECT_EQ(*v[8].String(), "alice@example.org");
  EXPECT_TRUE(v[9].IsError());
}

// Expansion walks nested lists; the list "all" contains "team" which contains "all" again.
TEST_F(AddrBookTest, DistributionListContentsIncludeNestedLists) {
  ADRLIST list{{Entry("EX:/o=Org/ou=Site/cn=Recipients/cn=team")}};
  ASSERT_EQ(ab_->ResolveName(0, 0, "", &list), S_OK);
  ULONG type = 0;
  std::shared_ptr<IUnknown> unk;
  ASSERT_EQ(ab_->OpenEntry(*PpropFindProp(list.aEntries[0].rgPropVals, PR_ENTRYID)->Binary(), nullptr,
                           MAPI_BEST_ACCESS, &type, &unk),
            S_OK);
  EXPECT_EQ(type, MAPI_DISTLIST);
  auto dl = mapi_cast<IDistList>(unk);
  std::shared_ptr<IMAPITable> contents;
  ASSERT_EQ(dl->GetContentsTable(0, &contents), S_OK);
  SPropTagArray cols{PR_ENTRYID, PR_DISPLAY_NAME, PR_OBJECT_TYPE};
  SRowSet rows;
  ASSERT_EQ(HrQueryAllRows(contents.get(), &cols, nullptr, nullptr, 0, &rows), S_OK);
  ASSERT_EQ(rows.cRows(), 3u) << ToString(rows);
  EXPECT_EQ(*rows[0][1].String(), "Alice Archer");
  EXPECT_EQ(*rows[2][1].String(), "Everybody");
  EXPECT_EQ(*rows[2][2].Long(), static_cast<int32_t>(MAPI_DISTLIST));
}

TEST_F(AddrBookTest, UnknownIdentifiersAreRefused) {
  ULONG type = 0;
  std::shared_ptr<IUnknown> unk;
  EXPECT_EQ(ab_->OpenEntry(SBinary{1, 2, 3}, nullptr, 0, &type, &unk), MAPI_E_UNKNOWN_ENTRYID);
  EXPECT_EQ(ab_->OpenEntry(SBinary{}, nullptr, 0, &type, &unk), MAPI_E_INVALID_PARAMETER);
}

// Installs a dialog for one test and puts the previous one back.
class DialogGuard {
 public:
  explicit DialogGuard(AddressDialog dialog) : previous_(InstallAddressDialog(std::move(dialog))) {}
  ~DialogGuard() { InstallAddressDialog(std::move(previous_)); }

 private:
  AddressDialog previous_;
};

ADRPARM GroupMembersDialog() {
  ADRPARM params;
  params.ulFlags = DIALOG_MODAL | AB_RESOLVE;
  params.lpszCaption = "Address Book";
  params.lppszDestTitles = {"Mailboxes / DLs to scan:"};
  return params;
}

// The group-members dialog: the window sees the directory and the group's
// members resolved; what the user keeps comes back resolved, e-mail included.
TEST_F(AddrBookTest, AddressHandsTheListToTheDialogAndResolvesWhatComesBack) {
  AddressDialogRequest seen;
  DialogGuard guard([&](const AddressDialogRequest& request) -> std::optional<std::vector<AddressEntry>> {
    seen = request;
    std::vector<AddressEntry> chosen{request.selected.at(0)};  // Alice, with her entry id
    for (const auto& entry : request.directory)
      if (entry.display_name == "Team") chosen.push_back(entry);
    chosen.push_back({"bob baker", "", {}, 0});     // typed name: resolved by name
    chosen.push_back({"Nobody Known", "", {}, 0});  // resolves to nothing: only the name stays
    return chosen;
  });
  ADRLIST list{{Entry("Alice Archer"), Entry("carol")}};
  ASSERT_EQ(ab_->Address(0, GroupMembersDialog(), &list), S_OK);

  EXPECT_EQ(seen.caption, "Address Book");
  EXPECT_EQ(seen.well_label, "Mailboxes / DLs to scan:");
  ASSERT_EQ(seen.selected.size(), 2u);
  EXPECT_EQ(seen.selected[0].email_address, MailboxDn("alice"))
      << "AB_RESOLVE resolves the well before it opens";
  EXPECT_FALSE(seen.selected[1].entry_id.empty());
  EXPECT_EQ(seen.directory.size(), 7u) << "every mailbox, room and list of the directory";

  ASSERT_EQ(list.cEntries(), 4u) << ToString(list);
  const std::vector<std::string> emails{MailboxDn("alice"), "/o=Org/ou=Site/cn=Recipients/cn=team",
                                        MailboxDn("bob"), ""};
  for (size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    const auto& props = list.aEntries[i].rgPropVals;
    EXPECT_EQ(*PpropFindProp(props, PR_RECIPIENT_TYPE)->Long(), static_cast<int32_t>(MAPI_TO));
    ASSERT_NE(PpropFindProp(props, PR_EMAIL_ADDRESS), nullptr);
    EXPECT_EQ(*PpropFindProp(props, PR_EMAIL_ADDRESS)->String(), emails[i]);
  }
  const auto& unknown = list.aEntries[3].rgPropVals;
  EXPECT_EQ(*PpropFindProp(unknown, PR_DISPLAY_NAME)->String(), "Nobody Known");
  EXPECT_EQ(PpropFindProp(unknown, PR_EMAIL_ADDRESS), nullptr) << "a name of nobody has no address";
}

// Cancel, and a program without windows, leave the caller's list as it was.
TEST_F(AddrBookTest, AddressCancelledOrWithoutDialogLeavesTheListUnchanged) {
  ADRLIST list{{Entry("carol")}};
  const std::string before = ToString(list);
  {
    DialogGuard none(nullptr);
    EXPECT_EQ(ab_->Address(0, GroupMembersDialog(), &list), MAPI_E_NO_SUPPORT);
  }
  {
    DialogGuard cancel(
        [](const AddressDialogRequest&) -> std::optional<std::vector<AddressEntry>> { return std::nullopt; });
    EXPECT_EQ(ab_->Address(0, GroupMembersDialog(), &list), MAPI_E_USER_CANCEL);
    ADRPARM two_wells = GroupMembersDialog();
    two_wells.lppszDestTitles.push_back("Cc:");
    EXPECT_EQ(ab_->Address(0, two_wells, &list), MAPI_E_INVALID_PARAMETER);
  }
  EXPECT_EQ(ToString(list), before);
}

}  // namespace
}  // namespace korvale::mapi::testing
