#include "config/include_file.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "common/list_split.h"
#include "common/password_scramble.h"
#include "config/standard_fields.h"

namespace korvale::config {

namespace {

// Lines are built with "\n" and end as CR LF on disk, as a text-mode write would.
class IncludeText {
 public:
  IncludeText& operator<<(const std::string& piece) {
    for (char c : piece) {
      if (c == '\n') text_ += '\r';
      text_ += c;
    }
    return *this;
  }
  std::string Take() { return std::move(text_); }

 private:
  std::string text_;
};

std::string Bool(bool value) { return value ? "True" : "False"; }
std::string Quoted(const std::string& value) { return "\"" + value + "\""; }
std::string Num(size_t n) { return std::to_string(n); }

// "%+.1f"; a negative zero is written as zero.
std::string SignedHours(double hours) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%+.1f", hours + 0.0);
  return buffer;
}

bool SqlServerFamily(DatabaseType type) {
  return type == DatabaseType::kSqlServer || type == DatabaseType::kMySql;
}

std::string PasswordText(const std::string& plain) {
  return plain.empty() ? std::string() : ScramblePassword(plain);
}

void WriteHeader(IncludeText& out, const ConfigSettings& s) {
  out << "<%\nDB = " + Quoted(s.db) + "\nSQLServer = " + Bool(SqlServerFamily(s.database_type)) +
             "\nOracle = " + Bool(s.database_type == DatabaseType::kOracle) +
             "\nmySQL = " + Bool(s.database_type == DatabaseType::kMySql) + "\n";
  out << "SecurityLevel = " + std::to_string(s.security_level) + "\n";
  out << "CanBookMeetingsRecord = " + Bool(s.mb_cust_attr_book_meetings >= 1) + "\n";
  out << std::string("Deli = \"") + (s.database_type == DatabaseType::kAccess ? "#" : "'") + "\"\n";
  out << "acc = " + Quoted(s.db_user_name) + "\npwd = " + Quoted(PasswordText(s.db_password)) + "\n";
  out << "x64 = " + Bool(s.wow64) + "\n";
  out << "DBName = " + Quoted(s.database_name) + "\nDBServer = " + Quoted(s.database_server) + "\n";
  out << "newDB = " + Bool(s.new_db) + "\n\n";
}

void WriteGroupMenu(IncludeText& out, const ConfigSettings& s) {
  out << "\nbSortedMenu = True\nDim SortedMenu(" + Num(s.groups.size()) + ")\n";
  for (size_t k = 1; k <= s.groups.size(); ++k) {
    out << "SortedMenu(" + Num(k) + ") = " + Quoted(s.groups[k - 1].name) + "\n";
  }
}

void WriteServers(IncludeText& out, const ConfigSettings& s) {
  out << "\nDim Servers(" + Num(s.servers.size()) + ",13)\n";
  for (size_t d = 1; d <= s.servers.size(); ++d) {
    const ServerEntry& e = s.servers[d - 1];
    const std::string cell = "Servers(" + Num(d) + ",";
    out << cell + "1) = " + Quoted(e.name) + "\n";
    out << cell + "2) = " + SignedHours(e.time_diff) + "\n";
    out << cell + "3) = " + Quoted(e.data_source) + "\n";
    out << cell + "4) = " + Quoted(e.date_time_format) + "\n";
    out << cell + "5) = " + Quoted(e.user) + "\n";
    out << cell + "6) = " + Quoted(PasswordText(e.password)) + "\n";
    out << cell + "7) = " + Bool(e.local) + "\n";
    out << cell + "8) = " + Bool(SqlServerFamily(e.type)) + "\n";
    out << cell + "9) = " + Quoted(e.site_name) + "\n";
    out << cell + "10) = " + Bool(e.type == DatabaseType::kOracle) + "\n";
    out << cell + "11) = " + Bool(e.type == DatabaseType::kMySql) + "\n";
    out << cell + "12) = " + Quoted(e.database_name) + "\n";
    out << cell + "13) = " + Quoted(e.database_server) + "\n";
  }
}

struct FieldEntry {
  std::string name;
  std::string type;
};

// Custom fields first, each with its selected type (text when the type list is
// shorter), then the standard fields with their fixed types.
std::vector<FieldEntry> ScannedFields(const ConfigSettings& s) {
  std::vector<FieldEntry> entries;
  std::vector<std::string> types = SplitSemicolonList(s.custom_fields_types_selected);
  std::vector<std::string> custom = SplitSemicolonList(s.custom_fields_selected);
  for (size_t i = 0; i < custom.size(); ++i) {
    entries.push_back({custom[i], i < types.size() ? types[i] : "PT_STRING8"});
  }
  for (const std::string& name : SplitSemicolonList(s.fields)) {
    std::string_view type = StandardFieldType(name);
    entries.push_back({name, type.empty() ? "PT_STRING8" : std::string(type)});
  }
  return entries;
}

void WriteScannedFields(IncludeText& out, const ConfigSettings& s) {
  std::vector<FieldEntry> entries = ScannedFields(s);
  if (entries.empty()) {
    out << "\nCustomFields = False\nDim CustFldsArr(0,0)\n";
    return;
  }
  out << "\nCustomFields = True\n\nDim CustFldsArr(" + Num(entries.size()) + ",3)\n";
  for (size_t e = 1; e <= entries.size(); ++e) {
    out << "CustFldsArr(" + Num(e) + ",1) = " + Quoted(entries[e - 1].name) + "\n";
    out << "CustFldsArr(" + Num(e) + ",2) = " + Quoted(entries[e - 1].type) + "\n";
  }
}

void WriteCustomFilters(IncludeText& out, const ConfigSettings& s) {
  if (s.custom_filters.empty()) {
    out << "\nDim CustFiltersArr(0,0)\n";
    return;
  }
  out << "\nDim CustFiltersArr(" + Num(s.custom_filters.size()) + ",4)\n";
  for (size_t k = 1; k <= s.custom_filters.size(); ++k) {
    const CustomFilter& f = s.custom_filters[k - 1];
    const std::string cell = "CustFiltersArr(" + Num(k) + ",";
    out << cell + "1) = " + Quoted(f.field) + "\n" + cell + "2) = " + Quoted(f.display) + "\n";
    out << cell + "3) = " + Quoted(f.select) + "\n" + cell + "4) = " + Quoted(f.logic) + "\n";
  }
}

}  // namespace

std::string IncludeFileText(const ConfigSettings& s, const std::string& expanded_admins) {
  IncludeText out;
  WriteHeader(out, s);
  WriteGroupMenu(out, s);
  WriteServers(out, s);
  out << "\nAdminUsers = " + Quoted(expanded_admins) + "\n";
  WriteScannedFields(out, s);
  WriteCustomFilters(out, s);
  out << "%>";
  return out.Take();
}

Status WriteIncludeFile(const ConfigSettings& s, const std::string& expanded_admins,
                        const std::string& program_dir) {
  const std::string path = (std::filesystem::path(program_dir) / kIncludeFileName).string();
  const std::string text = IncludeFileText(s, expanded_admins);
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (file) file.write(text.data(), static_cast<std::streamsize>(text.size()));
  if (file) file.close();
  if (!file) return Status::Error("Could not write to " + path + ".");
  return Status::Ok();
}

}  // namespace korvale::config
