#include "Setup/quiet_install.h"

#include <cstdlib>
#include <filesystem>

#include "Setup/previous_installation.h"
#include "common/list_split.h"
#include "common/password_scramble.h"
#include "platform/odbcinst/data_sources.h"
#include "platform/profile/profile.h"

namespace korvale::setup {
namespace fs = std::filesystem;
namespace {

constexpr const char* kSection = "SetupInfo";

DatabaseType TypeOf(const profile::ProfileSnapshot& ini) {
  if (ini.GetInt(kSection, "SQLServer", 0) != 0) return DatabaseType::kSqlServer;
  if (ini.GetInt(kSection, "Oracle", 0) != 0) return DatabaseType::kOracle;
  if (ini.GetInt(kSection, "mySQL", 0) == 1) return DatabaseType::kMySql;
  if (ini.GetInt(kSection, "SQLite", 0) == 1) return DatabaseType::kSQLite;
  return DatabaseType::kAccess;
}

// The locale of the user's environment, as far as the code-page table names it.
std::uint32_t UserLcid() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') continue;
    const std::string locale(value);
    if (locale.rfind("de", 0) == 0) return 1031;
    if (locale.rfind("en_GB", 0) == 0) return 2057;
    if (locale.rfind("en", 0) == 0) return 1033;
    return 0;  // use server default
  }
  return 0;
}

std::string TrueFalse(bool value) { return value ? "True" : "False"; }

}  // namespace

Expected<InstallAnswers> ReadAnswerFile(const std::string& setup_ini) {
  profile::ProfileSnapshot ini(setup_ini);
  if (!ini.exists()) return Status::Error("Can't find " + setup_ini + ".");
  auto text = [&ini](const char* key, size_t size = 256) { return ini.GetString(kSection, key, "", size); };
  InstallAnswers a;
  a.quiet = true;
  a.destination_path = text("DestinationPath");
  a.database_type = TypeOf(ini);
  a.data_source = text("Datasource");
  const std::string org = text("MSXOrg"), site = text("MSXSite"), server = text("MSXServerName");
  a.home_server = "/o=" + org + "/ou=" + site + "/cn=Configuration/cn=Servers/cn=" + server;
  a.home_server_name = server;
  a.msx2k = ini.GetInt(kSection, "MSX2k", 0);
  a.service_account = text("ServAccName");
  a.service_password = text("ServAccPassword");
  a.db_user = text("SQLUserName");
  a.db_password = text("SQLPassword");
  a.database_name = text("Database");
  a.database_server = text("SQLServerName");
  a.logon_server = ini.GetString(kSection, "LogonServer", server, 256);
  a.logon_mailbox = text("LogonMailbox");
  const std::string lcid = text("LCID");
  a.lcid = lcid.empty() ? UserLcid() : static_cast<std::uint32_t>(std::strtoul(lcid.c_str(), nullptr, 0));
  QuietAnswers& q = a.quiet_answers;
  q.driver = ini.GetString(kSection, "Driver", "SQL Server", 256);
  q.admin_users = text("AdminUsers", 1025);
  q.users_display = text("MSXUsersDisplay", 1025);
  for (const std::string& name : SplitSemicolonList(text("MSXUsersDistNames", 1025))) {
    if (!name.empty())
      q.member_addresses.push_back("/o=" + org + "/ou=" + site + "/cn=Recipients/cn=" + name);
  }
  return a;
}

bool CreateSystemDataSource(const InstallAnswers& a, SetupUi& ui) {
  const std::string database = "Database=" + a.database_name;
  const std::string server = "Server=" + a.database_server;
  Status made =
      odbcinst::AddSystemDataSource(a.quiet_answers.driver, {"DSN=" + a.data_source, database, server});
  if (made.ok()) return true;
  ui.ShowMessage("The following datasource could not be set up:\nDatasource name:" + a.data_source +
                     "\nDriver:" + a.quiet_answers.driver + "\nArguments:\n" + database + "\n" + server,
                 kSetupErrorTitle, MessageIcon::kError);
  return false;
}

std::string FirstIncludeFileText(const InstallAnswers& a, const std::string& expanded_admins) {
  const bool access = a.database_type == DatabaseType::kAccess;
  const bool sql = a.database_type == DatabaseType::kSqlServer || a.database_type == DatabaseType::kMySql;
  const std::string password = a.db_password.empty() ? "" : ScramblePassword(a.db_password);
  std::string t = "<%\r\nDB = \"" + a.data_source + "\"\r\n";
  t += "SQLServer = " + TrueFalse(sql) + "\r\n";
  t += "Oracle = " + TrueFalse(a.database_type == DatabaseType::kOracle) + "\r\n";
  t += "mySQL = " + TrueFalse(a.database_type == DatabaseType::kMySql) + "\r\n";
  t += "SecurityLevel = 0\r\n";
  t += std::string("Deli = \"") + (access ? "#" : "'") + "\"\r\nacc = \"" + a.db_user + "\"\r\npwd = \"" +
       password + "\"\r\n\r\n";
  t += "Menu(1) = \"All users\"\r\n";
  t += "\r\nDim Servers(1,11)\r\n";
  t += "Servers(1,1) = \"" + a.home_server_name + "\"\r\n";
  t += "Servers(1,2) = +0\r\n";
  t += "Servers(1,3) = \"" + a.data_source + "\"\r\n";
  t += "Servers(1,4) = \"%c\"\r\n";
  t += "Servers(1,5) = \"" + a.db_user + "\"\r\n";
  t += "Servers(1,6) = \"" + password + "\"\r\n";
  t += "Servers(1,7) = True\r\n";
  t += "Servers(1,8) = " + TrueFalse(sql) + "\r\n";
  t += "Servers(1,9) = \"\"\r\n";
  t += "\r\nAdminUsers = \"" + expanded_admins + "\"\r\n";
  t += "%>";
  return t;
}

int RunQuietInstallation(SetupUi& ui, const InstallContext& context) {
  auto answers = ReadAnswerFile((fs::path(context.setup_dir) / "Setup.ini").string());
  if (!answers.ok()) {
    ui.ShowMessage(answers.status().message(), kSetupErrorTitle, MessageIcon::kError);
    return 1;
  }
  // An installation over an earlier one is an upgrade when that one had a home server.
  InstallAnswers previous;
  PresetFromSettings(answers->destination_path, previous);
  answers->upgrade = previous.upgrade;
  if (!answers->data_source.empty()) (void)CreateSystemDataSource(*answers, ui);
  return RunInstallationSteps(*answers, ui, context).ok() ? 0 : 1;
}

}  // namespace korvale::setup
