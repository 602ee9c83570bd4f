// Statement texts for table Meetings in the five dialects.
#include "agent/booking/meetings_statements.h"

namespace korvale {
namespace {

// The escape character of every LIKE pattern, in UTF-8.
constexpr std::string_view kEscape = "\xC2\xAC";

// Values the statement names exactly as stored: apostrophes doubled, never cut,
// so the comparison still finds the row.
std::string Whole(std::string_view value, Dialect dialect) {
  return QuoteForSql(value, 1024, dialect);
}

std::string Literal(const MeetingsScope& scope, const SYSTEMTIME& time) {
  return FormatDateLiteral(scope.date_format, time);
}

std::string InstanceCondition(const MeetingsScope& scope) {
  return "Reserved2='" + Whole(scope.instance_name, scope.dialect) + "'";
}

bool EscapesBrackets(Dialect dialect) {
  return dialect == Dialect::kSqlServer || dialect == Dialect::kMySql;
}

}  // namespace

std::string LikePattern(std::string_view text, Dialect dialect) {
  if (dialect == Dialect::kAccess) return QuoteForSql(text, 1024, dialect);
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
    bool wildcard = c == '%' || c == '_' ||
                    (EscapesBrackets(dialect) && (c == '[' || c == ']' || c == '^' || c == '-'));
    if (wildcard) pattern += kEscape;
    pattern += c;
  }
  return QuoteForSql(pattern, 1024, dialect);
}

std::string LikeEscapeClause(Dialect dialect) {
  if (dialect == Dialect::kAccess) return {};
  return " ESCAPE '" + std::string(kEscape) + "'";
}

std::string SelectPendingMeetings(const MeetingsScope& scope) {
  std::string sql = "SELECT * FROM Meetings WHERE ";
  if (scope.shared) sql += InstanceCondition(scope) + " AND ";
  sql += "((BookingStatus=1) OR (BookingStatus=3) OR (BookingStatus=4) OR (BookingStatus=5)) "
         "ORDER BY BookingStatus";
  return sql;
}

std::string SelectPersonalGroup(std::string_view group, std::string_view user, Dialect dialect) {
  std::string table = dialect == Dialect::kOracle ? "KRVGroups" : "Groups";
  return "SELECT * FROM " + table + " WHERE ((Name='" + QuoteForSql(group, 50, dialect) +
         "') AND (NTUser='" + QuoteForSql(user, 50, dialect) + "'))";
}

std::string UpdateMeetingsRow(const MeetingsScope& scope, const MeetingsRow& row,
                              const MeetingsRowUpdate& update) {
  const Dialect d = scope.dialect;
  std::string sql = "UPDATE Meetings SET BookingStatus = " + std::to_string(update.new_status) +
                    ", TimeBooked = " + Literal(scope, update.time_booked) + ", ACL = '" +
                    QuoteForSql(update.booking_text, 50, d) + "' WHERE ((BookingStatus = " +
                    std::to_string(row.booking_status) + ") AND (Name='" +
                    QuoteForSql(row.name, 50, d) + "') AND (" + StartColumn(d) + "=" +
                    Literal(scope, row.start) + ") AND (EndTime=" + Literal(scope, row.end) +
                    ") AND (Title='" + QuoteForSql(row.title, 250, d) + "') AND (Office='" +
                    Whole(row.office, d) + "')";
  sql += " AND (Attendees LIKE '" + LikePattern(row.attendees, d) + "'" + LikeEscapeClause(d) + ")";
  if (!row.location.empty()) sql += " AND (Location='" + QuoteForSql(row.location, 50, d) + "')";
  if (row.phone.find("$P$") != std::string::npos) {
    sql += " AND (Phone='" + Whole(row.phone, d) + "')";
  }
  if (!row.acl.empty()) {
    sql += " AND (ACL LIKE '" + LikePattern(row.acl, d) + "'" + LikeEscapeClause(d) + ")";
  }
  if (!update.dl.empty()) sql += " AND (DL='" + QuoteForSql(update.dl, 250, d) + "')";
  if (!row.initials.empty()) sql += " AND (Initials='" + Whole(row.initials, d) + "')";
  if (scope.shared) sql += " AND (" + InstanceCondition(scope) + ")";
  sql += ")";
  return sql;
}

std::string FinishRebookings(const MeetingsScope& scope) {
  std::string sql = "UPDATE Meetings SET BookingStatus = 2 WHERE";
  if (scope.shared) return sql + " ((BookingStatus = 5) AND (" + InstanceCondition(scope) + "))";
  return sql + " (BookingStatus = 5)";
}

std::string DeleteFinishedMeetings(const MeetingsScope& scope, bool by_end_time,
                                   const SYSTEMTIME& cut_off) {
  std::string finished = std::string("(BookingStatus = 4) OR (") +
                         (by_end_time ? "EndTime" : "TimeBooked") + " < " +
                         Literal(scope, cut_off) + ")";
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
