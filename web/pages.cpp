#include "web/pages.h"

#include "web/html.h"

namespace korvale::web {

namespace {

std::string MemberCell(const MemberRow& m) {
  std::string cell = "<th class=\"member\" scope=\"row\"><a href=\"/feeds/" + UrlEncode(m.name) +
                     ".ics\" title=\"iCalendar feed\">" + Html(m.name) + "</a>";
  for (const std::string* line : {&m.job_title, &m.department, &m.phone, &m.office}) {
    if (!line->empty()) cell += "<small>" + Html(*line) + "</small>";
  }
  return cell + "</th>";
}

std::string AppointmentBlock(const ShownAppointment& a) {
  std::string css = a.details ? "appt" : "appt busy";
  if (a.status == 0) css += " free";
  std::string block = "<div class=\"" + css + "\" data-uid=\"" + Html(a.uid) + "\"><span class=\"time\">" +
                      FormatTime(a.start) + "&ndash;" + FormatTime(a.end) + "</span>";
  if (a.details) {
    block += "<span class=\"title\">" + Html(a.title) + "</span>";
    if (!a.location.empty()) block += "<br><span class=\"location\">" + Html(a.location) + "</span>";
  } else {
    block += "<span class=\"title\">" + Html(StatusText(a.status)) + "</span>";
  }
  return block + "</div>";
}

std::string Options(const std::vector<MemberWeek>& members, bool bookable_only) {
  std::string options;
  for (const MemberWeek& m : members) {
    if (bookable_only && !m.rights.book) continue;
    options += "<option>" + Html(m.member.name) + "</option>";
  }
  return options;
}

}  // namespace

std::string GroupListBody(const std::vector<std::string>& groups) {
  if (groups.empty()) return "<p>The installation names no groups.</p>";
  std::string body = "<ul class=\"groups\">";
  for (size_t i = 0; i < groups.size(); ++i) {
    body += "<li><a href=\"/group/" + std::to_string(i + 1) + "\">" + Html(groups[i]) + "</a></li>";
  }
  return body + "</ul><p>Each name on a group page links to its iCalendar feed for subscribing.</p>";
}

std::string WeekBody(const WeekView& view, size_t group_index, const std::string& group) {
  const std::string base = "/group/" + std::to_string(group_index);
  std::string nav = "<nav class=\"weeks\">";
  if (view.has_previous) {
    nav += "<a rel=\"prev\" href=\"" + base + "?from=" + FormatDay(view.previous) + "\">&larr; earlier</a> ";
  }
  if (view.has_next)
    nav += "<a rel=\"next\" href=\"" + base + "?from=" + FormatDay(view.next) + "\">later &rarr;</a>";
  nav += "</nav>";
  std::string table = "<table class=\"week\" id=\"week\" data-group=\"" + Html(group) +
                      "\"><thead><tr><th class=\"member\">People and rooms</th>";
  for (Day d : view.days)
    table += "<th scope=\"col\" data-day=\"" + FormatDay(d) + "\">" + ShortDayName(d) + "</th>";
  table += "</tr></thead><tbody>";
  for (const MemberWeek& m : view.members) {
    table += "<tr data-member=\"" + Html(m.member.name) + "\">" + MemberCell(m.member);
    for (const auto& day : m.days) {
      table += "<td>";
      for (const ShownAppointment& a : day) table += AppointmentBlock(a);
      table += "</td>";
    }
    table += "</tr>";
  }
  if (view.members.empty()) table += "<tr><td colspan=\"8\">No published calendars in this group.</td></tr>";
  return nav + table + "</tbody></table>" + nav;
}

std::string BookingFormBody(const WeekView& view, const std::string& group, Day form_day,
                            const std::vector<std::string>& rooms) {
  std::string room_options;
  for (const std::string& room : rooms) room_options += "<option>" + Html(room) + "</option>";
  std::string organizers = Options(view.members, true);
  if (organizers.empty()) return "<p>You may not book into any calendar of this group.</p>";
  return "<h2>Book a meeting</h2><form class=\"book\" method=\"post\" action=\"/book\">"
         "<input type=\"hidden\" name=\"group\" value=\"" +
         Html(group) +
         "\">"
         "<label><span>Title</span> <input name=\"title\" required maxlength=\"250\"></label>"
         "<label><span>Date</span> <input type=\"date\" name=\"date\" required value=\"" +
         FormatDay(form_day) +
         "\"></label>"
         "<label><span>From</span> <input type=\"time\" name=\"start\" required value=\"09:00\"> to "
         "<input type=\"time\" name=\"end\" required value=\"10:00\"></label>"
         "<label><span>Organizer</span> <select name=\"organizer\">" +
         organizers +
         "</select></label>"
         "<label><span>Attendees</span> <select name=\"attendee\" multiple size=\"5\">" +
         Options(view.members, false) +
         "</select></label>"
         "<label><span>Rooms</span> <select name=\"room\" multiple size=\"4\">" +
         room_options +
         "</select></label>"
         "<label><span>Location</span> <input name=\"location\" maxlength=\"50\"></label>"
         "<label><span>Category</span> <input name=\"category\" maxlength=\"50\"></label>"
         "<label><span>Reminder (minutes)</span> <input name=\"reminder\" value=\"15\" size=\"5\"></label>"
         "<label><span>Private</span> <input type=\"checkbox\" name=\"private\" value=\"1\"></label>"
         "<button type=\"submit\">Book</button></form>";
}

std::string BookingBody(const BookingInfo& b, bool details, bool can_cancel) {
  std::string body = "<dl class=\"booking\"><dt>Status</dt><dd id=\"status\" data-status=\"" +
                     std::to_string(b.booking_status) + "\">" + Html(BookingStatusText(b.booking_status)) +
                     "</dd>"
                     "<dt>When</dt><dd>" +
                     FormatDateTime(b.start) + "&ndash;" + FormatTime(b.end) + "</dd>";
  if (details) {
    body += "<dt>Title</dt><dd>" + Html(b.title) + "</dd><dt>Location</dt><dd>" + Html(b.location) +
            "</dd><dt>Organizer</dt><dd>" + Html(b.organizer) + "</dd><dt>Attendees and rooms</dt><dd>" +
            Html(b.attendees) + "</dd><dt>Booked by</dt><dd>" + Html(b.booked_by) + "</dd>";
  }
  if (b.time_booked) body += "<dt>Taken by the agent</dt><dd>" + FormatDateTime(*b.time_booked) + "</dd>";
  body += "</dl>";
  if (can_cancel) {
    body += "<form method=\"post\" action=\"/booking/" + UrlEncode(b.number) +
            "/cancel\"><button type=\"submit\">Cancel this booking</button></form>";
  }
  return body;
}

}  // namespace korvale::web
