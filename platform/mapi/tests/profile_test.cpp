// Profiles, services, logon and the default store, as the agent sets them up.
#include <fstream>

#include "platform/mapi/orgstore/profile_file.h"
#include "platform/mapi/tests/org_fixture.h"

namespace korvale::mapi::testing {
namespace {

class ProfileTest : public OrgTest {
 protected:
  void SetUp() override {
    OrgTest::SetUp();
    profiles_ = dir_.File("profiles.json");
    std::string error;
    ASSERT_TRUE(orgstore::UpdateProfileFile(
        profiles_,
        [&](orgstore::ProfileData& d) {
          d.servers["SRV1"] = "org.db";  // relative to the profile file
          d.servers["SRV2"] = db_path_;
          return true;
        },
        &error))
        << error;
    MAPIINIT_0 init{MAPI_INIT_VERSION, MAPI_NT_SERVICE, profiles_};
    ASSERT_EQ(MAPIInitialize(&init), S_OK);
    ASSERT_EQ(MAPIAdminProfiles(0, &admin_), S_OK);
  }
  void TearDown() override {
    admin_.reset();
    MAPIUninitialize();
  }

  // The agent's sequence: profile, service, find it in the table, configure it.
  HRESULT CreateProfile(const std::string& name, const std::string& mailbox, const std::string& server,
                        std::shared_ptr<IMsgServiceAdmin>* svc_out = nullptr) {
    HRESULT hr = admin_->CreateProfile(name, "", 0, 0);
    if (FAILED(hr)) return hr;
    std::shared_ptr<IMsgServiceAdmin> svc;
    EXPECT_EQ(admin_->AdminServices(name, "", 0, 0, &svc), S_OK);
    EXPECT_EQ(svc->CreateMsgService("MSEMS", "Microsoft Exchange", 0, 0), S_OK);
    std::shared_ptr<IMAPITable> table;
    EXPECT_EQ(svc->GetMsgServiceTable(0, &table), S_OK);
    SPropTagArray cols{PR_SERVICE_NAME, PR_SERVICE_UID};
    SRestriction msems =
        RestrictContent(FL_FULLSTRING, PR_SERVICE_NAME, {PR_SERVICE_NAME, std::string("MSEMS")});
    SRowSet rows;
    EXPECT_EQ(HrQueryAllRows(table.get(), &cols, &msems, nullptr, 0, &rows), S_OK);
    EXPECT_EQ(rows.cRows(), 1u);
    MAPIUID uid{};
    std::copy_n(rows[0][1].Binary()->begin(), 16, uid.begin());
    if (svc_out) *svc_out = svc;
    return svc->ConfigureMsgService(
        uid, 0, 0, {{PR_PROFILE_UNRESOLVED_NAME, mailbox}, {PR_PROFILE_UNRESOLVED_SERVER, server}});
  }

  std::string profiles_;
  std::shared_ptr<IProfAdmin> admin_;
};

TEST_F(ProfileTest, LogonOpensTheDefaultStoreAndItsManagementInterface) {
  ASSERT_EQ(CreateProfile("Caldrun", "alice", "srv1"), S_OK);
  std::shared_ptr<IMAPISession> session;
  ASSERT_EQ(MAPILogonEx(0, "Caldrun", "", MAPI_NT_SERVICE | MAPI_NO_MAIL | MAPI_EXTENDED, &session), S_OK);
  std::shared_ptr<IAddrBook> ab;
  ASSERT_EQ(session->OpenAddressBook(0, nullptr, AB_NO_DIALOG, &ab), S_OK);
  std::shared_ptr<IMAPITable> stores;
  ASSERT_EQ(session->GetMsgStoresTable(0, &stores), S_OK);
  ASSERT_EQ(stores->SetColumns({PR_ENTRYID, PR_DISPLAY_NAME, PR_PROVIDER_DISPLAY, PR_DEFAULT_STORE}, 0),
            S_OK);
  ASSERT_EQ(stores->FindRow(RestrictProperty(RELOP_EQ, {PR_DEFAULT_STORE, true}), BOOKMARK_BEGINNING, 0),
            S_OK);
  SRowSet row;
  ASSERT_EQ(stores->QueryRows(1, 0, &row), S_OK);
  ASSERT_EQ(row.cRows(), 1u);
  EXPECT_EQ(*row[0][1].String(), "Mailbox - Alice Archer");
  std::shared_ptr<IMsgStore> store;
  ASSERT_EQ(session->OpenMsgStore(0, *row[0][0].Binary(), nullptr, MDB_NO_DIALOG | MAPI_BEST_ACCESS, &store),
            S_OK);
  std::shared_ptr<IExchangeManageStore> manage;
  ASSERT_EQ(HrQueryInterface(*store, IID_IExchangeManageStore, &manage), S_OK);
  ENTRYID bob_id;
  ASSERT_EQ(manage->CreateStoreEntryID(kStoreDn, MailboxDn("bob"), 9, &bob_id), S_OK);
  std::shared_ptr<IMsgStore> bob;
  EXPECT_EQ(session->OpenMsgStore(0, bob_id, nullptr, 0xB1, &bob), S_OK);
}

// The configuration program logs on without naming a profile to reach the
// address book: the only profile, or the organisation itself when there are none.
TEST_F(ProfileTest, LogonWithoutProfileNameTakesTheOnlyProfileOrTheOrganisation) {
  const ULONG ui_flags = MAPI_EXTENDED | MAPI_LOGON_UI | MAPI_NO_MAIL;
  std::shared_ptr<IMAPISession> session;
  ASSERT_EQ(MAPILogonEx(0, "", "", ui_flags, &session), S_OK) << "both servers map to one store";
  std::shared_ptr<IAddrBook> ab;
  ASSERT_EQ(session->OpenAddressBook(0, nullptr, 0, &ab), S_OK);
  ADRLIST list{{ADRENTRY{{{PR_DISPLAY_NAME, std::string("Alice Archer")}}}}};
  EXPECT_EQ(ab->ResolveName(0, 0, "", &list), S_OK);
  EXPECT_EQ(MAPILogonEx(0, "", "", MAPI_EXTENDED | MAPI_NO_MAIL, &session), MAPI_E_LOGON_FAILED)
      << "without MAPI_LOGON_UI an empty name names no profile";

  ASSERT_EQ(CreateProfile("Only", "bob", "srv1"), S_OK);
  ASSERT_EQ(MAPILogonEx(0, "", "", ui_flags, &session), S_OK);
  std::shared_ptr<IMAPITable> stores;
  ASSERT_EQ(session->GetMsgStoresTable(0, &stores), S_OK);
  ASSERT_EQ(stores->SetColumns({PR_DISPLAY_NAME}, 0), S_OK);
  SRowSet rows;
  ASSERT_EQ(stores->QueryRows(1, 0, &rows), S_OK);
  ASSERT_EQ(rows.cRows(), 1u);
  EXPECT_EQ(*rows[0][0].String(), "Mailbox - Bob Baker") << "the only profile's mailbox";

  ASSERT_EQ(CreateProfile("Second", "alice", "srv1"), S_OK);
  EXPECT_EQ(MAPILogonEx(0, "", "", ui_flags, &session), MAPI_E_LOGON_FAILED)
      << "which of two is not ours to guess";
}

// An existing profile is reused by the agent; creating it again must fail so the agent can tell.
TEST_F(ProfileTest, ProfilesAreListedCreatedOnceAndDeleted) {
  ASSERT_EQ(CreateProfile("Caldrun", "Alice Archer", "SRV1"), S_OK);
  EXPECT_EQ(admin_->CreateProfile("Caldrun", "", 0, 0), MAPI_E_NO_ACCESS);
  std::shared_ptr<IMAPITable> table;
  ASSERT_EQ(admin_->GetProfileTable(0, &table), S_OK);
  SRowSet rows;
  ASSERT_EQ(HrQueryAllRows(table.get(), nullptr, nullptr, nullptr, 0, &rows), S_OK);
  ASSERT_EQ(rows.cRows(), 1u);
  EXPECT_EQ(*rows[0][0].String(), "Caldrun");
  EXPECT_EQ(admin_->DeleteProfile("Caldrun", 0), S_OK);
  EXPECT_EQ(admin_->DeleteProfile("Caldrun", 0), MAPI_E_NOT_FOUND);
  std::shared_ptr<IMAPISession> session;
  EXPECT_EQ(MAPILogonEx(0, "Caldrun", "", 0, &session), MAPI_E_LOGON_FAILED);
}

// The agent reports these codes and the extended error text; they must say what is wrong.
TEST_F(ProfileTest, ConfigureFailsForUnknownMailboxOrServer) {
  std::shared_ptr<IMsgServiceAdmin> svc;
  EXPECT_EQ(CreateProfile("p1", "nobody", "SRV1", &svc), MAPI_E_UNCONFIGURED);
  std::optional<MAPIERROR> err;
  ASSERT_EQ(svc->GetLastError(MAPI_E_UNCONFIGURED, 0, &err), S_OK);
  ASSERT_TRUE(err);
  EXPECT_NE(err->lpszError.find("could not be resolved"), std::string::npos) << ToString(*err);
  EXPECT_EQ(CreateProfile("p2", "alice", "NOSUCH"), MAPI_E_NETWORK_ERROR);
  std::shared_ptr<IMAPISession> session;
  EXPECT_EQ(MAPILogonEx(0, "p1", "", 0, &session), MAPI_E_UNCONFIGURED);
}

// Exchange 2007 and later need CONNECT_IGNORE_NO_PF in the global section.
TEST_F(ProfileTest, GlobalSectionKeepsConnectFlags) {
  std::shared_ptr<IMsgServiceAdmin> svc;
  ASSERT_EQ(CreateProfile("Caldrun", "alice", "SRV1", &svc), S_OK);
  std::shared_ptr<IProfSect> section;
  ASSERT_EQ(svc->OpenProfileSection(pbGlobalProfileSectionGuid, nullptr, MAPI_MODIFY, &section), S_OK);
  std::vector<SPropValue> values;
  SPropTagArray tags{PR_PROFILE_CONNECT_FLAGS};
  EXPECT_EQ(section->GetProps(&tags, 0, &values), MAPI_W_ERRORS_RETURNED);
  ASSERT_EQ(section->SetProps({{PR_PROFILE_CONNECT_FLAGS, static_cast<int32_t>(0x8002)}}, nullptr), S_OK);
  ASSERT_EQ(section->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
  std::shared_ptr<IProfSect> again;
  ASSERT_EQ(svc->OpenProfileSection(pbGlobalProfileSectionGuid, nullptr, 0, &again), S_OK);
  SPropValue v;
  ASSERT_EQ(HrGetOneProp(again.get(), PR_PROFILE_CONNECT_FLAGS, &v), S_OK);
  EXPECT_EQ(*v.Long(), 0x8002);
}

TEST_F(ProfileTest, NothingWorksBeforeInitialisation) {
  MAPIUninitialize();
  std::shared_ptr<IProfAdmin> admin;
  EXPECT_EQ(MAPIAdminProfiles(0, &admin), MAPI_E_NOT_INITIALIZED);
  MAPIINIT_0 init{MAPI_INIT_VERSION, 0, profiles_};
  EXPECT_EQ(MAPIInitialize(&init), S_OK);
}

TEST_F(ProfileTest, BrokenProfileFileIsReported) {
  std::ofstream(profiles_) << "{ not json";
  std::shared_ptr<IMAPITable> table;
  EXPECT_EQ(admin_->GetProfileTable(0, &table), MAPI_E_CALL_FAILED);
  std::optional<MAPIERROR> err;
  admin_->GetLastError(MAPI_E_CALL_FAILED, 0, &err);
  ASSERT_TRUE(err);
  EXPECT_NE(err->lpszError.find("profiles.json"), std::string::npos);
}

}  // namespace
}  // namespace korvale::mapi::testing
