// The configuration program's settings record: everything an administrator
// edits, as it is held between loading Caldrun.ini and saving it. Values are
// plain (the password unscrambled, lists as their "; "-joined texts); the
// loader and the saver own the keys and their encodings.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace korvale::config {

enum class DatabaseType { kAccess = 0, kSqlServer = 1, kMySql = 2, kOracle = 3 };

// Security levels: no security, minimal, full.
inline constexpr int kSecurityNone = 0;
inline constexpr int kSecurityMinimal = 1;
inline constexpr int kSecurityFull = 2;

struct GroupEntry {
  std::string name;              // Group%d
  std::string member_names;      // DL%d, "; "-joined display names
  std::string member_addresses;  // section Group%d, "; "-joined
  // The agent's own per-group keys (Group%dSkip, Group%dLocal, Group%dDS,
  // Group%dSetTZ) as {suffix, value}: carried along so that they stay with
  // their group when the groups are numbered anew.
  std::vector<std::pair<std::string, std::string>> agent_keys;
};

struct ServerEntry {
  std::string site_name;
  std::string name;  // Exchange server
  double time_diff = 0.0;
  std::string data_source;
  std::string date_time_format = "%c";
  std::string user;
  std::string password;  // plain
  DatabaseType type = DatabaseType::kAccess;
  bool local = false;
  std::string pdc;
  std::string database_server;
  std::string database_name;
};

struct CustomFilter {
  std::string field;
  std::string display;
  std::string logic = "AND";
  std::string select = "SELECT * FROM Groups";
};

struct ConfigSettings {
  int cycle_time = 60;
  int days_past = 60;
  int days_ahead = 60;
  std::string db;
  DatabaseType database_type = DatabaseType::kAccess;
  std::string database_name;
  std::string database_server;
  bool wow64 = false;
  bool new_db = false;
  std::string db_user_name;
  std::string db_password;  // plain
  std::string home_server;
  int msx2k = 0;
  int security_level = kSecurityNone;
  int mailbox_custom_attribute = 0;  // details attribute, 0 = none
  int mb_cust_attr_book_meetings = 0;
  std::string appt_booked_by_text = "Booked by %s\\n";  // a literal backslash and n
  std::string date_time_format = "%c";
  bool suppress_holidays = true;  // stored inverted in Holidays
  bool show_no_private = false;
  bool show_personal = false;
  bool skip_cancelled_meetings = false;
  bool log_events = true;
  bool success_log = true;
  bool sql_log = false;
  bool time_log = false;
  bool backup_log = true;
  std::string fields;
  std::string custom_fields;
  std::string custom_fields_selected;
  std::string custom_fields_types;
  std::string custom_fields_types_selected;
  std::vector<CustomFilter> custom_filters;  // CustomFilters, NumCustomFilters, CustFilter%d...
  std::string admin_users;
  std::vector<GroupEntry> groups;
  std::vector<ServerEntry> servers;
};

}  // namespace korvale::config
