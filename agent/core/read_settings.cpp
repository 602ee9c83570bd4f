#include "agent/core/read_settings.h"

#include <strings.h>

#include <cstdlib>

#include "common/list_split.h"
#include "common/password_scramble.h"
#include "common/settings_keys.h"
#include "platform/profile/profile.h"

namespace korvale {

namespace keys = settings_keys;

namespace {

// The file is read once and every key looked up in that reading, so a file
// of hundreds of thousands of lines reads in one pass.
class IniReader {
 public:
  explicit IniReader(const std::string& path) : file_(path) {}

  std::string Text(const std::string& section, const std::string& key, const std::string& def,
                   size_t buffer) const {
    return file_.GetString(section, key, def, buffer);
  }
  int Int(const std::string& section, const std::string& key, int def) const {
    return file_.GetInt(section, key, def);
  }
  std::string Config(const keys::TextKey& key, const AgentSettings& defaults) const {
    return Text(keys::kConfigSection, key.name, defaults.*key.field, key.buffer_size);
  }
  std::vector<std::string> KeyNames(const std::string& section, size_t buffer) const {
    return file_.GetKeyNames(section, buffer);
  }
  SettingsFileFacts Facts() const {
    SettingsFileFacts facts;
    facts.exists = file_.exists();
    facts.readable = file_.readable();
    facts.has_config_section = file_.HasSection(keys::kConfigSection);
    facts.ends_inside_line = file_.EndsInsideLine();
    return facts;
  }

 private:
  profile::ProfileSnapshot file_;
};

// "-1.5" gives -1: the decimal number truncated towards zero.
int ParseTimeDiff(const std::string& text) {
  const char* begin = text.c_str();
  char* end = nullptr;
  double value = std::strtod(begin, &end);
  if (end == begin || !(value > -2147483648.0 && value < 2147483648.0)) return 0;
  return static_cast<int>(value);
}

void ReadScanGroups(const IniReader& ini, AgentSettings& s) {
  for (int n = 1;; ++n) {
    std::string names =
        ini.Text(keys::kConfigSection, keys::Numbered(keys::kMemberNames, n), "", keys::kListBuffer);
    if (names.empty()) break;
    s.member_name_lists.push_back(names);
    s.skip_lists.push_back(
        ini.Text(keys::kConfigSection, keys::Numbered(keys::kGroupSkip, n), "", keys::kListBuffer));
  }
  for (int n = 1;; ++n) {
    std::string section = keys::Numbered(keys::kGroupName, n);
    std::string name = ini.Text(keys::kConfigSection, section, "", keys::kNameBuffer);
    if (name.empty()) break;
    s.group_names.push_back(name);
    s.local_flags.push_back(
        static_cast<uint8_t>(ini.Int(keys::kConfigSection, keys::Numbered(keys::kGroupLocal, n), 1)));
    s.group_datasources.push_back(
        ini.Text(keys::kConfigSection, keys::Numbered(keys::kGroupDataSource, n), "", keys::kNameBuffer));
    s.group_time_zones.push_back(
        s.set_tz_all >= 1
            ? std::string()
            : ini.Text(keys::kConfigSection, keys::Numbered(keys::kGroupTimeZone, n), "", keys::kNameBuffer));
    std::vector<std::string> addresses;
    for (const auto& key : ini.KeyNames(section, keys::kGroupKeyNamesBuffer)) {
      addresses.push_back(ini.Text(section, key, "", keys::kGroupValueBuffer));
    }
    s.member_address_lists.push_back(JoinSemicolonList(addresses));
  }
}

void ReadServers(const IniReader& ini, AgentSettings& s) {
  for (int n = 1;; ++n) {
    std::string section = keys::Numbered(keys::kServerName, n);
    std::string name = ini.Text(keys::kConfigSection, section, "", keys::kNameBuffer);
    if (name.empty()) break;
    ServerEntry entry;
    entry.name = name;
    entry.time_diff = ParseTimeDiff(ini.Text(section, keys::kServerTimeDiff, "0.0", keys::kNameBuffer));
    entry.ds = ini.Text(section, keys::kServerDataSource, "", keys::kNameBuffer);
    entry.pdc = ini.Text(section, keys::kServerPdc, "", keys::kNameBuffer);
    s.servers.push_back(std::move(entry));
  }
}

SYSTEMTIME DstDateTime(const IniReader& ini, int first_key) {
  SYSTEMTIME t;
  auto get = [&](int i) {
    return static_cast<uint16_t>(ini.Int(keys::kDstSection, keys::kDstKeys[first_key + i], 0));
  };
  t.wYear = get(0);
  t.wMonth = get(1);
  t.wDay = get(2);
  t.wHour = get(3);
  return t;
}

void Derive(AgentSettings& s) {
  s.exclude_category_list = SplitSemicolonList(s.exclude_categories);
  s.custom_field_names.clear();
  s.custom_field_types.clear();
  std::vector<std::string> names = SplitSemicolonList(s.custom_fields_selected);
  // Names and types pair by position; an unknown type name is dropped, so the
  // later names pair with the following types.
  for (const auto& type_name : SplitSemicolonList(s.custom_fields_types_selected)) {
    if (uint32_t type = CustomFieldTypeFromName(type_name)) s.custom_field_types.push_back(type);
  }
  s.custom_field_names = std::move(names);
  s.table_mode = s.new_db == 1 ? TableMode::kShared : TableMode::kRotation;
  s.oracle_flag = s.oracle != 0;
  s.sql_server_family_flag = s.sql_server == 1 || s.my_sql != 0;
  s.mysql_flag = s.my_sql != 0;
  s.sqlite_flag = s.sqlite != 0;
  s.database_password = PasswordFromGuid2(s.guid2);
  if (s.date_time_format.empty() || strcasecmp(s.date_time_format.c_str(), "%c") == 0) {
    s.date_literal_format = "{ts '%Y-%m-%d %H:%M:%S'}";
  } else {
    s.date_literal_format = "'" + s.date_time_format + "'";
  }
}

// Names and types pair by position, so a missing or unknown type name leaves
// the last names without a type: they are published as text.
void WarnUntypedCustomFields(const AgentSettings& s, AgentLog& log) {
  for (size_t i = s.custom_field_types.size(); i < s.custom_field_names.size(); ++i) {
    if (s.custom_field_names[i].empty()) continue;  // no column, no value
    log.LogEvent(EventType::kWarning, event_id::kGeneral,
                 "The custom field " + s.custom_field_names[i] +
                     " has no valid type in CustomFieldsTypesSelected. It is published as text "
                     "(PT_STRING8).");
  }
}

}  // namespace

uint32_t CustomFieldTypeFromName(const std::string& name) {
  static const struct {
    const char* name;
    uint32_t type;
  } kTypes[] = {{"PT_I2", 2},       {"PT_LONG", 3},          {"PT_DOUBLE", 5},       {"PT_CURRENCY", 6},
                {"PT_BOOLEAN", 11}, {"PT_I8", 20},           {"PT_STRING8", 30},     {"PT_UNICODE", 31},
                {"PT_SYSTIME", 64}, {"PT_MV_STRING8", 4126}, {"PT_MV_UNICODE", 4127}};
  for (const auto& t : kTypes) {
    if (strcasecmp(name.c_str(), t.name) == 0) return t.type;
  }
  return 0;
}

SettingsFileFacts ReadSettings(const std::string& ini_path, AgentSettings& s, AgentLog& log) {
  SettingsFileFacts facts;
  // Until the file has been looked at, nothing is known against it.
  facts.exists = facts.readable = facts.has_config_section = true;
  try {
    const AgentSettings defaults;
    IniReader ini(ini_path);
    facts = ini.Facts();
    for (const auto& key : keys::ConfigIntKeys()) {
      s.*key.field = ini.Int(keys::kConfigSection, key.name, defaults.*key.field);
    }
    for (const auto& key : keys::ConfigTextKeys()) {
      s.*key.field = ini.Config(key, defaults);
    }
    if (s.check_meeting_modifications != 0 || s.inbox_notification_direct_booked_appt != 0) {
      s.notification_mailbox = ini.Config(keys::kNotificationMailbox, defaults);
      s.notification_server = ini.Config(keys::kNotificationServer, defaults);
    }
    // The administrators' addresses serve the change reports and the copies of
    // the inbox notifications alike; without them a copy is silently dropped.
    if (s.check_meeting_modifications != 0 || s.notify_admins_create != 0 || s.notify_admins_modify != 0 ||
        s.notify_admins_delete != 0) {
      s.notification_email = ini.Config(keys::kNotificationEmail, defaults);
    }
    if (s.sql_log != 0) s.sql_log_to_file = ini.Config(keys::kSqlLogToFile, defaults);
    if (s.inbox_notification_direct_booked_appt != 0) {
      s.inbox_notification_exception_list = ini.Config(keys::kInboxNotificationExceptionList, defaults);
    }
    Derive(s);
    ReadScanGroups(ini, s);
    ReadServers(ini, s);
    if (s.global_time_diff != 0) {
      s.dst_start = DstDateTime(ini, 0);
      s.dst_end = DstDateTime(ini, 4);
    }
    WarnUntypedCustomFields(s, log);
  } catch (...) {
    log.LogEvent(EventType::kWarning, event_id::kGeneral, "General Error getting INI settings.");
  }
  return facts;
}

}  // namespace korvale
