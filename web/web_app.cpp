#include "web/web_app.h"

#include <strings.h>

#include "web/bookings.h"
#include "web/feed.h"
#include "web/html.h"
#include "web/pages.h"
#include "web/week_view.h"

namespace korvale::web {

namespace {

constexpr int kWeekDays = 7;

std::string Param(const FormFields& params, const std::string& name) {
  auto it = params.find(name);
  return it == params.end() ? "" : it->second;
}

bool StartsWith(const std::string& s, const std::string& prefix) { return s.rfind(prefix, 0) == 0; }

bool EndsWith(const std::string& s, const std::string& suffix) {
  return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

int HttpStatusOf(const Status& s) {
  int64_t code = s.code();
  return code >= 400 && code <= 599 ? static_cast<int>(code) : 500;
}

}  // namespace

struct WebApp::Context {
  std::string visitor;
  std::unique_ptr<SqlConnection> db;
  PublishedState state;
  std::vector<MemberRow> members;
  std::string notice;
};

WebApp::WebApp(Installation installation, Clock now)
    : installation_(std::move(installation)), now_(std::move(now)) {}

WebResponse WebApp::Page(const Context& c, int status, const std::string& title, const std::string& body) {
  WebResponse response;
  response.status = status;
  response.body = RenderPage({title, c.visitor, installation_.groups, c.notice}, body);
  return response;
}

WebResponse WebApp::Failure(const Context& c, int status, const std::string& title,
                            const std::string& message) {
  return Page(c, status, title, "<p class=\"error\" id=\"error\">" + Html(message) + "</p>");
}

WebResponse WebApp::Handle(const WebRequest& r) {
  Context c;
  c.visitor = r.visitor;
  auto db = ConnectDatabase(installation_);
  if (!db.ok()) return Failure(c, 503, "Calendar database unavailable", db.status().message());
  c.db = std::move(*db);
  PublishedCalendars published(*c.db, installation_);
  auto state = published.ReadState();
  if (!state.ok()) return Failure(c, 500, "Calendar database unreadable", state.status().message());
  c.state = std::move(*state);
  if (c.state.table.empty()) {
    c.notice = "Nothing has been published yet: the calendars appear after the agent's first cycle.";
  } else {
    auto members = published.Members(c.state.table);
    if (!members.ok()) return Failure(c, 500, "Calendar database unreadable", members.status().message());
    c.members = std::move(*members);
    if (c.state.cycle_running) {
      c.notice = "A cycle is publishing new calendars right now; this is the state published" +
                 (c.state.published_at ? " at " + FormatDateTime(*c.state.published_at) : std::string()) +
                 ".";
    }
  }

  const std::string& path = r.path;
  if (r.method == "GET" && path == "/") return GroupsPage(c);
  if (r.method == "GET" && StartsWith(path, "/group/")) {
    const std::string n = path.substr(7);
    if (!n.empty() && n.size() < 6 && n.find_first_not_of("0123456789") == std::string::npos) {
      size_t index = std::stoul(n);
      if (index >= 1 && index <= installation_.groups.size()) return GroupPage(c, r, index);
    }
  }
  if (r.method == "GET" && StartsWith(path, "/feeds/") && EndsWith(path, ".ics")) {
    return Feed(c, path.substr(7, path.size() - 11));
  }
  if (r.method == "POST" && path == "/book") return Book(c, r);
  if (StartsWith(path, "/booking/")) {
    std::string number = path.substr(9);
    if (r.method == "POST" && EndsWith(number, "/cancel"))
      return Cancel(c, number.substr(0, number.size() - 7));
    if (r.method == "GET" && number.find('/') == std::string::npos) return BookingPage(c, number);
  }
  return Failure(c, 404, "Not found", "There is no page " + path + ".");
}

PublishedWindow WebApp::Window(Day today) const {
  return WindowAround(today, installation_.settings.days_past, installation_.settings.days_ahead);
}

WebResponse WebApp::GroupsPage(Context& c) {
  return Page(c, 200, "Groups", GroupListBody(installation_.groups));
}

WebResponse WebApp::GroupPage(Context& c, const WebRequest& r, size_t index) {
  const std::string& group = installation_.groups[index - 1];
  if (c.state.table.empty()) return Page(c, 200, group, "<p>No calendars yet.</p>");
  const Day today = DayOf(now_());
  const PublishedWindow window = Window(today);
  const Day first = FirstShownDay(Param(r.params, "from"), today, window);
  std::vector<MemberRow> members;
  std::vector<std::string> names;
  for (const MemberRow& m : c.members) {
    if (m.InGroup(group)) {
      members.push_back(m);
      names.push_back(m.name);
    }
  }
  PublishedCalendars published(*c.db, installation_);
  auto rows = published.Rows(c.state.table, names, first, first + std::chrono::days{kWeekDays});
  if (!rows.ok()) return Failure(c, 500, group, rows.status().message());
  WeekView view = BuildWeek(first, kWeekDays, window, members, *rows, c.visitor, c.state);
  std::vector<std::string> rooms;
  for (const MemberRow& m : c.members) {
    if (RightsFor(c.visitor, m.acl, m.aclw, c.state.booking_restricted, c.state.can_book).book)
      rooms.push_back(m.name);
  }
  return Page(c, 200, group,
              WeekBody(view, index, group) + BookingFormBody(view, group, std::max(first, today), rooms));
}

WebResponse WebApp::Feed(Context& c, const std::string& name) {
  auto member =
      std::find_if(c.members.begin(), c.members.end(), [&](const MemberRow& m) { return m.name == name; });
  if (member == c.members.end())
    return Failure(c, 404, "Not found", "There is no published calendar " + name + ".");
  const SqlTimestamp now = now_();
  const Day today = DayOf(now);
  const PublishedWindow window = Window(today);
  PublishedCalendars published(*c.db, installation_);
  auto rows = published.Rows(c.state.table, {name}, window.first, window.last + std::chrono::days{1});
  if (!rows.ok()) return Failure(c, 500, name, rows.status().message());
  bool details = RightsFor(c.visitor, member->acl, member->aclw, false, {}).details;
  WebResponse response;
  response.content_type = "text/calendar; charset=utf-8";
  response.body = BuildFeed(name, ShowRows(*rows, details), now);
  return response;
}

WebResponse WebApp::Book(Context& c, const WebRequest& r) {
  auto request = ParseBookingForm(r.params);
  if (!request.ok()) return Failure(c, 400, "Booking refused", request.status().message());
  std::lock_guard<std::mutex> lock(booking_);
  Bookings bookings(*c.db, installation_);
  auto number = bookings.Book(*request, c.visitor, c.state, c.members, now_());
  if (!number.ok())
    return Failure(c, HttpStatusOf(number.status()), "Booking refused", number.status().message());
  WebResponse response;
  response.status = 303;
  response.location = "/booking/" + UrlEncode(*number);
  response.body = "Booked as " + Html(*number) + ".";
  return response;
}

WebResponse WebApp::BookingPage(Context& c, const std::string& number) {
  Bookings bookings(*c.db, installation_);
  auto found = bookings.Find(number);
  if (!found.ok()) return Failure(c, 500, "Booking " + number, found.status().message());
  if (!found->has_value()) {
    return Failure(
        c, 404, "Booking " + number,
        "There is no booking " + number + " (a cancelled booking is removed by the cycle that cancels it).");
  }
  const BookingInfo& b = **found;
  auto organizer = std::find_if(c.members.begin(), c.members.end(),
                                [&](const MemberRow& m) { return m.name == b.organizer; });
  bool own = !c.visitor.empty() && strcasecmp(c.visitor.c_str(), b.booked_by.c_str()) == 0;
  CalendarRights rights;
  if (organizer != c.members.end()) {
    rights =
        RightsFor(c.visitor, organizer->acl, organizer->aclw, c.state.booking_restricted, c.state.can_book);
  }
  bool open = b.booking_status == 1 || b.booking_status == 2 || b.booking_status == 5;
  return Page(c, 200, "Booking " + number,
              BookingBody(b, own || rights.details, open && (own || rights.book)));
}

WebResponse WebApp::Cancel(Context& c, const std::string& number) {
  std::lock_guard<std::mutex> lock(booking_);
  Bookings bookings(*c.db, installation_);
  Status done = bookings.Cancel(number, c.visitor, c.state, c.members);
  if (!done.ok()) return Failure(c, HttpStatusOf(done), "Cancellation refused", done.message());
  WebResponse response;
  response.status = 303;
  response.location = "/booking/" + UrlEncode(number);
  return response;
}

}  // namespace korvale::web
