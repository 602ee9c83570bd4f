// The web front over the demo installation after real agent cycles: what two
// visitors with different rights see, the feeds as a calendar client parses
// them, and a booking made through the form followed through the next cycles
// into the mailboxes and out again. Runs on SQLite and on MariaDB.
#include <libical/ical.h>

#include <gtest/gtest.h>

#include <memory>

#include "tests/support/dates.h"
#include "web/calendar_date.h"
#include "web/web_demo_fixture.h"

namespace korvale::web {
namespace {

using korvale::testing::Backend;
using korvale::testing::DayFromToday;
using testing::WebDemoTest;

struct IcalFree {
  void operator()(icalcomponent* c) const { icalcomponent_free(c); }
};
using Ical = std::unique_ptr<icalcomponent, IcalFree>;

// The events of a feed as a calendar client reads them: summary per UID.
std::map<std::string, std::string> FeedEvents(const std::string& feed, int* events) {
  Ical calendar(icalparser_parse_string(feed.c_str()));
  EXPECT_NE(calendar, nullptr) << feed;
  std::map<std::string, std::string> by_uid;
  *events = 0;
  if (!calendar) return by_uid;
  for (icalcomponent* e = icalcomponent_get_first_component(calendar.get(), ICAL_VEVENT_COMPONENT);
       e != nullptr; e = icalcomponent_get_next_component(calendar.get(), ICAL_VEVENT_COMPONENT)) {
    ++*events;
    by_uid[icalcomponent_get_uid(e)] = icalcomponent_get_summary(e) ? icalcomponent_get_summary(e) : "";
  }
  return by_uid;
}

// The <tr> of one member on a group page.
std::string MemberRowHtml(const std::string& page, const std::string& name) {
  size_t start = page.find("<tr data-member=\"" + name + "\">");
  if (start == std::string::npos) return "";
  return page.substr(start, page.find("</tr>", start) - start);
}

class WebDemo : public WebDemoTest {
 protected:
  // Read-only checks over the state after one cycle (one cycle serves them all).
  void CheckGroupPages();
  void CheckFeeds();
  void CheckHostilePaths();
};

// Group pages for two visitors with different rights: details where the ACL
// names the visitor, busy blocks elsewhere.
void WebDemo::CheckGroupPages() {
  WebResponse home = Get("/", "DEMO\\david");
  ASSERT_EQ(home.status, 200) << home.body;
  EXPECT_NE(home.body.find("href=\"/group/1\">Staff<"), std::string::npos);
  EXPECT_NE(home.body.find("href=\"/group/2\">Rooms<"), std::string::npos);

  // Clara gave david (only) the right to read her calendar; anna's is open to everybody.
  WebResponse david = Get("/group/1", "DEMO\\david");
  WebResponse ben = Get("/group/1", "DEMO\\ben");
  ASSERT_EQ(david.status, 200) << david.body;
  ASSERT_EQ(ben.status, 200) << ben.body;
  EXPECT_NE(MemberRowHtml(david.body, "Clara Diaz").find("Design review"), std::string::npos);
  std::string clara_for_ben = MemberRowHtml(ben.body, "Clara Diaz");
  ASSERT_FALSE(clara_for_ben.empty()) << ben.body;
  EXPECT_EQ(clara_for_ben.find("Design review"), std::string::npos) << "ben is not in Clara's ACL";
  EXPECT_NE(clara_for_ben.find("appt busy"), std::string::npos) << "but sees the busy block";
  for (const std::string* page : {&david.body, &ben.body}) {
    std::string anna = MemberRowHtml(*page, "Anna Berg");
    EXPECT_NE(anna.find("Customer visit Alder AG"), std::string::npos);
    EXPECT_NE(anna.find("Alder AG, Zurich"), std::string::npos) << "the location is shown with the title";
    EXPECT_EQ(anna.find("Doctor"), std::string::npos) << "a private appointment stays private";
    EXPECT_NE(anna.find(">private<"), std::string::npos);
  }
  EXPECT_EQ(MemberRowHtml(david.body, "Felix Gray"), "") << "Felix is in the skip list of Staff";
  EXPECT_NE(david.body.find("Account Manager"), std::string::npos) << "the user rows' details down the side";

  // The week moves inside the published window only.
  WebResponse far = Get("/group/1?from=" + DayFromToday(400), "DEMO\\david");
  EXPECT_EQ(far.status, 200);
  EXPECT_EQ(far.body.find("data-day=\"" + DayFromToday(400) + "\""), std::string::npos);
  EXPECT_EQ(Get("/group/3", "DEMO\\david").status, 404);
}

// The feeds as a calendar client parses them, under the same rules.
void WebDemo::CheckFeeds() {
  WebResponse for_david = Get("/feeds/Clara Diaz.ics", "DEMO\\david");
  WebResponse for_ben = Get("/feeds/Clara Diaz.ics", "DEMO\\ben");
  ASSERT_EQ(for_david.status, 200) << for_david.body;
  EXPECT_EQ(for_david.content_type, "text/calendar; charset=utf-8");
  int david_events = 0, ben_events = 0;
  auto david = FeedEvents(for_david.body, &david_events);
  auto ben = FeedEvents(for_ben.body, &ben_events);
  EXPECT_GE(david_events, 2) << for_david.body;  // the design review and the board meeting
  EXPECT_EQ(static_cast<int>(david.size()), david_events) << "every UID is unique";
  EXPECT_EQ(ben_events, david_events) << "the same events, as busy blocks";
  bool review = false;
  for (const auto& [uid, summary] : david) review |= summary == "Design review";
  EXPECT_TRUE(review) << for_david.body;
  for (const auto& [uid, summary] : ben) {
    EXPECT_TRUE(david.count(uid)) << "UIDs do not depend on the visitor";
    EXPECT_TRUE(summary == "busy" || summary == "tentative" || summary == "out of office" ||
                summary == "free")
        << summary;
  }
  // A room door sign subscribes to its room.
  int atlas_events = 0;
  FeedEvents(Get("/feeds/Room Atlas.ics", "").body, &atlas_events);
  EXPECT_GE(atlas_events, 1);
  EXPECT_EQ(Get("/feeds/Nobody.ics", "DEMO\\david").status, 404);
}

TEST_P(WebDemo, AfterOneCyclePagesAndFeedsShowDetailsOnlyToVisitorsInTheAcl) {
  RunCycle("Korvale Update Service");
  CheckGroupPages();
  CheckFeeds();
  CheckHostilePaths();
}

TEST_P(WebDemo, ABookingThroughTheFormIsBookedByTheNextCycleAndCancelledByTheOneAfter) {
  RunCycle("Korvale Update Service");
  const std::string hostile = "<script>alert(\"x\")</script> O'Neil's \\\\share\\path; a,b";
  FormFields form = {{"group", "Rooms"},         {"organizer", "Emma Fischer"},
                     {"attendee", "Clara Diaz"}, {"room", "Room Atlas"},
                     {"date", DayFromToday(2)},  {"start", "16:00"},
                     {"end", "17:00"},           {"title", hostile},
                     {"location", "Room Atlas"}, {"reminder", "15"}};
  auto count = [&] { return Rows("SELECT * FROM Meetings").size(); };

  // A malformed form and a visitor without write rights write nothing.
  FormFields bad = form;
  bad.erase("end");
  bad.emplace("end", "15:00");
  WebResponse refused = Post("/book", bad, "DEMO\\emma");
  EXPECT_EQ(refused.status, 400);
  EXPECT_NE(refused.body.find("The end must be later than the start."), std::string::npos) << refused.body;
  EXPECT_EQ(Post("/book", form, "DEMO\\ben").status, 403) << "ben may not book into Emma's calendar";
  ASSERT_EQ(count(), 0u);

  WebResponse booked = Post("/book", form, "DEMO\\emma");
  ASSERT_EQ(booked.status, 303) << booked.body;
  const std::string number = booked.location.substr(std::string("/booking/").size());
  auto row = Rows("SELECT * FROM Meetings WHERE Office='" + number + "'");
  ASSERT_EQ(row.size(), 1u);
  EXPECT_EQ(row[0].Int("BookingStatus"), 1);
  EXPECT_EQ(row[0].Text("Title"), hostile) << "stored as typed";
  EXPECT_EQ(row[0].Text("Organizer"), "Emma Fischer");
  EXPECT_EQ(row[0].Text("Attendees"), "Clara Diaz;$R$Room Atlas$R$");
  EXPECT_EQ(row[0].Text("Name"), "DEMO\\emma");
  EXPECT_EQ(row[0].Text("Phone"), "15");

  // The room is taken by the pending booking: a second one is refused, nothing written.
  WebResponse second = Post("/book", form, "DEMO\\emma");
  EXPECT_EQ(second.status, 409);
  EXPECT_NE(second.body.find("Room Atlas is already booked from " + DayFromToday(2) + " 16:00 to 17:00"),
            std::string::npos)
      << second.body;
  // ... and by a published appointment: the design review takes Room Boreal.
  auto review = Rows("SELECT * FROM " + Active() + " WHERE Name='Room Boreal' AND Title='Design review'");
  ASSERT_EQ(review.size(), 1u);
  const SqlTimestamp taken_from = *review[0].Timestamp("Start"), taken_to = *review[0].Timestamp("EndTime");
  FormFields clash = form;
  clash.erase("room"), clash.erase("start"), clash.erase("end");
  clash.insert({{"room", "Room Boreal"}, {"start", FormatTime(taken_from)}, {"end", FormatTime(taken_to)}});
  WebResponse published_clash = Post("/book", clash, "DEMO\\emma");
  EXPECT_EQ(published_clash.status, 409);
  EXPECT_NE(published_clash.body.find("Room Boreal is already busy from " + FormatDateTime(taken_from) +
                                      " to " + FormatTime(taken_to)),
            std::string::npos)
      << published_clash.body;
  EXPECT_EQ(count(), 1u) << "refused bookings write nothing";

  RunCycle("Korvale Update Service");
  EXPECT_EQ(Rows("SELECT * FROM Meetings WHERE Office='" + number + "'")[0].Int("BookingStatus"), 2)
      << DescribeEvents();
  auto published = Rows("SELECT * FROM " + Active() + " WHERE KRVBookingNumber='" + number + "'");
  std::set<std::string> calendars;
  for (const SqlRow& r : published) calendars.insert(r.Text("Name").value_or(""));
  EXPECT_TRUE(calendars.count("Emma Fischer")) << "booked into the organizer's calendar\n"
                                               << DescribeEvents();
  WebResponse status = Get(booked.location, "DEMO\\emma");
  EXPECT_NE(status.body.find("data-status=\"2\">booked<"), std::string::npos) << status.body;

  // The hostile title is text on the page and in the feed.
  WebResponse page = Get("/group/2?from=" + DayFromToday(2), "DEMO\\emma");
  EXPECT_EQ(page.body.find("<script>"), std::string::npos);
  EXPECT_NE(page.body.find(
                "&lt;script&gt;alert(&quot;x&quot;)&lt;/script&gt; O&#39;Neil&#39;s \\\\share\\path; a,b"),
            std::string::npos)
      << page.body;
  WebResponse feed = Get("/feeds/Emma Fischer.ics", "DEMO\\emma");
  EXPECT_NE(feed.body.find("SUMMARY:<script>alert(\"x\")</script> O'Neil's \\\\\\\\share\\\\path\\; a\\,b"),
            std::string::npos)
      << feed.body;
  int events = 0;
  bool found = false;
  for (const auto& [uid, summary] : FeedEvents(feed.body, &events)) found |= summary == hostile;
  EXPECT_TRUE(found) << "the title parses back unchanged";

  // Cancelled by someone else: refused. By emma: status 3, then 4 in the next cycle.
  EXPECT_EQ(Post(booked.location + "/cancel", {}, "DEMO\\ben").status, 403);
  WebResponse cancel = Post(booked.location + "/cancel", {}, "DEMO\\emma");
  ASSERT_EQ(cancel.status, 303) << cancel.body;
  EXPECT_EQ(Rows("SELECT * FROM Meetings WHERE Office='" + number + "'")[0].Int("BookingStatus"), 3);
  RunCycle("Korvale Update Service");
  EXPECT_NE(DescribeEvents().find("UPDATE Meetings SET BookingStatus = 4"), std::string::npos)
      << DescribeEvents();
  EXPECT_TRUE(Rows("SELECT * FROM Meetings WHERE Office='" + number + "'").empty())
      << "a cancelled booking is removed by the cycle that cancels it";
  EXPECT_TRUE(Rows("SELECT * FROM " + Active() + " WHERE KRVBookingNumber='" + number + "'").empty())
      << "the appointments are gone from the calendars";
  EXPECT_EQ(Get(booked.location, "DEMO\\emma").status, 404);
}

TEST_P(WebDemo, WhileACycleFillsTheOtherTableThePagesShowTheLastPublishedState) {
  RunCycle("Korvale Update Service");
  const std::string active = Active();
  const std::string fill = active == "KorvaleTable1" ? "KorvaleTable2" : "KorvaleTable1";
  // What the next cycle does first: the fill table emptied, a new "$maintenance" row in it.
  Exec("DROP TABLE IF EXISTS " + fill);
  Exec("CREATE TABLE " + fill + " AS SELECT * FROM " + active + " WHERE Name='$maintenance'");
  Exec("UPDATE " + fill + " SET Start='2099-01-01 00:00:00' WHERE Name='$maintenance'");
  WebResponse page = Get("/group/1", "DEMO\\david");
  ASSERT_EQ(page.status, 200) << page.body;
  EXPECT_NE(page.body.find("A cycle is publishing new calendars right now; this is the state published at "),
            std::string::npos)
      << page.body;
  EXPECT_NE(page.body.find("Customer visit Alder AG"), std::string::npos) << "the published table is read";

  // The cycle published: no notice any more.
  Exec("UPDATE KorvaleConfig SET ActiveTable='" + fill + "'");
  page = Get("/group/1", "DEMO\\david");
  EXPECT_EQ(page.body.find("id=\"notice\""), std::string::npos) << page.body;
}

TEST_P(WebDemo, ADatabaseFailureIsAPageThatSaysWhatFailedNeverAHalfDrawnTable) {
  WebResponse before = Get("/group/1", "DEMO\\david");
  EXPECT_EQ(before.status, 200) << "a database the agent has not prepared yet is no failure";
  EXPECT_NE(before.body.find("Nothing has been published yet"), std::string::npos) << before.body;
  RunCycle("Korvale Update Service");
  const std::string active = Active();
  Exec("UPDATE KorvaleConfig SET ActiveTable='Meetings; DROP TABLE Meetings'");
  WebResponse bogus = Get("/group/1", "DEMO\\david");
  EXPECT_EQ(bogus.status, 500);
  EXPECT_NE(bogus.body.find(
                "KorvaleConfig names &quot;Meetings; DROP TABLE Meetings&quot;, which is not a calendar "
                "table."),
            std::string::npos)
      << bogus.body;
  EXPECT_EQ(bogus.body.find("<table"), std::string::npos);

  Exec("UPDATE KorvaleConfig SET ActiveTable='" + active + "'");
  Exec("DROP TABLE " + active);
  WebResponse gone = Get("/group/1", "DEMO\\david");
  EXPECT_EQ(gone.status, 500);
  EXPECT_NE(gone.body.find("Reading the marker rows of " + active + " failed: "), std::string::npos)
      << gone.body;
  EXPECT_EQ(gone.body.find("<table"), std::string::npos);
  EXPECT_EQ(Post("/book", {}, "DEMO\\emma").status, 500) << "nothing is booked against a broken database";
  EXPECT_FALSE(Rows("SELECT * FROM Meetings").size()) << "and nothing written";

  Exec("DROP TABLE KorvaleConfig");
  Exec("CREATE TABLE KorvaleConfig (Other int)");
  Exec("INSERT INTO KorvaleConfig (Other) VALUES (1)");
  WebResponse odd = Get("/", "DEMO\\david");
  EXPECT_EQ(odd.status, 500) << "a KorvaleConfig without ActiveTable is not \"nothing published\"";
  EXPECT_NE(odd.body.find("KorvaleConfig names &quot;&quot;"), std::string::npos) << odd.body;
}

TEST_P(WebDemo, WhereBookingIsRestrictedOnlyTheCanBookMeetingsAccountsBook) {
  RunCycle("Korvale Update Service");
  // The installation restricts booking; the cycle's marker rows name ben only.
  std::string ini = korvale::testing::ReadFileBytes(dir_.path() / "Caldrun.ini");
  ini.replace(ini.find("[Config]\r\n"), 10, "[Config]\r\nMBCustAttrBookMeetings=9\r\n");
  korvale::testing::WriteFileBytes(dir_.path() / "Caldrun.ini", ini);
  const std::string active = Active();
  Exec("INSERT INTO " + active +
       " (Start, EndTime, Name, Status) VALUES ('2026-01-01 00:00:00', "
       "'2026-01-01 00:00:00', '$canbookmeetings', 8)");
  const std::string ben = IsMariaDb() ? "'DEMO\\\\ben'" : "'DEMO\\ben'";  // a backslash literal per server
  Exec("INSERT INTO " + active +
       " (Start, EndTime, ACL, Status, Name) VALUES ('2026-01-01 00:00:00', "
       "'2026-01-01 00:00:00', " +
       ben + ", 8, '$canbookmeetings')");

  FormFields form = {{"group", "Staff"},        {"organizer", "Emma Fischer"},
                     {"date", DayFromToday(3)}, {"start", "08:00"},
                     {"end", "08:30"},          {"title", "Check"}};
  WebResponse emma = Post("/book", form, "DEMO\\emma");
  EXPECT_EQ(emma.status, 403) << "emma may write into her calendar but is not among the booking accounts";
  EXPECT_NE(emma.body.find("DEMO\\emma may not book into the calendar of Emma Fischer."), std::string::npos)
      << emma.body;
  EXPECT_EQ(Get("/group/1", "DEMO\\emma").body.find("<form class=\"book\""), std::string::npos)
      << "no form where nothing may be booked";
  EXPECT_EQ(Post("/book", form, "DEMO\\ben").status, 403) << "ben may book, but not into Emma's calendar";
  EXPECT_TRUE(Rows("SELECT * FROM Meetings").empty());

  Exec("UPDATE " + active + " SET ACL='Korvale_Any' WHERE ACL=" + ben);
  EXPECT_EQ(Post("/book", form, "DEMO\\emma").status, 303) << "everybody may book";
}

// Hostile names in paths are looked up, never executed or shown as markup.
void WebDemo::CheckHostilePaths() {
  EXPECT_EQ(Get("/feeds/Anna Berg' OR '1'='1.ics", "DEMO\\david").status, 404);
  EXPECT_EQ(Get("/booking/x' OR '1'='1", "DEMO\\david").status, 404);
  EXPECT_EQ(Get("/booking/x\\' OR 1=1 -- ", "DEMO\\david").status, 404)
      << "a backslash does not end the literal";
  EXPECT_EQ(Post("/booking/x' OR '1'='1/cancel", {}, "DEMO\\david").status, 404);
  WebResponse page = Get("/<b>", "DEMO\\<i>");
  EXPECT_EQ(page.status, 404);
  EXPECT_EQ(page.body.find("<b>"), std::string::npos);
  EXPECT_EQ(page.body.find("<i>"), std::string::npos);
}

TEST_P(WebDemo, InSharedTableModeABookingNamesTheAgentThatTakesIt) {
  // Every agent reads only the Meetings rows whose Reserved2 names it.
  std::string ini = korvale::testing::ReadFileBytes(dir_.path() / "Caldrun.ini");
  ini.replace(ini.find("[Config]\r\n"), 10, "[Config]\r\nNewDB=1\r\n");
  korvale::testing::WriteFileBytes(dir_.path() / "Caldrun.ini", ini);
  RunCycle("Korvale Update Service");
  WebResponse page = Get("/group/1", "DEMO\\david");
  ASSERT_EQ(page.status, 200) << page.body;
  EXPECT_NE(MemberRowHtml(page.body, "Anna Berg").find("Customer visit Alder AG"), std::string::npos)
      << page.body;
  EXPECT_EQ(page.body.find("id=\"notice\""), std::string::npos) << "no rotation, no cycle to wait for";

  FormFields form = {{"group", "Staff"},        {"organizer", "Emma Fischer"},
                     {"attendee", "Anna Berg"}, {"date", DayFromToday(4)},
                     {"start", "15:00"},        {"end", "15:45"},
                     {"title", "Shared"}};
  WebResponse booked = Post("/book", form, "DEMO\\emma");
  ASSERT_EQ(booked.status, 303) << booked.body;
  const std::string number = booked.location.substr(std::string("/booking/").size());
  auto row = Rows("SELECT * FROM Meetings WHERE Office='" + number + "'");
  ASSERT_EQ(row.size(), 1u);
  EXPECT_EQ(row[0].Text("Reserved2"), "Korvale Update Service");

  RunCycle("Korvale Update Service");
  EXPECT_EQ(Rows("SELECT * FROM Meetings WHERE Office='" + number + "'")[0].Int("BookingStatus"), 2)
      << DescribeEvents();
  EXPECT_FALSE(
      Rows("SELECT * FROM KorvaleTable1 WHERE Name='Emma Fischer' AND KRVBookingNumber='" + number + "'")
          .empty())
      << DescribeEvents();
}

INSTANTIATE_TEST_SUITE_P(Backends, WebDemo, ::testing::Values(Backend::kSqlite, Backend::kMariaDb),
                         korvale::testing::BackendName);

}  // namespace
}  // namespace korvale::web
