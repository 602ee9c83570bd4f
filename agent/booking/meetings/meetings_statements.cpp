// Statement texts for table Meetings in the five dialects.
#include "agent/booking/meetings/meetings_statements.h"

#include "agent/database/shared_table.h"

namespace korvale {
namespace {

// The escape character of every LIKE pattern, in UTF-8.
constexpr std::string_view kEscape = "\xC2\xAC";

std::string Literal(const MeetingsScope& scope, const SYSTEMTIME& time) {
  return FormatDateLiteral(scope.date_format, time);
}

std::string InstanceCondition(const MeetingsScope& scope) {
  return "Reserved2='" + QuoteInstanceName(scope.instance_name, scope.dialect) + "'";
}

// A text the row holds, compared as stored. NULL never equals '', so a NULL
// is named with IS NULL; Oracle keeps every empty text as NULL.
bool StoredAsNull(std::string_view value, bool is_null, Dialect dialect) {
  return is_null || (value.empty() && dialect == Dialect::kOracle);
}

std::string EqualsStored(std::string_view column, std::string_view value, bool is_null, Dialect dialect) {
  if (StoredAsNull(value, is_null, dialect)) return "(" + std::string(column) + " IS NULL)";
  return "(" + std::string(column) + "='" + QuoteWholeForSql(value, dialect) + "')";
}

bool EscapesBrackets(Dialect dialect) { return dialect == Dialect::kSqlServer || dialect == Dialect::kMySql; }

}  // namespace

std::string LikePattern(std::string_view text, Dialect dialect) {
  if (dialect == Dialect::kAccess) return QuoteWholeForSql(text, dialect);
  std::string pattern;
  pattern.reserve(text.size() + 8);
  for (size_t i = 0; i < text.size(); ++i) {
    // The escape character itself is escaped too: Oracle refuses an escape
    // character that precedes anything but a wildcard or itself.
    if (text.substr(i, kEscape.size()) == kEscape) {
      pattern += kEscape;
      pattern += kEscape;
      i += kEscape.size() - 1;
      continue;
    }
    char c = text[i];
    bool wildcard =
        c == '%' || c == '_' || (EscapesBrackets(dialect) && (c == '[' || c == ']' || c == '^' || c == '-'));
    if (wildcard) pattern += kEscape;
    pattern += c;
  }
  return QuoteWholeForSql(pattern, dialect);
}

std::string LikeEscapeClause(Dialect dialect) {
  if (dialect == Dialect::kAccess) return {};
  return " ESCAPE '" + std::string(kEscape) + "'";
}

std::string SelectPendingMeetings(const MeetingsScope& scope) {
  std::string sql = "SELECT * FROM Meetings WHERE ";
  if (scope.shared) sql += InstanceCondition(scope) + " AND ";
  sql +=
      "((BookingStatus=1) OR (BookingStatus=3) OR (BookingStatus=4) OR (BookingStatus=5)) "
      "ORDER BY BookingStatus";
  return sql;
}

std::string SelectPersonalGroup(std::string_view group, std::string_view user, Dialect dialect) {
  std::string table = dialect == Dialect::kOracle ? "KRVGroups" : "Groups";
  return "SELECT * FROM " + table + " WHERE ((Name='" + QuoteForSql(group, 50, dialect) + "') AND (NTUser='" +
         QuoteForSql(user, 50, dialect) + "'))";
}

std::string UpdateMeetingsRow(const MeetingsScope& scope, const MeetingsRow& row,
                              const MeetingsRowUpdate& update) {
  const Dialect d = scope.dialect;
  // Every value of the WHERE clause names the row by its whole stored value:
  // a value cut at its column size would miss a row that holds more (its
  // apostrophes doubled), and the booking would be made again every cycle.
  std::string sql = "UPDATE Meetings SET BookingStatus = " + std::to_string(update.new_status) +
                    ", TimeBooked = " + Literal(scope, update.time_booked) + ", ACL = '" +
                    QuoteForSql(update.booking_text, 50, d) +
                    "' WHERE ((BookingStatus = " + std::to_string(row.booking_status) + ") AND " +
                    EqualsStored("Name", row.name, row.name_null, d) + " AND (" + StartColumn(d) + "=" +
                    Literal(scope, row.start) + ") AND (EndTime=" + Literal(scope, row.end) + ") AND " +
                    EqualsStored("Title", row.title, row.title_null, d) + " AND " +
                    EqualsStored("Office", row.office, row.office_null, d);
  if (StoredAsNull(row.attendees, row.attendees_null, d)) {
    sql += " AND (Attendees IS NULL)";
  } else {
    sql += " AND (Attendees LIKE '" + LikePattern(row.attendees, d) + "'" + LikeEscapeClause(d) + ")";
  }
  if (!row.location.empty()) sql += " AND (Location='" + QuoteWholeForSql(row.location, d) + "')";
  if (row.phone.find("$P$") != std::string::npos) {
    sql += " AND (Phone='" + QuoteWholeForSql(row.phone, d) + "')";
  }
  if (!row.acl.empty()) {
    sql += " AND (ACL LIKE '" + LikePattern(row.acl, d) + "'" + LikeEscapeClause(d) + ")";
  }
  if (!update.dl.empty()) sql += " AND (DL='" + QuoteWholeForSql(update.dl, d) + "')";
  if (!row.initials.empty()) sql += " AND (Initials='" + QuoteWholeForSql(row.initials, d) + "')";
  if (scope.shared) sql += " AND (" + InstanceCondition(scope) + ")";
  sql += ")";
  return sql;
}

std::string FinishRebookings(const MeetingsScope& scope) {
  std::string sql = "UPDATE Meetings SET BookingStatus = 2 WHERE";
  if (scope.shared) return sql + " ((BookingStatus = 5) AND (" + InstanceCondition(scope) + "))";
  return sql + " (BookingStatus = 5)";
}

std::string DeleteFinishedMeetings(const MeetingsScope& scope, bool by_end_time, const SYSTEMTIME& cut_off) {
  std::string finished = std::string("(BookingStatus = 4) OR (") + (by_end_time ? "EndTime" : "TimeBooked") +
                         " < " + Literal(scope, cut_off) + ")";
  if (scope.shared) {
    return "DELETE FROM Meetings WHERE ((" + InstanceCondition(scope) + ") AND (" + finished + "))";
  }
  return "DELETE FROM Meetings WHERE (" + finished + ")";
}

std::string SelectBookingNumbers(const MeetingsScope& scope) {
  std::string sql = "SELECT Office FROM Meetings";
  if (scope.shared) sql += " WHERE " + InstanceCondition(scope);
  return sql;
}

std::string SelectNewBookings(const MeetingsScope& scope) {
  std::string sql = "SELECT * FROM Meetings WHERE";
  if (scope.shared) return sql + " ((BookingStatus=1) AND (" + InstanceCondition(scope) + "))";
  return sql + " (BookingStatus=1)";
}

std::string SelectUserRow(std::string_view fill_table, std::string_view mailbox, Dialect dialect) {
  return "SELECT * FROM " + std::string(fill_table) + " WHERE (Status=9) AND (Name='" +
         QuoteForSql(mailbox, 50, dialect) + "')";
}

}  // namespace korvale
