#include "agent/scan/user_row.h"

#include <cstdio>

#include "agent/database/db_report.h"
#include "agent/database/shared_table.h"

namespace korvale {

namespace {

// Puts a value that is already escaped for the statement between apostrophes.
std::string InApostrophes(const std::string& v) { return "'" + v + "'"; }

std::string Number(double v) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%f", v);
  return buffer;
}

// The fixed "empty" start and end of a user row, by dialect.
struct EmptyDates {
  const char* start_column;
  const char* value;
};

EmptyDates DatesFor(Dialect d) {
  switch (d) {
    case Dialect::kOracle: return {"StartTime", "TO_DATE('00:00', 'HH24:MI')"};
    // SQLite keeps what it is given; a real date keeps the rows readable as dates.
    case Dialect::kMySql:
    case Dialect::kSQLite: return {"Start", "'1600-01-01 00:00:00'"};
    case Dialect::kSqlServer: return {"Start", "''"};
    case Dialect::kAccess: break;
  }
  return {"Start", "0"};
}

}  // namespace

std::string UserRowSelect(const AgentSettings& s, const std::string& table, const std::string& name,
                          const std::string& instance) {
  std::string sql = "SELECT * FROM " + table + " WHERE ((Status=9) AND (Name='" + name + "')";
  if (SharedTableMode(s))
    sql += " AND (KRVService=" + InApostrophes(QuoteInstanceName(instance, StatementDialect(s))) + ")";
  return sql + ")";
}

std::string UserRowInsert(const AgentSettings& s, UserRowForm form, const std::string& table,
                          const UserRowValues& v, const std::string& instance) {
  Dialect d = StatementDialect(s);
  EmptyDates dates = DatesFor(d);
  bool second = form == UserRowForm::kSecond;
  std::string columns = std::string(dates.start_column) + ", EndTime, ";
  std::string values = std::string(dates.value) + ", " + dates.value + ", ";
  if (second) {
    columns += "Title, Name, DL";
    values += InApostrophes(v.title) + ", " + InApostrophes(v.name) + ", " + InApostrophes(v.dl);
  } else {
    columns += "Name, Title, DL";
    values += InApostrophes(v.name) + ", " + InApostrophes(v.title) + ", " + InApostrophes(v.dl);
  }
  columns += ", Status, Phone, Office, Initials, ACL";
  values += ", 9, " + InApostrophes(v.phone) + ", " + InApostrophes(v.office) + ", " +
            InApostrophes(v.initials) + ", " + InApostrophes(v.acl);
  if (second) {
    columns += ", ACLw";
    values += ", " + InApostrophes(v.aclw);
  }
  columns += ", Datasource, TimeDifference, Alias, Department, Reserved3";
  values += ", " + InApostrophes(v.datasource) + ", " + Number(v.time_difference) + ", " +
            InApostrophes(v.alias) + ", " + InApostrophes(v.department) + ", " + InApostrophes(v.reserved3);
  if (SharedTableMode(s)) {
    columns += ", KRVService, KRVUpdate";
    values += ", " + InApostrophes(QuoteInstanceName(instance, d)) + ", 0";
  }
  columns += ", ProfTitle, OffFax, HomePhone, MobilePhone, AdrComment, AssocNTAcc";
  values += ", " + InApostrophes(v.prof_title) + ", " + InApostrophes(v.off_fax) + ", " +
            InApostrophes(v.home_phone) + ", " + InApostrophes(v.mobile_phone) + ", " +
            InApostrophes(v.adr_comment) + ", " + InApostrophes(v.assoc_nt_acc);
  std::string head = d == Dialect::kOracle ? "insert " + s.oracle_hint + " into " : "insert into ";
  return head + table + " (" + columns + ") values(" + values + ")";
}

std::string UserRowUpdate(const AgentSettings& s, UserRowForm form, const std::string& table,
                          const UserRowValues& v, const std::string& instance) {
  EmptyDates dates = DatesFor(StatementDialect(s));
  std::string sql = "UPDATE " + table + " SET " + dates.start_column + " = " + dates.value +
                    ", EndTime = " + dates.value + ", Title = " + InApostrophes(v.title) + ", ";
  if (SharedTableMode(s)) sql += "KRVUpdate=0, ";
  sql += "DL = " + InApostrophes(v.dl) + ", Phone = " + InApostrophes(v.phone) +
         ", Office = " + InApostrophes(v.office) + ", Initials = " + InApostrophes(v.initials) +
         ", ACL = " + InApostrophes(v.acl);
  if (form == UserRowForm::kSecond) sql += ", ACLw = " + InApostrophes(v.aclw);
  sql += ", Datasource = " + InApostrophes(v.datasource) + ", TimeDifference = " + Number(v.time_difference) +
         ", Alias = " + InApostrophes(v.alias) + ", Department = " + InApostrophes(v.department) +
         ", Reserved3 = " + InApostrophes(v.reserved3) + ", ProfTitle = " + InApostrophes(v.prof_title) +
         ", OffFax = " + InApostrophes(v.off_fax) + ", HomePhone = " + InApostrophes(v.home_phone) +
         ", MobilePhone = " + InApostrophes(v.mobile_phone) +
         ", AdrComment = " + InApostrophes(v.adr_comment) +
         ", AssocNTAcc = " + InApostrophes(v.assoc_nt_acc) +
         " WHERE ((Status = 9) AND (Name = " + InApostrophes(v.name);
  if (SharedTableMode(s))
    sql += ") AND (KRVService = " + InApostrophes(QuoteInstanceName(instance, StatementDialect(s)));
  return sql + "))";
}

void WriteUserRow(Database& db, UserRowForm form, const std::string& table, const UserRowValues& v,
                  const std::string& instance) {
  const AgentSettings& s = db.settings();
  std::string select = UserRowSelect(s, table, v.name, instance);
  auto found = db.QueryFirst(select);
  if (!found.ok()) {
    LogTableEvent(db, event_id::kRecords, table,
                  "Error reading record in database.\r\nSQL- statement:\r\n" + select);
    return;
  }
  std::string write = found->has_value() ? UserRowUpdate(s, form, table, v, instance)
                                         : UserRowInsert(s, form, table, v, instance);
  auto done = db.Execute(write);
  if (!done.ok()) {
    LogTableEvent(db, event_id::kAppendOrConfigRead, table, WithStatement(ErrorText(done.error()), write));
  }
}

}  // namespace korvale
