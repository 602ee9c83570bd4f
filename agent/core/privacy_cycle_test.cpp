// Who sees what after a whole cycle: the mailbox custom attributes that hide
// a calendar's details (MailboxCustomAttribute, ReverseSecurityLogic), name a
// security group (MBCustAttrSecGroup) or allow booking (MBCustAttrBookMeetings),
// and the access lists of the user rows. These decide what the web pages show
// and to whom, so each is checked in the published rows.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "agent/core/agent_process_fixture.h"
#include "common/list_split.h"

namespace korvale {
namespace {

using testing::AgentProcessTest;
using testing::Backend;
using testing::DayFromToday;

// Anna's attributes: 5 "1" (hide details), 7 a security group, 9 "1" (may
// book). Ben has only 8 "1" (may book). Dora's attribute 5 is "yes", which
// is not "1".
std::string Organisation() {
  const std::string day = DayFromToday(1);
  return R"({
  "organisation": "Org", "zone": "UTC",
  "servers": [ { "name": "SRV1", "site": "Site" } ],
  "domains": [ { "name": "CORP", "sid": "S-1-5-21-7-8-9", "controllers": ["\\\\DC1"] } ],
  "accounts": [ { "domain": "CORP", "name": "anna" }, { "domain": "CORP", "name": "ben" },
                { "domain": "CORP", "name": "dora" } ],
  "mailboxes": [
    { "alias": "svc", "name": "Service", "server": "SRV1" },
    { "alias": "anna", "name": "Anna Berg", "server": "SRV1", "smtp": "anna@x.example", "account": "CORP\\anna",
      "custom": { "5": "1", "7": "Sales Managers", "9": "1" } },
    { "alias": "ben", "name": "Ben Carter", "server": "SRV1", "smtp": "ben@x.example", "account": "CORP\\ben",
      "custom": { "8": "1" } },
    { "alias": "dora", "name": "Dora Ek", "server": "SRV1", "smtp": "dora@x.example", "account": "CORP\\dora",
      "custom": { "5": "yes" } } ],
  "permissions": [ { "mailbox": "anna", "member": "Default", "rights": "Author" },
                   { "mailbox": "ben", "member": "Default", "rights": "None" },
                   { "mailbox": "ben", "member": "anna", "rights": "Editor" },
                   { "mailbox": "dora", "member": "Default", "rights": "Reviewer" },
                   { "mailbox": "dora", "member": "ben", "rights": "Reviewer" } ],
  "appointments": [
    { "mailbox": "anna", "subject": "Budget", "start": ")" +
         day + R"( 10:00", "end": ")" + day + R"( 11:00",
      "location": "Room 1", "categories": ["Finance"], "attendees": ["ben"] },
    { "mailbox": "ben", "subject": "Review", "start": ")" +
         day + R"( 14:00", "end": ")" + day + R"( 15:00",
      "location": "Lab", "categories": ["Team"], "attendees": ["anna"] },
    { "mailbox": "dora", "subject": "Plan", "start": ")" +
         day + R"( 09:00", "end": ")" + day + R"( 09:30",
      "location": "Desk", "categories": ["Own"], "attendees": ["anna"] } ]
})";
}

const char kGroups[] =
    "DL1=Anna Berg;Ben Carter;Dora Ek\r\nGroup1=Team\r\nGroup1SetTZ=UTC\r\nServer1=SRV1\r\n"
    "LogonServer=SRV1\r\nLogonMailbox=Service\r\nDaysPast=5\r\nDaysAhead=30\r\n";

std::string Sections(const std::string& dsn) {
  return "[Server1]\r\nDS=" + dsn +
         "\r\n[Group1]\r\nAddr1=/o=Org/ou=Site/cn=Recipients/cn=anna\r\n"
         "Addr2=/o=Org/ou=Site/cn=Recipients/cn=ben\r\nAddr3=/o=Org/ou=Site/cn=Recipients/cn=dora\r\n";
}

// What a published appointment row shows of its meeting.
struct Shown {
  std::string title, location, category, organizer, attendees;
};

class PrivacyCycleTest : public AgentProcessTest {
 protected:
  void SetUp() override {
    AgentProcessTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    CreateOrganisation(Organisation());
  }
  void Cycle(const std::string& config) {
    WriteIni(config + kGroups, Sections(DsnName()));
    RunCycle("Korvale Test");
  }
  // The appointment row of `mailbox` starting at `hour` in the published
  // table (attendees' calendars hold the meetings they are invited to as well).
  Shown Appointment(const std::string& mailbox, int hour) {
    std::vector<SqlRow> found;
    const std::string sql =
        "SELECT * FROM " + Active() + " WHERE Status<>9 AND Status<>8 AND Name='" + mailbox + "'";
    for (auto& row : Rows(sql)) {
      auto start = row.Timestamp("Start");
      if (start && start->hour == hour) found.push_back(std::move(row));
    }
    EXPECT_EQ(found.size(), 1u) << mailbox << " at " << hour << "\n" << DescribeEvents();
    if (found.empty()) return {};
    auto text = [&](const char* column) { return found[0].Text(column).value_or(""); };
    return {text("Title"), text("Location"), text("Category"), text("Organizer"), text("Attendees")};
  }
  std::string UserRowReserved3(const std::string& mailbox) {
    auto rows = Rows("SELECT Reserved3 FROM " + Active() + " WHERE Status=9 AND Name='" + mailbox + "'");
    EXPECT_EQ(rows.size(), 1u) << mailbox;
    return rows.empty() ? "<no row>" : rows[0].Text("Reserved3").value_or("");
  }
  std::string UserAcl(const std::string& mailbox, const char* column) {
    auto rows = Rows("SELECT * FROM " + Active() + " WHERE Status=9 AND Name='" + mailbox + "'");
    EXPECT_EQ(rows.size(), 1u) << mailbox;
    return rows.empty() ? "<no row>" : rows[0].Text(column).value_or("");
  }
  static void ExpectHidden(const Shown& s, const std::string& who) {
    EXPECT_EQ(s.title, "") << who << ": a hidden mailbox publishes no subject";
    EXPECT_EQ(s.location, "") << who << ": nor a location";
    EXPECT_EQ(s.category, "") << who << ": nor categories (NoCategoryForMinSecurityUsers)";
    EXPECT_EQ(s.organizer, "") << who << ": nor the organizer (NoOrganizerForMinSecurityUsers)";
    EXPECT_EQ(s.attendees, "") << who << ": nor attendees (NoAttendeesForMinSecurityUsers)";
  }
  static void ExpectShown(const Shown& s, const std::string& who, const std::string& title,
                          const std::string& location, const std::string& category) {
    EXPECT_EQ(s.title, title) << who << ": an open mailbox publishes its subject";
    EXPECT_EQ(s.location, location) << who;
    EXPECT_EQ(s.category, category) << who;
    EXPECT_NE(s.organizer, "") << who;
    EXPECT_NE(s.attendees, "") << who;
  }
};

const char kHideAll[] =
    "NoCategoryForMinSecurityUsers=1\r\nNoOrganizerForMinSecurityUsers=1\r\n"
    "NoAttendeesForMinSecurityUsers=1\r\n";

// Attribute 5 = "1" hides Anna's details; Ben (no attribute) and Dora ("yes")
// are published in full.
TEST_P(PrivacyCycleTest, MailboxCustomAttributeHidesOnlyTheMarkedMailbox) {
  Cycle(std::string("MailboxCustomAttribute=5\r\n") + kHideAll);
  ExpectHidden(Appointment("Anna Berg", 10), "Anna");
  ExpectShown(Appointment("Ben Carter", 14), "Ben", "Review", "Lab", "//Team//");
  ExpectShown(Appointment("Dora Ek", 9), "Dora", "Plan", "Desk", "//Own//");
}

// The reverse logic hides every mailbox that is not marked "1": Ben (no
// attribute) and Dora ("yes"), while Anna is published in full.
TEST_P(PrivacyCycleTest, ReverseSecurityLogicHidesTheUnmarkedMailboxes) {
  Cycle(std::string("MailboxCustomAttribute=5\r\nReverseSecurityLogic=1\r\n") + kHideAll);
  ExpectShown(Appointment("Anna Berg", 10), "Anna", "Budget", "Room 1", "//Finance//");
  ExpectHidden(Appointment("Ben Carter", 14), "Ben");
  ExpectHidden(Appointment("Dora Ek", 9), "Dora");
}

// Reserved3 carries the security group to the user row and every appointment
// row; the accounts allowed to book come from the marked mailboxes only.
TEST_P(PrivacyCycleTest, SecurityGroupAndBookingAccountsFromTheAttributes) {
  Cycle("MBCustAttrSecGroup=7\r\nMBCustAttrBookMeetings=9\r\n");
  EXPECT_EQ(UserRowReserved3("Anna Berg"), "Sales Managers");
  auto rows =
      Rows("SELECT Reserved3 FROM " + Active() + " WHERE Status<>9 AND Status<>8 AND Name='Anna Berg'");
  ASSERT_FALSE(rows.empty());
  for (const auto& row : rows) {
    EXPECT_EQ(row.Text("Reserved3"), "Sales Managers") << "appointment rows carry the owner's group";
  }
  EXPECT_EQ(UserRowReserved3("Ben Carter"), "");

  // Anna's calendar lets everybody create items: the owner alone is collected.
  auto marker = Rows("SELECT ACL FROM " + Active() +
                     " WHERE Status=8 AND Name='$canbookmeetings' AND ACL IS NOT NULL AND ACL<>''");
  ASSERT_EQ(marker.size(), 1u) << DescribeEvents();
  EXPECT_EQ(marker[0].Text("ACL"), "CORP\\anna") << "only the mailbox marked \"1\" may book";
}

// A mailbox marked for booking whose calendar names its writers adds them all.
TEST_P(PrivacyCycleTest, BookingAccountsOfACalendarWithNamedWriters) {
  Cycle("MBCustAttrBookMeetings=8\r\n");
  auto marker = Rows("SELECT ACL FROM " + Active() +
                     " WHERE Status=8 AND Name='$canbookmeetings' AND ACL IS NOT NULL AND ACL<>''");
  ASSERT_EQ(marker.size(), 1u) << DescribeEvents();
  const std::vector<std::string> accounts = SplitSemicolonList(marker[0].Text("ACL").value_or(""));
  EXPECT_EQ(std::set<std::string>(accounts.begin(), accounts.end()),
            (std::set<std::string>{"CORP\\anna", "CORP\\ben"}))
      << "Ben's writers (Anna) and Ben himself";
}

// The Windows accounts cannot be read (the logon server names no directory;
// the profile of the previous cycle still logs on): the permission tables are
// read all the same. A default entry needs no account and still gives
// "Korvale_Any"; each named member is reported and left out.
TEST_P(PrivacyCycleTest, UnreadableAccountDirectoryStillPublishesEverybody) {
  Cycle("");
  ASSERT_EQ(UserAcl("Ben Carter", "ACL"), "CORP\\anna; CORP\\ben") << "with the directory";
  Cycle("LogonServer=SRV9\r\nRecreateMAPIProfile=0\r\n");
  bool reported = false;
  for (const auto& e : Events(137)) {
    reported |=
        e.texts.size() > 1 && e.texts[1].rfind("The Windows accounts of server SRV9 cannot be read", 0) == 0;
  }
  EXPECT_TRUE(reported) << DescribeEvents();
  EXPECT_EQ(UserAcl("Anna Berg", "ACL"), "Korvale_Any") << "everybody may read: no account needed";
  EXPECT_EQ(UserAcl("Anna Berg", "ACLw"), "Korvale_Any");
  EXPECT_EQ(UserAcl("Dora Ek", "ACL"), "Korvale_Any");
  EXPECT_EQ(UserAcl("Ben Carter", "ACL"), "") << "named members cannot be resolved";
  std::set<std::string> left_out;
  for (const auto& e : Events(145)) {
    if (e.texts.size() > 2) left_out.insert(e.texts[2]);
  }
  EXPECT_TRUE(left_out.count("Anna Berg")) << "each member left out is reported\n" << DescribeEvents();
  EXPECT_TRUE(left_out.count("Ben Carter")) << "the owner too";
}

INSTANTIATE_TEST_SUITE_P(Backends, PrivacyCycleTest, ::testing::Values(Backend::kSqlite, Backend::kMariaDb),
                         testing::BackendName);

}  // namespace
}  // namespace korvale
