// The instance name in shared-table mode: every row an agent writes carries
// it in KRVService, and every statement that marks, finds or deletes the
// agent's rows compares it. A name with an apostrophe or a backslash must
// reach the table as it is, and no name may reach other agents' rows.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "agent/core/agent_process_fixture.h"

namespace korvale {
namespace {

using testing::AgentProcessTest;
using testing::Backend;
using testing::DayFromToday;

std::string Organisation() {
  const std::string day = DayFromToday(1);
  return R"({
  "organisation": "Org", "zone": "UTC",
  "servers": [ { "name": "SRV1", "site": "Site" } ],
  "domains": [ { "name": "CORP", "sid": "S-1-5-21-7-8-9", "controllers": ["\\\\DC1"] } ],
  "accounts": [ { "domain": "CORP", "name": "anna" } ],
  "mailboxes": [
    { "alias": "svc", "name": "Service", "server": "SRV1" },
    { "alias": "anna", "name": "Anna Berg", "server": "SRV1", "account": "CORP\\anna" },
    { "alias": "ben", "name": "Ben Carter", "server": "SRV1" } ],
  "appointments": [
    { "mailbox": "anna", "subject": "Visit", "start": ")" +
         day + R"( 10:00", "end": ")" + day + R"( 11:00" },
    { "mailbox": "anna", "subject": "Call", "start": ")" +
         day + R"( 15:00", "end": ")" + day + R"( 15:30" },
    { "mailbox": "ben", "subject": "Review", "start": ")" +
         day + R"( 14:00", "end": ")" + day + R"( 15:00" } ]
})";
}

// The apostrophe and the backslash of a name an administrator may well choose.
const char kQuotedName[] = "O'Brien\\Calendars";
// A name made to widen every condition it is pasted into.
const char kCraftedName[] = "Z') OR ('1'='1";

class InstanceNameCycleTest : public AgentProcessTest {
 protected:
  void SetUp() override {
    AgentProcessTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    CreateOrganisation(Organisation());
    WriteIni(
        "NewDB=1\r\nMBCustAttrBookMeetings=3\r\nDL1=Anna Berg;Ben Carter\r\nGroup1=Team\r\n"
        "Server1=SRV1\r\nLogonServer=SRV1\r\nLogonMailbox=Service\r\nDaysPast=5\r\nDaysAhead=30\r\n",
        "[Server1]\r\nDS=" + DsnName() +
            "\r\n[Group1]\r\nAddr1=/o=Org/ou=Site/cn=Recipients/cn=anna\r\n"
            "Addr2=/o=Org/ou=Site/cn=Recipients/cn=ben\r\n");
  }

  // "Name/Title" of every row of the shared table, per KRVService value.
  std::map<std::string, std::multiset<std::string>> RowsByAgent() {
    std::map<std::string, std::multiset<std::string>> out;
    for (const auto& row : Rows("SELECT Name, Title, KRVService FROM KorvaleTable1")) {
      out[row.Text("KRVService").value_or("<NULL>")].insert(row.Text("Name").value_or("") + "/" +
                                                            row.Text("Title").value_or(""));
    }
    return out;
  }

  // Rows of one agent after a complete cycle: its marker rows, two user rows
  // (Title: the SMTP address, empty here) and three appointments.
  static std::multiset<std::string> OneAgentsRows() {
    return {"$maintenance/",   "$canbookmeetings/", "Anna Berg/",       "Ben Carter/",
            "Anna Berg/Visit", "Anna Berg/Call",    "Ben Carter/Review"};
  }

  // Statement failures of the cycles so far (fill table, user rows, reads).
  std::string StatementFailures() {
    std::string out;
    for (uint32_t id : {111u, 112u, 119u, 120u, 121u}) {
      for (const auto& e : Events(id)) out += std::to_string(id) + ": " + e.texts.back() + "\n";
    }
    return out;
  }
};

// The agent finds its own rows again: a second cycle confirms them instead of
// adding a second set, and the marker rows stay one each.
TEST_P(InstanceNameCycleTest, NameWithApostropheAndBackslashKeepsItsRows) {
  RunCycle(kQuotedName);
  RunCycle(kQuotedName);
  EXPECT_EQ(StatementFailures(), "");
  auto rows = RowsByAgent();
  EXPECT_EQ(rows[kQuotedName], OneAgentsRows()) << DescribeEvents();
  EXPECT_EQ(rows.size(), 1u) << "every row carries the name as it is";
  EXPECT_EQ(Active(), "KorvaleTable1");
}

// A second agent on the same table keeps its rows whatever the first is named:
// its clean-up statements name only its own rows.
TEST_P(InstanceNameCycleTest, CraftedNameLeavesOtherAgentsRowsAlone) {
  RunCycle("Korvale Other");
  ASSERT_EQ(RowsByAgent()["Korvale Other"], OneAgentsRows()) << DescribeEvents();
  RunCycle(kCraftedName);
  RunCycle(kCraftedName);
  auto rows = RowsByAgent();
  EXPECT_EQ(rows["Korvale Other"], OneAgentsRows()) << "the other agent's rows are untouched";
  EXPECT_EQ(rows[kCraftedName], OneAgentsRows()) << DescribeEvents();
  EXPECT_EQ(StatementFailures(), "");
  // The other agent's next cycle still finds exactly its own rows.
  RunCycle("Korvale Other");
  EXPECT_EQ(RowsByAgent()["Korvale Other"], OneAgentsRows());
}

INSTANTIATE_TEST_SUITE_P(Backends, InstanceNameCycleTest,
                         ::testing::Values(Backend::kSqlite, Backend::kMariaDb), testing::BackendName);

}  // namespace
}  // namespace korvale
