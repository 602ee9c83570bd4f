#include "config/load_settings.h"

#include <cstdlib>

#include "common/list_split.h"
#include "common/password_scramble.h"
#include "common/settings_keys.h"
#include "platform/profile/profile.h"

namespace korvale::config {

namespace keys = settings_keys;

namespace {

// The agent's per-group keys that travel with their group (see GroupEntry).
constexpr const char* kAgentGroupKeySuffixes[] = {"Skip", "Local", "DS", "SetTZ"};
constexpr size_t kTextBuffer = 255;

class ConfigReader {
 public:
  explicit ConfigReader(std::string path) : path_(std::move(path)) {}
  std::string Text(const std::string& key, const std::string& def, size_t buffer = kTextBuffer) const {
    return profile::GetString(path_, keys::kConfigSection, key, def, buffer);
  }
  std::string Text(const std::string& section, const std::string& key, const std::string& def,
                   size_t buffer) const {
    return profile::GetString(path_, section, key, def, buffer);
  }
  int Int(const std::string& key, int def) const { return Int(keys::kConfigSection, key, def); }
  int Int(const std::string& section, const std::string& key, int def) const {
    return profile::GetInt(path_, section, key, def);
  }
  bool Flag(const std::string& key, bool def) const { return Int(key, def ? 1 : 0) != 0; }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

void LoadGroups(const ConfigReader& ini, ConfigSettings& s) {
  std::vector<std::string> member_names;
  for (int n = 1;; ++n) {
    std::string names = ini.Text(keys::Numbered(keys::kMemberNames, n), "", keys::kListBuffer);
    if (names.empty()) break;
    member_names.push_back(std::move(names));
  }
  for (int n = 1;; ++n) {
    std::string section = keys::Numbered(keys::kGroupName, n);
    std::string name = ini.Text(section, "", keys::kNameBuffer);
    if (name.empty()) break;
    GroupEntry group;
    group.name = std::move(name);
    if (static_cast<size_t>(n) <= member_names.size()) group.member_names = member_names[n - 1];
    std::vector<std::string> addresses;
    for (const auto& key : profile::GetKeyNames(ini.path(), section, keys::kGroupKeyNamesBuffer)) {
      addresses.push_back(ini.Text(section, key, "", keys::kGroupValueBuffer));
    }
    group.member_addresses = JoinSemicolonList(addresses);
    for (const char* suffix : kAgentGroupKeySuffixes) {
      // A key that is present keeps its value, even an empty one.
      std::string key = section + suffix;
      std::string value = ini.Text(key, "\x01", keys::kListBuffer);
      if (value != "\x01") group.agent_keys.emplace_back(suffix, std::move(value));
    }
    s.groups.push_back(std::move(group));
  }
}

double ParseTimeDiff(const std::string& text) {
  char* end = nullptr;
  double value = std::strtod(text.c_str(), &end);
  if (end == text.c_str() || !(value > -100.0 && value < 100.0)) return 0.0;
  return value;
}

void LoadServers(const ConfigReader& ini, ConfigSettings& s) {
  for (int n = 1;; ++n) {
    std::string section = keys::Numbered(keys::kServerName, n);
    std::string name = ini.Text(section, "", keys::kNameBuffer);
    if (name.empty()) break;
    auto text = [&](const char* key, const char* def) { return ini.Text(section, key, def, kTextBuffer); };
    ServerEntry server;
    server.name = std::move(name);
    server.site_name = text("SiteName", "");
    server.time_diff = ParseTimeDiff(text(keys::kServerTimeDiff, "0.0"));
    server.data_source = text(keys::kServerDataSource, "");
    server.date_time_format = text("DateTimeFormat", "%c");
    server.user = text("Username", "");
    server.password = UnscramblePassword(text("Password", ""));
    server.type = DatabaseTypeFromKeys(ini.Int(section, "mySQL", 0), ini.Int(section, "SQL", 0),
                                       ini.Int(section, "Oracle", 0));
    server.local = ini.Int(section, "Local", 0) != 0;
    server.pdc = text(keys::kServerPdc, "");
    server.database_server = text("DBServer", "");
    server.database_name = text("Database", "");
    s.servers.push_back(std::move(server));
  }
}

void LoadCustomFilters(const ConfigReader& ini, ConfigSettings& s) {
  std::vector<std::string> fields = SplitSemicolonList(ini.Text("CustomFilters", "", 1024));
  int count = ini.Int("NumCustomFilters", 0);
  if (count <= 0) count = static_cast<int>(fields.size());
  for (int n = 1; n <= count && n <= 1000; ++n) {
    CustomFilter filter;
    if (static_cast<size_t>(n) <= fields.size()) filter.field = fields[n - 1];
    std::string prefix = "CustFilter" + std::to_string(n);
    filter.display = ini.Text(prefix + "Display", filter.field, 1024);
    filter.logic = ini.Text(prefix + "Logic", "AND", 1024);
    filter.select = ini.Text(prefix + "Select", "SELECT * FROM Groups", 1024);
    s.custom_filters.push_back(std::move(filter));
  }
}

void LoadDatabase(const ConfigReader& ini, ConfigSettings& s) {
  s.db = ini.Text("DB", "");
  s.database_type = DatabaseTypeFromKeys(ini.Int("mySQL", 0), ini.Int("SQLServer", 0), ini.Int("Oracle", 0));
  s.database_name = ini.Text("Database", "");
  s.database_server = ini.Text("DBServer", "");
  s.wow64 = ini.Flag("Wow64", false);  // our programs are native: only the stored key counts
  s.new_db = ini.Flag("newDB", false);
  s.db_user_name = ini.Text("DBUserName", "");
  s.db_password = PasswordFromGuid2(ini.Text("GUID2", ""));
  s.date_time_format = ini.Text("DateTimeFormat", "%c", 1024);
  s.backup_log = ini.Flag("BackupLog", true);
}

}  // namespace

// The agent reads the same keys (any non-zero mySQL, SQLServer exactly 1), so
// a save never changes the dialect the agent uses.
DatabaseType DatabaseTypeFromKeys(int my_sql, int sql_server, int oracle) {
  if (my_sql != 0) return DatabaseType::kMySql;
  if (sql_server == 1) return DatabaseType::kSqlServer;
  if (oracle != 0) return DatabaseType::kOracle;
  return DatabaseType::kAccess;
}

ConfigSettings LoadSettings(const std::string& ini_path) {
  ConfigReader ini(ini_path);
  ConfigSettings s;
  s.cycle_time = ini.Int("CycleTime", 60);
  s.days_past = ini.Int("DaysPast", 60);
  s.days_ahead = ini.Int("DaysAhead", 60);
  LoadDatabase(ini, s);
  s.home_server = ini.Text("HomeServer", "");
  s.msx2k = ini.Int("MSX2k", 0);
  s.mailbox_custom_attribute = ini.Int("MailboxCustomAttribute", 0);
  // A details attribute only makes sense with minimal security, so it forces that level.
  s.security_level = s.mailbox_custom_attribute >= 1 ? kSecurityMinimal : ini.Int("SecurityLevel", 0);
  s.mb_cust_attr_book_meetings = ini.Int("MBCustAttrBookMeetings", 0);
  s.appt_booked_by_text = ini.Text("ApptBookedByText", "Booked by %s\\n", 1024);
  s.suppress_holidays = ini.Int("Holidays", 0) == 0;
  s.show_no_private = ini.Flag("ShowNoPrivate", false);
  s.show_personal = ini.Flag("ShowPersonal", false);
  s.skip_cancelled_meetings = ini.Flag("SkipCancelledMeetings", false);
  s.log_events = ini.Flag("LogEvents", true);
  s.success_log = ini.Flag("SuccessLog", true);
  s.sql_log = ini.Flag("SQLLog", false);
  s.time_log = ini.Flag("TimeLog", false);
  s.fields = ini.Text("Fields", "", 2048);
  s.custom_fields = ini.Text("CustomFields", "", 1024);
  s.custom_fields_selected = ini.Text("CustomFieldsSelected", "", 1024);
  s.custom_fields_types = ini.Text("CustomFieldsTypes", "", 1024);
  s.custom_fields_types_selected = ini.Text("CustomFieldsTypesSelected", "", 1024);
  s.admin_users = ini.Text("AdminUsers", "", 2048);
  LoadCustomFilters(ini, s);
  LoadGroups(ini, s);
  LoadServers(ini, s);
  return s;
}

}  // namespace korvale::config
