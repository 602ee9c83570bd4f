#include "agent/scan/user_row.h"

#include <cstdio>

#include "agent/database/db_report.h"
#include "agent/database/shared_table.h"

namespace korvale {

namespace {

std::string Quoted(const std::string& v) { return "'" + v + "'"; }

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
  if (SharedTableMode(s)) sql += " AND (KRVService=" + Quoted(QuoteInstanceName(instance, StatementDialect(s))) + ")";
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
    values += Quoted(v.title) + ", " + Quoted(v.name) + ", " + Quoted(v.dl);
  } else {
    columns += "Name, Title, DL";
    values += Quoted(v.name) + ", " + Quoted(v.title) + ", " + Quoted(v.dl);
  }
  columns += ", Status, Phone, Office, Initials, ACL";
  values += ", 9, " + Quoted(v.phone) + ", " + Quoted(v.office) + ", " + Quoted(v.initials) + ", " +
            Quoted(v.acl);
  if (second) {
    columns += ", ACLw";
    values += ", " + Quoted(v.aclw);
  }
  columns += ", Datasource, TimeDifference, Alias, Department, Reserved3";
  values += ", " + Quoted(v.datasource) + ", " + Number(v.time_difference) + ", " + Quoted(v.alias) +
            ", " + Quoted(v.department) + ", " + Quoted(v.reserved3);
  if (SharedTableMode(s)) {
    columns += ", KRVService, KRVUpdate";
    values += ", " + Quoted(QuoteInstanceName(instance, d)) + ", 0";
  }
  columns += ", ProfTitle, OffFax, HomePhone, MobilePhone, AdrComment, AssocNTAcc";
  values += ", " + Quoted(v.prof_title) + ", " + Quoted(v.off_fax) + ", " + Quoted(v.home_phone) +
            ", " + Quoted(v.mobile_phone) + ", " + Quoted(v.adr_comment) + ", " + Quoted(v.assoc_nt_acc);
  std::string head = d == Dialect::kOracle ? "insert " + s.oracle_hint + " into " : "insert into ";
  return head + table + " (" + columns + ") values(" + values + ")";
}

std::string UserRowUpdate(const AgentSettings& s, UserRowForm form, const std::string& table,
                          const UserRowValues& v, const std::string& instance) {
  EmptyDates dates = DatesFor(StatementDialect(s));
  std::string sql = "UPDATE " + table + " SET " + dates.start_column + " = " + dates.value +
                    ", EndTime = " + dates.value + ", Title = " + Quoted(v.title) + ", ";
  if (SharedTableMode(s)) sql += "KRVUpdate=0, ";
  sql += "DL = " + Quoted(v.dl) + ", Phone = " + Quoted(v.phone) + ", Office = " + Quoted(v.office) +
         ", Initials = " + Quoted(v.initials) + ", ACL = " + Quoted(v.acl);
  if (form == UserRowForm::kSecond) sql += ", ACLw = " + Quoted(v.aclw);
  sql += ", Datasource = " + Quoted(v.datasource) + ", TimeDifference = " + Number(v.time_difference) +
         ", Alias = " + Quoted(v.alias) + ", Department = " + Quoted(v.department) +
         ", Reserved3 = " + Quoted(v.reserved3) + ", ProfTitle = " + Quoted(v.prof_title) +
         ", OffFax = " + Quoted(v.off_fax) + ", HomePhone = " + Quoted(v.home_phone) +
         ", MobilePhone = " + Quoted(v.mobile_phone) + ", AdrComment = " + Quoted(v.adr_comment) +
         ", AssocNTAcc = " + Quoted(v.assoc_nt_acc) + " WHERE ((Status = 9) AND (Name = " + Quoted(v.name);
  if (SharedTableMode(s)) sql += ") AND (KRVService = " + Quoted(QuoteInstanceName(instance, StatementDialect(s)));
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
