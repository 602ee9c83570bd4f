// Opening mailbox stores by server and mailbox name, and their folders.
#include "platform/mapi/calendar_named_props.h"
#include "platform/mapi/tests/org_fixture.h"

namespace korvale::mapi::testing {
namespace {

using StoreTest = OrgTest;

TEST_F(StoreTest, InboxLeadsToTheCalendar) {
  auto session = AdminSession();
  auto store = OpenStore(*session, "alice");
  ASSERT_TRUE(store);
  auto calendar = Calendar(*store);
  ASSERT_TRUE(calendar);
  SPropValue name;
  ASSERT_EQ(HrGetOneProp(calendar.get(), PR_DISPLAY_NAME, &name), S_OK);
  EXPECT_EQ(*name.String(), "Calendar");
  ASSERT_EQ(HrGetOneProp(calendar.get(), PR_CONTAINER_CLASS, &name), S_OK);
  EXPECT_EQ(*name.String(), "IPF.Appointment");
}

// The scan reports "No default calendar folder found" on exactly this path.
TEST_F(StoreTest, MailboxWithoutCalendarGivesInvalidParameterOnOpen) {
  auto session = AdminSession();
  auto store = OpenStore(*session, "nocal");
  ASSERT_TRUE(store);
  auto inbox = Inbox(*store);
  std::vector<SPropValue> v;
  SPropTagArray tags{PR_IPM_APPOINTMENT_ENTRYID};
  ASSERT_EQ(inbox->GetProps(&tags, 0, &v), MAPI_W_ERRORS_RETURNED);
  ASSERT_TRUE(v[0].IsError());
  ULONG type = 0;
  std::shared_ptr<IUnknown> unk;
  EXPECT_EQ(
      store->OpenEntry(v[0].Binary() ? *v[0].Binary() : ENTRYID{}, nullptr, MAPI_BEST_ACCESS, &type, &unk),
      MAPI_E_INVALID_PARAMETER);
}

// What OpenMsgStore says about a wrong server or mailbox is what the agent logs.
TEST_F(StoreTest, OpenMsgStoreChecksServerAndMailbox) {
  auto session = AdminSession();
  std::shared_ptr<IExchangeManageStore> manage;
  ASSERT_EQ(HrQueryInterface(*session, IID_IExchangeManageStore, &manage), S_OK);
  auto open = [&](const std::string& store_dn, const std::string& mailbox_dn) {
    ENTRYID id;
    HRESULT hr = manage->CreateStoreEntryID(store_dn, mailbox_dn, OPENSTORE_USE_ADMIN_PRIVILEGE, &id);
    if (FAILED(hr)) return hr;
    std::shared_ptr<IMsgStore> store;
    return session->OpenMsgStore(0, id, nullptr, 0xB1, &store);
  };
  EXPECT_EQ(open(kStoreDn, MailboxDn("bob")), S_OK);
  EXPECT_EQ(open(kStoreDn, MailboxDn("carol")), MAPI_E_FAILONEPROVIDER);  // carol lives on SRV2
  EXPECT_EQ(open(kStoreDn, MailboxDn("nobody")), MAPI_E_NOT_FOUND);
  EXPECT_EQ(
      open("/o=Org/ou=Site/cn=Configuration/cn=Servers/cn=SRV9/cn=Microsoft Private MDB", MailboxDn("bob")),
      MAPI_E_NETWORK_ERROR);
  EXPECT_EQ(open("SRV1", MailboxDn("bob")), MAPI_E_INVALID_PARAMETER);
  std::shared_ptr<IMsgStore> store;
  EXPECT_EQ(session->OpenMsgStore(0, SBinary{0, 0, 0, 0, 1}, nullptr, 0, &store), MAPI_E_INVALID_ENTRYID);
  std::optional<MAPIERROR> err;
  ASSERT_EQ(session->GetLastError(MAPI_E_INVALID_ENTRYID, 0, &err), S_OK);
  EXPECT_TRUE(err.has_value());
}

// KRVBookingNumber and the calendar properties resolve per store; ids must
// be stable across sessions and independent between stores.
TEST_F(StoreTest, NamedPropertiesAreMappedPerStoreAndStable) {
  std::vector<MAPINAMEID> names{MAPINAMEID::Name(PS_PUBLIC_STRINGS, kNameKeywords),
                                MAPINAMEID::Id(PSETID_Appointment, kLidStart),
                                MAPINAMEID::Name(PS_PUBLIC_STRINGS, kNameBookingNumber)};
  SPropTagArray first, again, other;
  {
    auto session = AdminSession();
    auto calendar = Calendar(*OpenStore(*session, "alice"));
    SPropTagArray none;
    EXPECT_EQ(calendar->GetIDsFromNames(names, 0, &none), MAPI_W_ERRORS_RETURNED);
    EXPECT_EQ(none[0], PROP_TAG(PT_ERROR, 0));
    ASSERT_EQ(calendar->GetIDsFromNames(names, MAPI_CREATE, &first), S_OK);
    EXPECT_EQ(first[0], PROP_TAG(PT_UNSPECIFIED, 0x8000));
    EXPECT_EQ(first[2], PROP_TAG(PT_UNSPECIFIED, 0x8002));
    std::vector<std::optional<MAPINAMEID>> back;
    ASSERT_EQ(calendar->GetNamesFromIDs({first[1]}, 0, &back), S_OK);
    EXPECT_EQ(back[0], names[1]);
  }
  {
    auto session = AdminSession();
    auto bob_calendar = Calendar(*OpenStore(*session, "bob"));
    std::vector<MAPINAMEID> reversed(names.rbegin(), names.rend());
    ASSERT_EQ(bob_calendar->GetIDsFromNames(reversed, MAPI_CREATE, &other), S_OK);
    EXPECT_EQ(other[0], PROP_TAG(PT_UNSPECIFIED, 0x8000)) << "bob's store has its own map";
    auto inbox = Inbox(*OpenStore(*session, "alice"));
    ASSERT_EQ(inbox->GetIDsFromNames(names, 0, &again), S_OK);
    EXPECT_EQ(again, first) << "the map is per store, not per folder or session";
  }
  SPropTagArray mapi;
  auto session = AdminSession();
  ASSERT_EQ(OpenStore(*session, "alice")->GetIDsFromNames({MAPINAMEID::Id(PS_MAPI, 0x0037)}, 0, &mapi), S_OK);
  EXPECT_EQ(PROP_ID(mapi[0]), 0x0037u);
}

}  // namespace
}  // namespace korvale::mapi::testing
