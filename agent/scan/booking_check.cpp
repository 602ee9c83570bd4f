// The booked-meeting check of an item's booking number.
#include "agent/scan/booking_check.h"

#include <optional>

#include "agent/database/shared_table.h"
#include "agent/scan/item_values.h"
#include "common/agent_log.h"
#include "common/list_split.h"
#include "common/text.h"
#include "platform/tz/tz.h"

namespace korvale {
namespace {

constexpr std::string_view kBlanks = " \t\r\n";
// "$R$" and the Windows-1252 marker 0xA3 'R' 0xA3, in its UTF-8 form and as the raw bytes.
constexpr std::string_view kResourceMarkers[] = {"$R$", "\xC2\xA3R\xC2\xA3", "\xA3R\xA3"};

// Midnight ends are read as 23:59 of the day before, as the row writer writes them.
SYSTEMTIME NormalisedEnd(const SYSTEMTIME& end) {
  if (end.wHour != 0 || end.wMinute != 0 || end.wSecond != 0) return end;
  return tz::AddMinutes(end, -1).value_or(end);
}

bool SameTime(const std::optional<SqlTimestamp>& stored, const SYSTEMTIME& time) {
  return stored && stored->year == time.wYear && stored->month == time.wMonth && stored->day == time.wDay &&
         stored->hour == time.wHour && stored->minute == time.wMinute && stored->second == time.wSecond;
}

SYSTEMTIME FromTimestamp(const SqlTimestamp& t) {
  SYSTEMTIME time;
  time.wYear = static_cast<uint16_t>(t.year);
  time.wMonth = static_cast<uint16_t>(t.month);
  time.wDay = static_cast<uint16_t>(t.day);
  time.wHour = static_cast<uint16_t>(t.hour);
  time.wMinute = static_cast<uint16_t>(t.minute);
  time.wSecond = static_cast<uint16_t>(t.second);
  return time;
}

bool Contains(const std::vector<std::string>& names, std::string_view name) {
  for (const std::string& candidate : names) {
    if (SameName(candidate, name)) return true;
  }
  return false;
}

bool AttendeesMatch(const SqlRow& row, const BookedItemView& item, const std::string& organizer) {
  std::vector<std::string> booked;
  if (!organizer.empty()) booked.push_back(organizer);
  for (const std::string& part : SplitSemicolonList(row.Text("Attendees").value_or(""))) {
    std::string name = BookingName(part);
    if (!name.empty()) booked.push_back(std::move(name));
  }
  std::vector<std::string> shown;
  for (const std::string& attendee : item.attendees) {
    std::string name = std::string(Trim(attendee, kBlanks));
    if (name.empty()) continue;
    if (!Contains(booked, name)) return false;  // someone added in Outlook
    shown.push_back(std::move(name));
  }
  if (!item.is_meeting) return true;
  for (const std::string& name : booked) {
    if (SameName(name, organizer) || SameName(name, item.mailbox_name)) continue;
    if (!Contains(shown, name)) return false;  // someone removed in Outlook
  }
  return true;
}

}  // namespace

std::string BookingName(std::string_view name) {
  std::string text(name);
  for (std::string_view marker : kResourceMarkers) {
    for (size_t at = text.find(marker); at != std::string::npos; at = text.find(marker, at)) {
      text.erase(at, marker.size());
    }
  }
  return std::string(Trim(text, kBlanks));
}

bool BookedRowMatches(const SqlRow& row, const BookedItemView& item, Dialect dialect) {
  const std::optional<SqlTimestamp> start = row.Timestamp(StartColumn(dialect));
  if (!SameTime(start, item.start)) return false;
  const std::optional<SqlTimestamp> end = row.Timestamp("EndTime");
  if (!end || !(NormalisedEnd(FromTimestamp(*end)) == NormalisedEnd(item.end))) return false;
  if (row.Text("Title").value_or("") != item.subject) return false;
  const std::optional<int64_t> status = row.Int("Status");
  if (!status || *status != item.busy_status) return false;
  if (Trim(row.Text("Location").value_or(""), kBlanks) != Trim(item.location, kBlanks)) return false;
  const bool booked_private = row.Text("Phone").value_or("").find("$P$") != std::string::npos;
  if (booked_private != item.private_item) return false;
  const std::string category = row.Text("Category").value_or("");
  if ((category.empty() ? std::string() : "//" + category + "//") != item.categories) return false;

  const std::string organizer = BookingName(row.Text("Organizer").value_or(""));
  const bool no_invitation = SameName(Trim(row.Text("Initials").value_or(""), kBlanks), "no invitation");
  const std::string shown_organizer = BookingName(item.organizer);
  if (!no_invitation && !shown_organizer.empty() && !SameName(shown_organizer, organizer)) return false;
  return AttendeesMatch(row, item, organizer);
}

std::string CheckBookingNumber(Database& db, std::string_view instance_name,
                               const std::string& booking_number, const BookedItemView& item) {
  std::string sql = "SELECT * FROM Meetings WHERE (BookingStatus=2) AND Office='" +
                    QuoteWholeForSql(booking_number, db.dialect()) + "'";
  if (db.settings().table_mode == TableMode::kShared) {
    sql += " AND Reserved2='" + QuoteInstanceName(instance_name, db.dialect()) + "'";
  }
  SqlResult<std::vector<SqlRow>> rows = db.Query(sql);
  if (!rows.ok()) {
    db.log().LogEvent(EventType::kError, event_id::kRecords,
                      "ReadMeetingsTable: General Error reading / updating records while checking for OL "
                      "modifications");
    return booking_number;
  }
  for (const SqlRow& row : *rows) {
    if (BookedRowMatches(row, item, db.dialect())) return booking_number;
  }
  return {};
}

}  // namespace korvale
