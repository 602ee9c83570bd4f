// CREATE TABLE statements of the calendar database.
#include "agent/database/schema.h"

#include <cstdint>
#include <vector>

#include "agent/database/column_types.h"
#include "agent/database/dialect.h"

namespace korvale {
namespace {

// MAPI property types of the custom fields.
constexpr uint32_t kPtI2 = 2, kPtLong = 3, kPtDouble = 5, kPtCurrency = 6, kPtBoolean = 11, kPtI8 = 20,
                   kPtString8 = 30, kPtUnicode = 31, kPtSysTime = 64, kPtMvString8 = 0x101E,
                   kPtMvUnicode = 0x101F;

bool IsOracleTypes(const AgentSettings& settings) {
  return ColumnTypeFamily(settings) == TypeFamily::kOracle;
}

class ColumnList {
 public:
  explicit ColumnList(const AgentSettings& settings) : settings_(settings) {}
  // name, blank, type and (when given) the NULL clause.
  ColumnList& Add(std::string_view name, std::string_view type, std::string_view null_clause = "") {
    std::string column = std::string(name) + " " + std::string(type);
    if (!null_clause.empty()) column += " " + std::string(null_clause);
    columns_.push_back(std::move(column));
    return *this;
  }
  ColumnList& Text(std::string_view name, int size, std::string_view null_clause = "") {
    return Add(name, SqlTypeName(settings_, size), null_clause);
  }
  std::string Joined() const {
    std::string out;
    for (const auto& column : columns_) {
      if (!out.empty()) out += ", ";
      out += column;
    }
    return out;
  }

 private:
  const AgentSettings& settings_;
  std::vector<std::string> columns_;
};

std::string CreateTable(std::string_view table, const std::string& columns) {
  return "create table " + std::string(table) + " (" + columns + ")";
}

std::string CustomFieldType(const AgentSettings& settings, uint32_t type) {
  const bool oracle = IsOracleTypes(settings);
  switch (type) {
    case kPtI2:
    case kPtLong:
    case kPtI8: return oracle ? "NUMBER NULL" : "int NULL";
    case kPtDouble:
    case kPtCurrency: return oracle ? "NUMBER(2,1)" : "FLOAT";
    case kPtBoolean: return BoolColumnType(settings);
    case kPtString8:
    case kPtUnicode:
    case kPtMvString8:
    case kPtMvUnicode: return SqlTypeName(settings, 50);
    case kPtSysTime: return oracle ? "DATE" : "datetime";
    default: break;
  }
  // A field without a valid type is read and written as text (the settings
  // reader warns about it), so its column holds text too.
  return SqlTypeName(settings, 50);
}

}  // namespace

const char* GroupsTableName(const AgentSettings& settings) {
  return StatementDialect(settings) == Dialect::kOracle ? "KRVGroups" : "Groups";
}

std::string CreateGroupsTable(const AgentSettings& settings) {
  ColumnList columns(settings);
  columns.Text("Name", 50, "NOT NULL")
      .Text("NTUser", 50, "NOT NULL")
      .Text("Members", 1024)
      .Text("Title", 250, "NOT NULL");
  return CreateTable(GroupsTableName(settings), columns.Joined());
}

std::string CreateMeetingsTable(const AgentSettings& settings) {
  const Dialect dialect = StatementDialect(settings);
  ColumnList columns(settings);
  columns.Text("Name", 50, "NOT NULL")
      .Add(StartColumn(dialect), DateTypeName(settings), "NOT NULL")
      .Add("EndTime", DateTypeName(settings), "NOT NULL")
      .Text("Title", 250)
      .Add("Status", SmallIntTypeName(settings), "NOT NULL")
      .Text("Location", 50)
      .Text("Phone", 50)
      .Text("Office", 50)
      .Text("Initials", 50)
      .Text("ACL", 1024)
      .Text("Category", 50)
      .Text("DL", 250)
      .Text("Organizer", 50)
      .Text("Attendees", 1024)
      .Add("TimeBooked", DateTypeName(settings))
      .Add("BookingStatus", SmallIntTypeName(settings))
      .Text("Reserved1", 50)
      .Text("Reserved2", 50)
      .Text("Reserved3", 50)
      .Text("ACLw", 1024);
  return CreateTable(kMeetingsTable, columns.Joined());
}

std::string CreateProfilesTable(const AgentSettings& settings) {
  ColumnList columns(settings);
  columns.Text("NTUser", 250)
      .Text("P1", 250)
      .Text("P2", 250)
      .Text("P3", 250)
      .Text("P4", 250)
      .Text("P5", 1024);
  return CreateTable("Profiles", columns.Joined());
}

std::string CreateUserPicsTable(const AgentSettings& settings) {
  ColumnList columns(settings);
  columns.Text("Alias", 250).Text("PicPath", 1024);
  return CreateTable("UserPics", columns.Joined());
}

std::string CreateKrvUsersTable(const AgentSettings& settings) {
  ColumnList columns(settings);
  columns.Text("Ausername", 250, "NULL").Text("Apassword", 250, "NULL");
  if (IsOracleTypes(settings)) {
    columns.Add("Aregdate", "DATE", "NULL")
        .Add("Afirstusedate", "DATE", "NULL")
        .Add("Alastusedate", "DATE", "NULL")
        .Add("Aneedpwchange", "NUMBER", "NULL");
  } else {
    columns.Add("Aregdate", "datetime", "NULL")
        .Add("Afirstusedate", "datetime", "NULL")
        .Add("Alastusedate", "datetime", "NULL")
        .Add("Aneedpwchange", "bit", "NULL");
  }
  return CreateTable("KRVUsers", columns.Joined());
}

std::string CreateKorvaleConfigTable(const AgentSettings& settings) {
  return "create table KorvaleConfig (ActiveTable " + SqlTypeName(settings, 50) + ")";
}

std::string CustomFieldColumns(const AgentSettings& settings) {
  const Dialect dialect = StatementDialect(settings);
  std::string out;
  for (size_t i = 0; i < settings.custom_field_names.size(); ++i) {
    const std::string& name = settings.custom_field_names[i];
    if (name.empty()) continue;
    const uint32_t type = i < settings.custom_field_types.size() ? settings.custom_field_types[i] : 0;
    out += ", " + QuoteIdentifier(dialect, QuoteForSql(name, 50, dialect)) + " " +
           CustomFieldType(settings, type);
  }
  return out;
}

std::string CreateCalendarTable(const AgentSettings& settings, std::string_view table,
                                const OptionalColumns& optional_columns) {
  const Dialect dialect = StatementDialect(settings);
  ColumnList columns(settings);
  columns.Text("Name", 50, "NOT NULL")
      .Add(StartColumn(dialect), DateTypeName(settings), "NOT NULL")
      .Add("EndTime", DateTypeName(settings), "NOT NULL")
      .Text("Title", 250)
      .Add("Status", SmallIntTypeName(settings), "NOT NULL")
      .Text("Location", 50)
      .Text("Phone", 50)
      .Text("Office", 50)
      .Text("Initials", 50)
      .Text("ACL", 1024)
      .Text("Category", 50)
      .Text("DL", 250)
      .Text("Organizer", 50)
      .Text("Attendees", 1024)
      .Text("Datasource", 50)
      .Add("TimeDifference", TimeDifferenceTypeName(settings))
      .Text("Alias", 50)
      .Text("Department", 50)
      .Text("Reserved3", 50)
      .Text("KRVBookingNumber", 250)
      .Text("ProfTitle", 50)
      .Text("OffFax", 50)
      .Text("HomePhone", 50)
      .Text("MobilePhone", 50)
      .Text("AdrComment", 1024);
  if (settings.table_mode == TableMode::kShared) {
    columns.Add("ApptID", IdentifierBinaryTypeName(settings))
        .Add("KRVUpdate", BitTypeName(settings))
        .Text("KRVService", 50);
  }
  columns.Text("ACLw", 1024).Text("AssocNTAcc", 50);
  if (settings.get_contact_company != 0) columns.Text("ContactCompanyName", 250);
  return "create table " + std::string(table) + " (" + columns.Joined() + CustomFieldColumns(settings) +
         OptionalColumnDefinitions(settings, optional_columns) + ")";
}

std::string CreateCalendarTableIndex(std::string_view table) {
  // Index names share one namespace per schema on some servers: the table's
  // name keeps them apart.
  return "CREATE INDEX " + std::string(table) + "_Name ON " + std::string(table) + " (Name, Status)";
}

}  // namespace korvale
