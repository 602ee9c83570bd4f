#include "config/save_settings.h"

#include <cstdio>
#include <filesystem>

#include "common/list_split.h"
#include "common/password_scramble.h"
#include "common/settings_keys.h"
#include "config/include_file.h"
#include "config/settings_writer.h"

namespace korvale::config {

namespace keys = settings_keys;

namespace {

constexpr const char* kAgentGroupKeySuffixes[] = {"Skip", "Local", "DS", "SetTZ"};

// Step 4: the scan window and the security keys.
void WriteScanAndSecurity(const ConfigSettings& s, SettingsWriter& w) {
  w.Int("CycleTime", s.cycle_time);
  w.Int("DaysPast", s.days_past);
  w.Int("DaysAhead", s.days_ahead);
  w.Int("SecurityLevel", s.security_level);
  if (s.security_level == kSecurityMinimal) {
    w.Int("MailboxCustomAttribute", s.mailbox_custom_attribute);
  } else {
    w.Remove("MailboxCustomAttribute");
  }
  if (s.mb_cust_attr_book_meetings >= 1) {
    w.Int("MBCustAttrBookMeetings", s.mb_cust_attr_book_meetings);
  } else {
    w.Remove("MBCustAttrBookMeetings");
  }
}

// Step 5: every old group goes, then the groups are written from 1 without gaps.
void WriteGroups(const ConfigSettings& s, SettingsWriter& w) {
  for (int n = 1; n <= kMaxNumbered; ++n) {
    const std::string group = keys::Numbered(keys::kGroupName, n);
    w.Remove(keys::Numbered(keys::kMemberNames, n));
    w.Remove(group);
    for (const char* suffix : kAgentGroupKeySuffixes) w.Remove(group + suffix);
    w.RemoveSection(group);
  }
  for (size_t i = 0; i < s.groups.size(); ++i) {
    const GroupEntry& g = s.groups[i];
    const int n = static_cast<int>(i) + 1;
    const std::string section = keys::Numbered(keys::kGroupName, n);
    if (!g.member_names.empty()) w.Text(keys::Numbered(keys::kMemberNames, n), g.member_names);
    w.Text(section, g.name);
    for (const auto& [suffix, value] : g.agent_keys) w.Text(section + suffix, value);
    int a = 1;
    for (const std::string& address : SplitSemicolonList(g.member_addresses)) {
      w.Text(section, "Addr" + std::to_string(a++), address);
    }
  }
}

void WriteDatabaseType(DatabaseType type, SettingsWriter& w) {
  w.Flag("SQLServer", type == DatabaseType::kSqlServer);
  w.Flag("Oracle", type == DatabaseType::kOracle);
  w.Flag("mySQL", type == DatabaseType::kMySql);
}

void WriteCustomFilters(const ConfigSettings& s, SettingsWriter& w) {
  w.Text("CustomFilters", CustomFilterFields(s));
  w.Int("NumCustomFilters", static_cast<int>(s.custom_filters.size()));
  for (size_t i = 0; i < s.custom_filters.size(); ++i) {
    const std::string prefix = "CustFilter" + std::to_string(i + 1);
    w.Text(prefix + "Display", s.custom_filters[i].display);
    w.Text(prefix + "Logic", s.custom_filters[i].logic);
    w.Text(prefix + "Select", s.custom_filters[i].select);
  }
}

// Step 6: database, fields, filters, switches and the administrator accounts.
void WriteGeneral(const ConfigSettings& s, SettingsWriter& w) {
  w.Text("DB", s.db);
  w.Text("Fields", s.fields);
  w.Text("HomeServer", s.home_server);
  w.Int("MSX2k", s.msx2k);
  WriteDatabaseType(s.database_type, w);
  w.Text("DBUserName", s.db_user_name);
  w.Text("GUID2",
         s.db_password.empty() ? std::string(kEmptyPasswordMarker) : ScramblePassword(s.db_password));
  w.Flag("newDB", s.new_db);
  w.Remove("FBUserName");
  w.Remove("FBPassword");
  w.Text("ApptBookedByText", s.appt_booked_by_text);
  w.Text("DateTimeFormat", s.date_time_format);
  w.Text("CustomFields", s.custom_fields);
  w.Text("CustomFieldsSelected", s.custom_fields_selected);
  w.Text("CustomFieldsTypes", s.custom_fields_types);
  w.Text("CustomFieldsTypesSelected", s.custom_fields_types_selected);
  WriteCustomFilters(s, w);
  w.Flag("Holidays", !s.suppress_holidays);
  w.Flag("ShowNoPrivate", s.show_no_private);
  w.Flag("ShowPersonal", s.show_personal);
  w.Flag("SkipCancelledMeetings", s.skip_cancelled_meetings);
  w.Flag("LogEvents", s.log_events);
  w.Flag("SuccessLog", s.success_log);
  w.Flag("TimeLog", s.time_log);
  w.Flag("SQLLog", s.sql_log);
  w.Flag("BackupLog", s.backup_log);
  w.Remove("Freebusy");
  w.Text("AdminUsers", s.admin_users);
}

std::string TimeDiffText(double hours) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%+.1f", hours + 0.0);  // no negative zero
  return buffer;
}

// Step 8: every old server goes, then the servers are written from 1 without gaps.
void WriteServers(const ConfigSettings& s, SettingsWriter& w) {
  for (int n = 1; n <= kMaxNumbered; ++n) {
    const std::string server = keys::Numbered(keys::kServerName, n);
    w.Remove(server);
    w.RemoveSection(server);
  }
  for (size_t i = 0; i < s.servers.size(); ++i) {
    const ServerEntry& e = s.servers[i];
    const std::string section = keys::Numbered(keys::kServerName, static_cast<int>(i) + 1);
    auto put = [&](const char* key, const std::string& value) { w.Text(section, key, value); };
    auto flag = [&](const char* key, bool on) { put(key, on ? "1" : "0"); };
    w.Text(section, e.name);
    put(keys::kServerTimeDiff, TimeDiffText(e.time_diff));
    put(keys::kServerDataSource, e.data_source);
    put("DateTimeFormat", e.date_time_format);
    put("Username", e.user);
    put("Password", e.password.empty() ? std::string() : ScramblePassword(e.password));
    flag("Local", e.local);
    flag("SQL", e.type == DatabaseType::kSqlServer || e.type == DatabaseType::kMySql);
    flag("Oracle", e.type == DatabaseType::kOracle);
    flag("mySQL", e.type == DatabaseType::kMySql);
    put(keys::kServerPdc, e.pdc);
    put("SiteName", e.site_name);
    put("Database", e.database_name);
    put("DBServer", e.database_server);
  }
}

bool ReportIfFailed(const SettingsWriter& w, ConfigUi& ui) {
  if (!w.failed()) return false;
  ui.ShowMessage("Could not write to " + w.path() + ".", kFileErrorTitle, MessageIcon::kError);
  return true;
}

bool FromNetworkShare(const std::string& dir) { return dir.rfind("\\\\", 0) == 0 || dir.rfind("//", 0) == 0; }

}  // namespace

std::string CustomFilterFields(const ConfigSettings& s) {
  std::vector<std::string> fields;
  for (const CustomFilter& f : s.custom_filters) fields.push_back(f.field);
  return JoinSemicolonList(fields);
}

SaveOutcome SaveSettings(ConfigSettings& s, SaveEnvironment& env) {
  if (!ValidateSettings(s, env.definitions, env.ui)) return SaveOutcome::kRefused;
  SettingsWriter w((std::filesystem::path(env.program_dir) / keys::kFileName).string());
  WriteScanAndSecurity(s, w);
  WriteGroups(s, w);
  WriteGeneral(s, w);
  if (ReportIfFailed(w, env.ui)) return SaveOutcome::kSettingsNotWritten;

  std::string expanded_admins;
  if (!s.admin_users.empty()) {
    AdminExpansion expansion;
    {
      WaitCursor wait(env.ui);
      expansion = env.admin_users.Expand(s.admin_users, env.ui);
    }
    if (expansion.outcome == AdminExpansion::Outcome::kSaveEnded) return SaveOutcome::kEndedAtAdmins;
    expanded_admins = expansion.expanded;
    w.Text("AdminUsersExpanded", expanded_admins);
  }
  WriteServers(s, w);
  if (ReportIfFailed(w, env.ui)) return SaveOutcome::kSettingsNotWritten;

  // The profile functions write through to the file, so there is no cache to flush.
  Status written = WriteIncludeFile(s, expanded_admins, env.program_dir);
  if (!written.ok()) {
    env.ui.ShowMessage(written.message(), kFileErrorTitle, MessageIcon::kError);
    return SaveOutcome::kIncludeNotWritten;
  }
  if (!FromNetworkShare(env.program_dir) && env.offer_restart) env.offer_restart();
  return SaveOutcome::kSaved;
}

}  // namespace korvale::config
