#include "Setup/settings_written.h"

#include "common/password_scramble.h"
#include "config/settings_writer.h"
#include "platform/profile/profile.h"

namespace korvale::setup {

const char* const kPasswordDeletedMessage =
    "Please note that the password for accessing your database has been deleted.\n"
    "You need to re-set this password with the Korvale Configuration program\n"
    "(KorvaleCfg.exe) after installation.";

const char* const kDropTablesMessage =
    "Please note that if you are upgrading from a previous Korvale Version and you\n"
    "are using the same SQL- server, Oracle, or mySQL datasource,\n"
    "you need to manually DROP the following tables in your database\n"
    "before you start the Korvale Service for the first time:\n"
    "'KorvaleTable1', 'KorvaleTable2', and 'Meetings'.\n\n"
    "This is due to a change in the table properties.";

namespace {

constexpr const char* kConfig = "Config";
constexpr const char* kServer1 = "Server1";

std::string StoredPassword(const std::string& plain) {
  return plain.empty() ? std::string(kEmptyPasswordMarker) : ScramblePassword(plain);
}

// The three dialect keys (and the embedded database's) by database type.
void WriteDatabaseType(const InstallAnswers& a, config::SettingsWriter& ini) {
  switch (a.database_type) {
    case DatabaseType::kAccess:
      ini.Remove("SQLServer");
      ini.Remove("Oracle");
      ini.Remove("mySQL");
      break;
    case DatabaseType::kSqlServer:
      ini.Int("SQLServer", 1);
      ini.Int("Oracle", 0);
      ini.Int("mySQL", 0);
      break;
    case DatabaseType::kMySql:
      ini.Int("SQLServer", 0);
      ini.Remove("Oracle");
      ini.Int("mySQL", 1);
      break;
    case DatabaseType::kOracle:
      ini.Int("SQLServer", 0);
      ini.Int("Oracle", 1);
      ini.Int("mySQL", 0);
      break;
    case DatabaseType::kSQLite:
      ini.Int("SQLServer", 0);
      ini.Int("Oracle", 0);
      ini.Int("mySQL", 0);
      break;
  }
  // The embedded database's dialect key goes with every other choice, or it would win over it.
  if (a.database_type == DatabaseType::kSQLite) {
    ini.Int("SQLite", 1);
  } else {
    ini.Remove("SQLite");
  }
  if (a.database_type == DatabaseType::kAccess) {
    ini.Text("GUID2", std::string(kEmptyPasswordMarker));
  } else {
    ini.Text("DBUserName", a.db_user);
    ini.Text("GUID2", StoredPassword(a.db_password));
  }
}

void WriteServer1(const InstallAnswers& a, config::SettingsWriter& ini) {
  const bool sql = a.database_type == DatabaseType::kSqlServer || a.database_type == DatabaseType::kMySql;
  ini.Text(kServer1, "TimeDiff", "0");
  ini.Text(kServer1, "DS", a.data_source);
  ini.Text(kServer1, "DateTimeFormat", "%c");
  ini.Text(kServer1, "Local", "1");
  ini.Text(kServer1, "SQL", sql ? "1" : "0");
  ini.Text(kServer1, "Oracle", a.database_type == DatabaseType::kOracle ? "1" : "0");
  ini.Text(kServer1, "mySQL", a.database_type == DatabaseType::kMySql ? "1" : "0");
  if (a.database_type != DatabaseType::kAccess) {
    ini.Text(kServer1, "Username", a.db_user);
    ini.Text(kServer1, "Password", a.db_password.empty() ? "" : ScramblePassword(a.db_password));
  }
  if (a.wow64) {
    ini.Text(kServer1, "Database", a.database_name);
    ini.Text(kServer1, "DBServer", a.database_server);
  }
}

// What the quiet installation writes beyond the wizard's keys.
void WriteQuietSettings(const InstallAnswers& a, const std::string& expanded_admins,
                        config::SettingsWriter& ini) {
  const QuietAnswers& q = a.quiet_answers;
  ini.Int("CycleTime", 60);
  ini.Int("DaysPast", 60);
  ini.Int("DaysAhead", 60);
  ini.Int("SecurityLevel", 0);
  ini.Text("GUID2", StoredPassword(a.db_password));
  ini.Text("ApptBookedByText", "Booked by %s\\n");
  ini.Text("DateTimeFormat", "%c");
  ini.Text("AdminUsers", q.admin_users);
  ini.Text("AdminUsersExpanded", expanded_admins);
  ini.Int("Holidays", 0);
  ini.Text("DL1", q.users_display);
  ini.Text("Group1", "All users");
  ini.RemoveSection("Group1");
  for (size_t i = 0; i < q.member_addresses.size(); ++i) {
    ini.Text("Group1", "Addr" + std::to_string(i + 1), q.member_addresses[i]);
  }
}

}  // namespace

bool WriteInstallationSettings(const InstallAnswers& a, const std::string& expanded_admins,
                               const std::string& ini_file, SetupUi& ui) {
  const bool had_server1 = !profile::GetString(ini_file, kConfig, "Server1", "", 256).empty();
  const bool had_guid2 = !profile::GetString(ini_file, kConfig, "GUID2", "", 256).empty();
  config::SettingsWriter ini(ini_file);
  if (a.quiet && !had_server1 && had_guid2) {
    ini.Remove("GUID2");
    ui.ShowMessage(kPasswordDeletedMessage, kSetupTitle, MessageIcon::kInformation);
  }
  if (a.wow64) {
    ini.Int("Wow64", 1);
    ini.Text("Database", a.database_name);
    ini.Text("DBServer", a.database_server);
  } else {
    ini.Remove("Wow64");
  }
  ini.Text("Version", "5.0");
  ini.Text("DB", a.data_source);
  WriteDatabaseType(a, ini);
  ini.Text("HomeServer", a.home_server);
  ini.Text("NotificationServer", a.home_server);
  ini.Text("NotificationMailbox", a.logon_mailbox);
  ini.Int("MSX2k", a.msx2k);
  ini.Remove("LogonServer");
  ini.Remove("LogonMailbox");
  ini.Text("LogonServer", a.logon_server);
  ini.Text("LogonMailbox", a.logon_mailbox);
  // Kept so that the next run of the setup presets the code page it chose (it reads LCID from here).
  ini.Int("LCID", static_cast<int>(a.lcid));
  ini.Text("Server1", a.home_server_name);
  WriteServer1(a, ini);
  if (a.quiet) WriteQuietSettings(a, expanded_admins, ini);
  if (ini.failed()) {
    ui.ShowMessage("Could not write to " + ini_file + ".", "File Error", MessageIcon::kError);
    return false;
  }
  // The note names the server databases; the embedded database is a file of this installation.
  if (!had_server1 && a.database_type != DatabaseType::kAccess && a.database_type != DatabaseType::kSQLite) {
    ui.ShowMessage(kDropTablesMessage, kSetupTitle, MessageIcon::kInformation);
  }
  return true;
}

}  // namespace korvale::setup
