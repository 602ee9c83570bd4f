// Statement texts of the appointment row writer.
#include "agent/scan/row_statements.h"

#include <charconv>

#include "agent/database/shared_table.h"

namespace korvale {
namespace {

constexpr char kFixedColumns[] =
    "EndTime, Name, Title, Status, Location, Phone, ACL, Category, DL, Organizer, Datasource, "
    "TimeDifference, Alias, Department, Reserved3, KRVBookingNumber";

// Puts a value that is already escaped for the statement between apostrophes.
std::string InApostrophes(std::string_view text) { return "'" + std::string(text) + "'"; }

// Custom field columns are named by the settings; MySQL quotes identifiers with back-ticks.
std::string CustomFieldColumn(const RowStatementContext& ctx, std::string_view name) {
  const char* quote = ctx.dialect == Dialect::kMySql ? "`" : "\"";
  return std::string(", ") + quote + QuoteForSql(name, 50, ctx.dialect) + quote;
}

std::string ApptIdValue(Dialect dialect, std::string_view id) {
  switch (dialect) {
    case Dialect::kSqlServer: return "CONVERT(BINARY(160), '" + std::string(id) + "')";
    case Dialect::kMySql: return "CONVERT('" + std::string(id) + "',BINARY(160))";
    default: return InApostrophes(id);  // Access, Oracle and SQLite take the text as it is
  }
}

std::string KeyCondition(const RowStatementContext& ctx, const MeetingRow& row, const RowLiterals& at) {
  const char* start_column = ctx.dialect == Dialect::kOracle ? "STARTTIME" : "Start";
  return "((ApptID='" + row.appt_id + "') AND (Name='" + row.name + "') AND (" + start_column + "=" +
         at.start + ") AND (EndTime=" + at.end + ") AND (KRVService='" +
         QuoteInstanceName(ctx.instance_name, ctx.dialect) + "'))";
}

}  // namespace

std::string FixedSix(double value) {
  char buffer[400];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
  if (result.ec != std::errc()) return "0.000000";
  return std::string(buffer, result.ptr);
}

std::string InsertStatement(const RowStatementContext& ctx, const MeetingRow& row, const RowLiterals& at,
                            bool shared_table) {
  const bool contact_company = ctx.settings.get_contact_company != 0;
  std::string columns =
      ctx.dialect == Dialect::kOracle
          ? "insert " + ctx.settings.oracle_hint + " into " + std::string(ctx.table) + " (StartTime, "
          : "insert into " + std::string(ctx.table) + " (Start, ";
  columns += kFixedColumns;
  // Every row of a cycle is built here: the values are appended in place
  // rather than through a chain of temporary strings.
  std::string values;
  values.reserve(512);
  auto quoted = [&values](std::string_view text) {
    values += ", '";
    values += text;
    values += '\'';
  };
  values += " values(";
  values += at.start;
  values += ", ";
  values += at.end;
  quoted(row.name);
  quoted(row.subject);
  values += ", ";
  values += std::to_string(row.status);
  quoted(row.location);
  quoted(row.phone);
  quoted(row.acl);
  quoted(row.category);
  quoted(row.dl);
  quoted(row.organizer);
  quoted(row.datasource);
  values += ", ";
  values += FixedSix(row.time_difference);
  quoted(row.alias);
  quoted(row.department);
  quoted(row.reserved3);
  quoted(row.booking_number);
  if (shared_table) {
    columns += ", ApptID, KRVUpdate";
    values += ", " + ApptIdValue(ctx.dialect, row.appt_id) + ", 0";
  }
  if (!row.attendees.empty()) {
    columns += ", Attendees";
    quoted(row.attendees);
  }
  if (contact_company) {
    columns += ", ContactCompanyName";
    quoted(row.contact_company);
  }
  if (shared_table) {
    columns += ", KRVService";
    quoted(QuoteInstanceName(ctx.instance_name, ctx.dialect));
  }
  columns += ", ACLw";
  quoted(row.aclw);
  const std::vector<std::string>& names = ctx.settings.custom_field_names;
  for (size_t i = 0; i < names.size(); ++i) {
    // The table has no column for an empty name, so neither has the statement.
    if (names[i].empty()) continue;
    columns += CustomFieldColumn(ctx, names[i]);
    if (i < row.custom_field_values.size()) values += ", " + row.custom_field_values[i];
  }
  columns += ctx.extra_columns;
  columns += ')';
  values += row.extra_values;
  values += ')';
  return columns + values;
}

std::string LookupStatement(const RowStatementContext& ctx, const MeetingRow& row, const RowLiterals& at) {
  return "SELECT * FROM " + std::string(ctx.table) + " WHERE " + KeyCondition(ctx, row, at);
}

std::string ConfirmStatement(const RowStatementContext& ctx, const MeetingRow& row, const RowLiterals& at) {
  return "UPDATE " + std::string(ctx.table) + " SET KRVUpdate = 0 WHERE " + KeyCondition(ctx, row, at);
}

std::string FullUpdateStatement(const RowStatementContext& ctx, const MeetingRow& row,
                                const RowLiterals& at) {
  std::string sql =
      "UPDATE " + std::string(ctx.table) + " SET Title = " + InApostrophes(row.subject) +
      ", Status = " + std::to_string(row.status) + ", Location = " + InApostrophes(row.location) +
      ", Phone = " + InApostrophes(row.phone) + ", ACL = " + InApostrophes(row.acl) +
      ", Category = " + InApostrophes(row.category) + ", DL = " + InApostrophes(row.dl) +
      ", Organizer = " + InApostrophes(row.organizer) +
      // Attendees is compared, so it is written too: otherwise a change of the
      // attendees alone would rewrite the row every cycle without ever reaching it.
      ", Attendees = " + InApostrophes(row.attendees) + ", Datasource = " + InApostrophes(row.datasource) +
      ", TimeDifference = " + FixedSix(row.time_difference) + ", Alias = " + InApostrophes(row.alias) +
      ", Department = " + InApostrophes(row.department) + ", Reserved3 = " + InApostrophes(row.reserved3) +
      ", KRVBookingNumber = " + InApostrophes(row.booking_number);
  if (ctx.settings.get_contact_company != 0)
    sql += ", ContactCompanyName = " + InApostrophes(row.contact_company);
  sql += ", KRVUpdate = 0, ACLw = " + InApostrophes(row.aclw) + " WHERE " + KeyCondition(ctx, row, at);
  return sql;
}

}  // namespace korvale
