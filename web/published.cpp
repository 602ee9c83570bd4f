#include "web/published.h"

#include <strings.h>
#include <algorithm>

#include "web/sql_text.h"

namespace korvale::web {

namespace {

std::string TextOf(const SqlRow& row, const char* column) { return row.Text(column).value_or(""); }

MemberRow ToMember(const SqlRow& row) {
  MemberRow m;
  m.name = TextOf(row, "Name");
  m.email = TextOf(row, "Title");
  m.phone = TextOf(row, "Phone");
  m.office = TextOf(row, "Office");
  m.department = TextOf(row, "Department");
  m.job_title = TextOf(row, "ProfTitle");
  m.acl = TextOf(row, "ACL");
  m.aclw = TextOf(row, "ACLw");
  m.groups = TextOf(row, "DL");
  return m;
}

std::optional<SqlTimestamp> StartOf(const SqlRow& row) {
  if (auto t = row.Timestamp("Start")) return t;
  return row.Timestamp("StartTime");
}

std::string Hex(const std::vector<uint8_t>& bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out;
  for (uint8_t b : bytes) {
    out += kDigits[b >> 4];
    out += kDigits[b & 15];
  }
  // BINARY(160) pads with zeros.
  while (out.size() >= 2 && out.compare(out.size() - 2, 2, "00") == 0) out.resize(out.size() - 2);
  return out;
}

std::optional<PublishedRow> ToAppointment(const SqlRow& row) {
  auto start = StartOf(row);
  auto end = row.Timestamp("EndTime");
  if (!start || !end) return std::nullopt;  // not a date-time: nothing to place
  PublishedRow r;
  r.name = TextOf(row, "Name");
  r.start = *start;
  r.end = *end;
  r.title = TextOf(row, "Title");
  r.status = static_cast<int>(row.Int("Status").value_or(2));
  r.location = TextOf(row, "Location");
  r.category = TextOf(row, "Category");
  r.organizer = TextOf(row, "Organizer");
  r.attendees = TextOf(row, "Attendees");
  r.booking_number = TextOf(row, "KRVBookingNumber");
  if (auto id = row.Binary("ApptID"); id && !row.IsNull("ApptID")) r.appt_id = Hex(*id);
  return r;
}

// "Base table or view not found" (42S02), or SQLite's driver, which reports
// every failure as HY000 and says it in the text.
bool IsMissingTable(const SqlError& e) {
  return e.sql_state == "42S02" || e.text.find("no such table") != std::string::npos;
}

}  // namespace

bool MemberRow::InGroup(const std::string& group) const {
  return groups.find("//" + group + "//") != std::string::npos;
}

std::string CalendarTableName(const std::string& value) {
  std::string head = value.substr(0, 13);
  for (const char* name : {"KorvaleTable1", "KorvaleTable2"}) {
    if (strcasecmp(head.c_str(), name) == 0) return name;
  }
  return "";
}

Expected<std::optional<SqlTimestamp>> PublishedCalendars::MaintenanceTime(const std::string& table,
                                                                          bool must_exist) {
  auto rows = db_.Query(SqlStatement(
      "SELECT * FROM " + table + " WHERE ((Status=8) AND (Name='$maintenance'))", installation_));
  if (!rows.ok()) {
    if (!must_exist) return std::optional<SqlTimestamp>();  // the other table may not exist yet
    return Status::Error("Reading the marker rows of " + table + " failed: " + rows.error().text);
  }
  std::optional<SqlTimestamp> latest;
  for (const SqlRow& row : *rows) {
    auto t = StartOf(row);
    if (t && (!latest || MinutesOf(*t) * 60 + t->second > MinutesOf(*latest) * 60 + latest->second))
      latest = t;
  }
  return latest;
}

Expected<PublishedState> PublishedCalendars::ReadState() {
  PublishedState state;
  auto config = db_.Query("SELECT * FROM KorvaleConfig");
  if (!config.ok()) {
    // No KorvaleConfig table: the agent has not prepared this database yet.
    // Any other failure is one.
    if (IsMissingTable(config.error())) return state;
    return Status::Error("Reading KorvaleConfig failed: " + config.error().text);
  }
  if (config->empty()) return state;
  const std::string stored = config->front().Text("ActiveTable").value_or("");
  state.table = CalendarTableName(stored);
  if (state.table.empty()) {
    return Status::Error("KorvaleConfig names \"" + stored + "\", which is not a calendar table.");
  }
  auto published = MaintenanceTime(state.table, true);
  if (!published.ok()) return published.status();
  state.published_at = *published;
  if (installation_.settings.new_db != 1) {
    auto other = MaintenanceTime(state.table == "KorvaleTable1" ? "KorvaleTable2" : "KorvaleTable1", false);
    if (!other.ok()) return other.status();
    state.cycle_running =
        other->has_value() &&
        (!state.published_at || MinutesOf(**other) * 60 + (*other)->second >
                                    MinutesOf(*state.published_at) * 60 + state.published_at->second);
  }
  state.booking_restricted = installation_.settings.mb_cust_attr_book_meetings > 0;
  if (state.booking_restricted) {
    auto rows = db_.Query(SqlStatement(
        "SELECT * FROM " + state.table + " WHERE ((Status=8) AND (Name='$canbookmeetings'))", installation_));
    if (!rows.ok()) {
      return Status::Error("Reading who may book from " + state.table + " failed: " + rows.error().text);
    }
    for (const SqlRow& row : *rows) state.can_book.push_back(TextOf(row, "ACL"));
  }
  return state;
}

Expected<std::vector<MemberRow>> PublishedCalendars::Members(const std::string& table) {
  auto rows = db_.Query(SqlStatement("SELECT * FROM " + table + " WHERE (Status=9)", installation_));
  if (!rows.ok())
    return Status::Error("Reading the people and rooms of " + table + " failed: " + rows.error().text);
  std::vector<MemberRow> members;
  for (const SqlRow& row : *rows) members.push_back(ToMember(row));
  std::sort(members.begin(), members.end(),
            [](const MemberRow& a, const MemberRow& b) { return a.name < b.name; });
  // Shared-table mode may hold one user row per agent for the same mailbox.
  members.erase(std::unique(members.begin(), members.end(),
                            [](const MemberRow& a, const MemberRow& b) { return a.name == b.name; }),
                members.end());
  return members;
}

Expected<std::vector<PublishedRow>> PublishedCalendars::Rows(const std::string& table,
                                                             const std::vector<std::string>& names, Day from,
                                                             Day to) {
  std::vector<PublishedRow> result;
  if (names.empty()) return result;
  std::string in;
  for (const std::string& name : names) {
    in += (in.empty() ? "" : ", ") + SqlText(name, installation_);
  }
  const std::string start = SqlStartColumn(installation_);
  const std::string sql = "SELECT * FROM " + table + " WHERE ((Status<>8) AND (Status<>9) AND (" + start +
                          " < " + SqlDate(AtMinute(to, 0), installation_) +
                          ") AND (EndTime >= " + SqlDate(AtMinute(from, 0), installation_) +
                          ") AND (Name IN (" + in + ")))";
  auto rows = db_.Query(SqlStatement(sql, installation_));
  if (!rows.ok())
    return Status::Error("Reading the appointments of " + table + " failed: " + rows.error().text);
  for (const SqlRow& row : *rows) {
    if (auto appointment = ToAppointment(row)) result.push_back(std::move(*appointment));
  }
  std::stable_sort(result.begin(), result.end(), [](const PublishedRow& a, const PublishedRow& b) {
    return MinutesOf(a.start) < MinutesOf(b.start);
  });
  return result;
}

}  // namespace korvale::web
