// The administration program's organisation file, appointments and commands.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "platform/mapi/calendar_named_props.h"
#include "platform/mapi/orgstore/org_store.h"
#include "tests/support/temp_dir.h"
#include "tools/orgadmin/commands.h"
#include "tools/orgadmin/org_file.h"

namespace korvale::orgadmin {
namespace {

using namespace mapi;

std::string Example() {
  const char* src = std::getenv("KORVALE_SOURCE_DIR");
  std::ifstream in(std::string(src ? src : ".") + "/tools/orgadmin/examples/small-org.json");
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

class OrgAdminTest : public ::testing::Test {
 protected:
  std::string Write(const std::string& name, const std::string& text) {
    korvale::testing::WriteFileBytes(dir_.path() / name, text);
    return dir_.File(name);
  }
  korvale::testing::TempDir dir_;
};

// The example in README.md must keep working.
TEST_F(OrgAdminTest, ExampleOrganisationIsCreatedWithItsAppointments) {
  std::string org = Write("org.json", Example());
  std::string store = dir_.File("org.db");
  std::ostringstream out;
  Status s = CreateOrganisation(store, org, out);
  ASSERT_TRUE(s.ok()) << s.message();
  EXPECT_NE(out.str().find("2 appointment(s)"), std::string::npos) << out.str();

  std::ostringstream list;
  ASSERT_TRUE(List(store, "mailboxes", "", list).ok());
  EXPECT_NE(list.str().find("room\troom1\tRoom One\t/o=Org/ou=Site/cn=Recipients/cn=room1\tSRV1"),
            std::string::npos)
      << list.str();

  std::shared_ptr<IMAPISession> session;
  ASSERT_EQ(orgstore::OpenOrgStoreSession(store, "", &session), S_OK);
  auto alice = OpenMailbox(*session, "alice");
  ASSERT_TRUE(alice.ok()) << alice.status().message();
  SPropTagArray ids;
  ASSERT_EQ(alice->calendar->GetIDsFromNames({MAPINAMEID::Id(PSETID_Appointment, kLidStart),
                                              MAPINAMEID::Id(PSETID_Appointment, kLidMeetingState)},
                                             0, &ids),
            S_OK);
  std::shared_ptr<IMAPITable> table;
  ASSERT_EQ(alice->calendar->GetContentsTable(0, &table), S_OK);
  SPropTagArray cols{PR_SUBJECT, CHANGE_PROP_TYPE(ids[0], PT_SYSTIME), CHANGE_PROP_TYPE(ids[1], PT_LONG),
                     PR_SENSITIVITY};
  SRowSet rows;
  ASSERT_EQ(HrQueryAllRows(table.get(), &cols, nullptr, nullptr, 0, &rows), S_OK);
  ASSERT_EQ(rows.cRows(), 2u) << ToString(rows);
  // 09:00 in Berlin summer time is 07:00 UTC.
  FILETIME expected = 0;
  std::string zone_struct;
  ASSERT_TRUE(ParseTime("2024-05-06T07:00Z", "", &expected, &zone_struct).ok());
  EXPECT_EQ(rows[0][1].FileTime()->ft, expected);
  EXPECT_EQ(*rows[0][3].Long(), 2);
  EXPECT_EQ(*rows[1][2].Long(), 1) << "the organizer's meeting";
  // Bob and the room hold accepted copies.
  for (const char* who : {"bob", "room1"}) {
    auto box = OpenMailbox(*session, who);
    ASSERT_TRUE(box.ok());
    SPropTagArray their;
    ASSERT_EQ(box->calendar->GetIDsFromNames({MAPINAMEID::Id(PSETID_Appointment, kLidMeetingState)},
                                             MAPI_CREATE, &their),
              S_OK);
    ASSERT_EQ(box->calendar->GetContentsTable(0, &table), S_OK);
    SPropTagArray c{PR_SUBJECT, CHANGE_PROP_TYPE(their[0], PT_LONG), PR_SENT_REPRESENTING_NAME};
    ASSERT_EQ(HrQueryAllRows(table.get(), &c, nullptr, nullptr, 0, &rows), S_OK);
    ASSERT_EQ(rows.cRows(), 1u) << who;
    EXPECT_EQ(*rows[0][1].Long(), 3);
    EXPECT_EQ(*rows[0][2].String(), "Alice Archer");
  }
}

// Every mistake is reported with file and entry, and the store stays empty.
TEST_F(OrgAdminTest, FileErrorsNameFileAndEntryAndChangeNothing) {
  std::string org = Write("bad.json", R"({
    "organisation": "Org",
    "servers": [ { "name": "SRV1" } ],
    "mailboxes": [ { "alias": "x", "name": "X", "server": "SRV1", "custom": { "16": "no" } } ],
    "appointments": [ { "mailbox": "x", "start": "2024-05-06 09:00", "end": "yesterday" } ],
    "permissions": [ { "mailbox": "x", "rights": "Boss" } ]
  })");
  std::ostringstream out;
  Status s = CreateOrganisation(dir_.File("org.db"), org, out);
  ASSERT_FALSE(s.ok());
  const std::string& m = s.message();
  EXPECT_NE(m.find("bad.json: servers[0]: \"site\" is missing"), std::string::npos) << m;
  EXPECT_NE(m.find("bad.json: mailboxes[0]: custom attribute \"16\""), std::string::npos) << m;
  EXPECT_NE(m.find("bad.json: appointments[0]: start: \"2024-05-06 09:00\" is a local time but no \"zone\""),
            std::string::npos)
      << m;
  EXPECT_NE(m.find("bad.json: appointments[0]: end: \"yesterday\""), std::string::npos) << m;
  EXPECT_NE(m.find("bad.json: permissions[0]: \"rights\""), std::string::npos) << m;
  Status broken = CreateOrganisation(dir_.File("org.db"), Write("broken.json", "{ \"organisation\": "), out);
  EXPECT_EQ(broken.message(), dir_.File("broken.json") + ": not valid JSON");
}

// An appointment that cannot be written undoes the whole organisation.
TEST_F(OrgAdminTest, FailingAppointmentRollsBackEverything) {
  std::string text = Example();
  text.replace(text.find("\"attendees\": [\"bob\"]"), std::string("\"attendees\": [\"bob\"]").size(),
               "\"attendees\": [\"Zed Nobody\"]");
  std::string store = dir_.File("org.db");
  std::ostringstream out;
  Status s = CreateOrganisation(store, Write("org.json", text), out);
  ASSERT_FALSE(s.ok());
  EXPECT_NE(
      s.message().find("org.json: appointments[1]: the attendee \"Zed Nobody\" is not in the directory"),
      std::string::npos)
      << s.message();
  auto org = mapi::orgstore::OrgStore::Open(store, mapi::orgstore::OpenMode::kExisting);
  ASSERT_TRUE(org.ok());
  EXPECT_TRUE((*org)->ListRecipients()->empty());
}

TEST(OrgAdminParsing, TimesAndRights) {
  FILETIME utc = 0, local = 0;
  std::string zone_struct;
  ASSERT_TRUE(ParseTime("2024-01-15T08:00Z", "", &utc, &zone_struct).ok());
  EXPECT_TRUE(zone_struct.empty());
  ASSERT_TRUE(ParseTime("2024-01-15 09:00", "W. Europe Standard Time", &local, &zone_struct).ok());
  EXPECT_EQ(local, utc) << "winter time is one hour ahead of UTC";
  EXPECT_EQ(zone_struct.size(), 48u);
  EXPECT_FALSE(ParseTime("2024-02-30T08:00Z", "", &utc, &zone_struct).ok());
  EXPECT_FALSE(ParseTime("2024-01-15 09:00", "Nowhere Time", &utc, &zone_struct).ok());
  ULONG rights = 0;
  ASSERT_TRUE(ParseRights("Reviewer", &rights));
  EXPECT_EQ(rights, ROLE_REVIEWER);
  ASSERT_TRUE(ParseRights("0x401", &rights));
  EXPECT_EQ(rights, 0x401u);
  EXPECT_FALSE(ParseRights("12abc", &rights));
}

// What the agent's notifications deliver is visible with "inbox".
TEST_F(OrgAdminTest, InboxShowsDeliveredMail) {
  std::string store = dir_.File("org.db");
  std::ostringstream out;
  ASSERT_TRUE(CreateOrganisation(store, Write("org.json", Example()), out).ok());
  std::shared_ptr<IMAPISession> session;
  ASSERT_EQ(orgstore::OpenOrgStoreSession(store, "", &session), S_OK);
  auto svc = OpenMailbox(*session, "svc-korvale");
  ASSERT_TRUE(svc.ok());
  std::shared_ptr<IMessage> msg;
  ASSERT_EQ(svc->inbox->CreateMessage(nullptr, 0, &msg), S_OK);
  ASSERT_EQ(msg->SetProps({{PR_MESSAGE_CLASS, std::string("IPM.Note")},
                           {PR_SUBJECT, std::string("Booked")},
                           {PR_BODY, std::string("Start: 9:00")},
                           {PR_DELETE_AFTER_SUBMIT, true}},
                          nullptr),
            S_OK);
  std::shared_ptr<IAddrBook> ab;
  session->OpenAddressBook(0, nullptr, 0, &ab);
  ADRLIST to{{ADRENTRY{
      {{PR_DISPLAY_NAME, std::string("Alice Archer")}, {PR_RECIPIENT_TYPE, static_cast<int32_t>(MAPI_TO)}}}}};
  ASSERT_EQ(ab->ResolveName(0, 0, "", &to), S_OK);
  ASSERT_EQ(msg->ModifyRecipients(MODRECIP_ADD, to), S_OK);
  ASSERT_EQ(msg->SubmitMessage(0), S_OK);
  std::ostringstream inbox;
  ASSERT_TRUE(ShowInbox(store, "alice", true, inbox).ok());
  EXPECT_NE(inbox.str().find("1 message(s) in the Inbox of Alice Archer"), std::string::npos) << inbox.str();
  EXPECT_NE(inbox.str().find("from Korvale Service [IPM.Note] Booked"), std::string::npos) << inbox.str();
  EXPECT_NE(inbox.str().find("body: Start: 9:00"), std::string::npos) << inbox.str();
}

// After "register" the agent's profile logon reaches the store by server name.
TEST_F(OrgAdminTest, RegisterMapsServersForProfileLogon) {
  std::string store = dir_.File("org.db");
  std::ostringstream out;
  ASSERT_TRUE(CreateOrganisation(store, Write("org.json", Example()), out).ok());
  std::string profiles = dir_.File("profiles.json");
  ASSERT_TRUE(RegisterServers(store, profiles, out).ok());
  MAPIINIT_0 init{MAPI_INIT_VERSION, 0, profiles};
  ASSERT_EQ(MAPIInitialize(&init), S_OK);
  std::shared_ptr<IProfAdmin> admin;
  ASSERT_EQ(MAPIAdminProfiles(0, &admin), S_OK);
  ASSERT_EQ(admin->CreateProfile("Caldrun", "", 0, 0), S_OK);
  std::shared_ptr<IMsgServiceAdmin> svc;
  ASSERT_EQ(admin->AdminServices("Caldrun", "", 0, 0, &svc), S_OK);
  ASSERT_EQ(svc->CreateMsgService("MSEMS", "Microsoft Exchange", 0, 0), S_OK);
  std::shared_ptr<IMAPITable> t;
  ASSERT_EQ(svc->GetMsgServiceTable(0, &t), S_OK);
  SRowSet rows;
  ASSERT_EQ(HrQueryAllRows(t.get(), nullptr, nullptr, nullptr, 0, &rows), S_OK);
  MAPIUID uid{};
  std::copy_n(rows[0][2].Binary()->begin(), 16, uid.begin());
  ASSERT_EQ(svc->ConfigureMsgService(uid, 0, 0,
                                     {{PR_PROFILE_UNRESOLVED_NAME, std::string("svc-korvale")},
                                      {PR_PROFILE_UNRESOLVED_SERVER, std::string("SRV1")}}),
            S_OK);
  std::shared_ptr<IMAPISession> session;
  EXPECT_EQ(MAPILogonEx(0, "Caldrun", "", MAPI_NT_SERVICE | MAPI_NO_MAIL | MAPI_EXTENDED, &session), S_OK);
  session.reset();
  admin.reset();
  svc.reset();
  MAPIUninitialize();
}

}  // namespace
}  // namespace korvale::orgadmin
