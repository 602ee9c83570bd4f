#include "web/bookings.h"

#include <strings.h>
#include <algorithm>
#include <cstdio>
#include <random>

#include "web/access.h"
#include "web/sql_text.h"

namespace korvale::web {

namespace {

Status Refused(BookingRefusal code, std::string message) {
  return Status::Error(std::move(message), static_cast<int64_t>(code));
}

const MemberRow* FindMember(const std::vector<MemberRow>& members, const std::string& name) {
  auto it = std::find_if(members.begin(), members.end(), [&](const MemberRow& m) { return m.name == name; });
  return it == members.end() ? nullptr : &*it;
}

bool SameName(const std::string& a, const std::string& b) { return strcasecmp(a.c_str(), b.c_str()) == 0; }

// The mailbox names of an Attendees text, markers removed ("A;$R$Room$R$").
std::vector<std::string> RecipientNames(const std::string& text) {
  std::vector<std::string> names;
  size_t pos = 0;
  while (pos <= text.size()) {
    size_t cut = text.find(';', pos);
    std::string name = text.substr(pos, cut == std::string::npos ? std::string::npos : cut - pos);
    for (size_t m; (m = name.find("$R$")) != std::string::npos;) name.erase(m, 3);
    name.erase(0, name.find_first_not_of(' '));
    name.erase(name.find_last_not_of(' ') + 1);
    if (!name.empty()) names.push_back(name);
    if (cut == std::string::npos) break;
    pos = cut + 1;
  }
  return names;
}

std::string NewBookingNumber(const SqlTimestamp& now) {
  std::random_device random;
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "WEB-%04d%02d%02d%02d%02d%02d-%08x", now.year % 10000, now.month % 100,
                now.day % 100, now.hour % 100, now.minute % 100, now.second % 100, random());
  return buffer;
}

std::optional<SqlTimestamp> StartOf(const SqlRow& row) {
  if (auto t = row.Timestamp("Start")) return t;
  return row.Timestamp("StartTime");
}

}  // namespace

std::string BookingStatusText(int status) {
  switch (status) {
    case 1: return "waiting for the next cycle";
    case 2: return "booked";
    case 3: return "cancellation requested";
    case 4: return "cancelled";
    case 5: return "being booked again";
    default: return "unknown status " + std::to_string(status);
  }
}

Status Bookings::CheckRooms(const BookingRequest& request, const PublishedState& state) {
  if (request.rooms.empty()) return Status::Ok();
  PublishedCalendars published(db_, installation_);
  auto rows = published.Rows(state.table, request.rooms, DayOf(request.start),
                             DayOf(request.end) + std::chrono::days{1});
  if (!rows.ok()) return Refused(BookingRefusal::kDatabase, rows.status().message());
  for (const PublishedRow& r : *rows) {
    if (r.status != 0 && Overlaps(r.start, r.end, request.start, request.end)) {
      return Refused(BookingRefusal::kConflict, r.name + " is already busy from " + FormatDateTime(r.start) +
                                                    " to " + FormatTime(r.end) + ".");
    }
  }
  const std::string start = SqlStartColumn(installation_);
  auto pending = db_.Query(SqlStatement(
      "SELECT * FROM Meetings WHERE (((BookingStatus=1) OR (BookingStatus=2) OR (BookingStatus=5)) AND (" +
          start + " < " + SqlDate(request.end, installation_) + ") AND (EndTime > " +
          SqlDate(request.start, installation_) + "))",
      installation_));
  if (!pending.ok()) {
    return Refused(BookingRefusal::kDatabase, "Reading the pending bookings failed: " + pending.error().text);
  }
  for (const SqlRow& row : *pending) {
    auto s = StartOf(row);
    auto e = row.Timestamp("EndTime");
    if (!s || !e || !Overlaps(*s, *e, request.start, request.end)) continue;
    std::vector<std::string> names = RecipientNames(row.Text("Attendees").value_or(""));
    names.push_back(row.Text("Organizer").value_or(""));
    for (const std::string& room : request.rooms) {
      if (std::any_of(names.begin(), names.end(), [&](const std::string& n) { return SameName(n, room); })) {
        return Refused(BookingRefusal::kConflict, room + " is already booked from " + FormatDateTime(*s) +
                                                      " to " + FormatTime(*e) + " (booking " +
                                                      row.Text("Office").value_or("") + ").");
      }
    }
  }
  return Status::Ok();
}

Expected<std::string> Bookings::Book(const BookingRequest& r, const std::string& visitor,
                                     const PublishedState& state, const std::vector<MemberRow>& members,
                                     const SqlTimestamp& now) {
  if (state.table.empty()) return Refused(BookingRefusal::kConflict, "Nothing has been published yet.");
  if (visitor.empty()) return Refused(BookingRefusal::kForbidden, "Booking needs a signed-in account.");
  if (visitor.size() > 50)
    return Refused(BookingRefusal::kInvalid, "The account name is too long for a booking.");
  std::vector<std::string> calendars = {r.organizer};
  calendars.insert(calendars.end(), r.attendees.begin(), r.attendees.end());
  calendars.insert(calendars.end(), r.rooms.begin(), r.rooms.end());
  if (std::find(installation_.groups.begin(), installation_.groups.end(), r.group) ==
      installation_.groups.end()) {
    return Refused(BookingRefusal::kInvalid, "There is no group " + r.group + ".");
  }
  for (const std::string& name : calendars) {
    if (FindMember(members, name) == nullptr) {
      return Refused(BookingRefusal::kInvalid, name + " is not a published calendar.");
    }
  }
  std::vector<std::string> written_into = r.rooms;  // the calendars the booking is written into
  written_into.insert(written_into.begin(), r.organizer);
  for (const std::string& name : written_into) {
    const MemberRow* m = FindMember(members, name);
    if (!RightsFor(visitor, m->acl, m->aclw, state.booking_restricted, state.can_book).book) {
      return Refused(BookingRefusal::kForbidden,
                     visitor + " may not book into the calendar of " + name + ".");
    }
  }
  if (Status rooms = CheckRooms(r, state); !rooms.ok()) return rooms;

  std::string attendees;
  for (const auto& n : r.attendees) attendees += (attendees.empty() ? "" : ";") + n;
  for (const auto& n : r.rooms) attendees += (attendees.empty() ? "$R$" : ";$R$") + n + "$R$";
  const std::string number = NewBookingNumber(now);
  const std::string phone = std::to_string(r.reminder_minutes) + (r.is_private ? "$P$" : "");
  auto text = [&](const std::string& v) { return SqlText(v, installation_); };
  const bool shared = installation_.settings.new_db == 1;
  const std::string sql =
      "insert into Meetings (Name, " + SqlStartColumn(installation_) +
      ", EndTime, Title, Status, Location, Phone, Office, Initials, ACL, Category, DL, Organizer, Attendees, "
      "BookingStatus" +
      (shared ? ", Reserved2" : "") + ") values(" + text(visitor) + ", " + SqlDate(r.start, installation_) +
      ", " + SqlDate(r.end, installation_) + ", " + text(r.title) + ", 2, " + text(r.location) + ", " +
      text(phone) + ", " + text(number) + ", '', '', " + text(r.category) + ", " + text(r.group) + ", " +
      text(r.organizer) + ", " + text(attendees) + ", 1" +
      (shared ? ", " + text(installation_.instance) : "") + ")";
  auto done = db_.Execute(SqlStatement(sql, installation_));
  if (!done.ok())
    return Refused(BookingRefusal::kDatabase, "Writing the booking failed: " + done.error().text);
  return number;
}

Expected<std::optional<BookingInfo>> Bookings::Find(const std::string& number) {
  auto rows = db_.Query(SqlStatement(
      "SELECT * FROM Meetings WHERE (Office=" + SqlText(number, installation_) + ")", installation_));
  if (!rows.ok())
    return Refused(BookingRefusal::kDatabase, "Reading the booking failed: " + rows.error().text);
  if (rows->empty()) return std::optional<BookingInfo>();
  const SqlRow& row = rows->front();
  BookingInfo b;
  b.number = number;
  b.booked_by = row.Text("Name").value_or("");
  b.title = row.Text("Title").value_or("");
  b.location = row.Text("Location").value_or("");
  b.organizer = row.Text("Organizer").value_or("");
  b.attendees = row.Text("Attendees").value_or("");
  b.group = row.Text("DL").value_or("");
  b.start = StartOf(row).value_or(SqlTimestamp{});
  b.end = row.Timestamp("EndTime").value_or(SqlTimestamp{});
  b.time_booked = row.Timestamp("TimeBooked");
  b.booking_status = static_cast<int>(row.Int("BookingStatus").value_or(0));
  return std::optional<BookingInfo>(b);
}

Status Bookings::Cancel(const std::string& number, const std::string& visitor, const PublishedState& state,
                        const std::vector<MemberRow>& members) {
  auto found = Find(number);
  if (!found.ok()) return found.status();
  if (!found->has_value()) return Refused(BookingRefusal::kNotFound, "There is no booking " + number + ".");
  const BookingInfo& b = **found;
  const MemberRow* organizer = FindMember(members, b.organizer);
  bool allowed =
      !visitor.empty() &&
      (SameName(visitor, b.booked_by) ||
       (organizer &&
        RightsFor(visitor, organizer->acl, organizer->aclw, state.booking_restricted, state.can_book).book));
  if (!allowed)
    return Refused(BookingRefusal::kForbidden, "Only who booked it may cancel booking " + number + ".");
  if (b.booking_status != 1 && b.booking_status != 2 && b.booking_status != 5) {
    return Refused(BookingRefusal::kConflict,
                   "Booking " + number + " is " + BookingStatusText(b.booking_status) + ".");
  }
  // Status 1 too: a cycle that has already read the row books it and the next
  // one deletes it again; the agent only advances a row whose status it read.
  auto done = db_.Execute(
      SqlStatement("UPDATE Meetings SET BookingStatus = 3 WHERE ((Office=" + SqlText(number, installation_) +
                       ") AND ((BookingStatus = 1) OR (BookingStatus = 2) OR (BookingStatus = 5)))",
                   installation_));
  if (!done.ok())
    return Refused(BookingRefusal::kDatabase, "Requesting the cancellation failed: " + done.error().text);
  return Status::Ok();
}

}  // namespace korvale::web
