#include "Setup/previous_installation.h"

#include <cstdlib>
#include <filesystem>

#include "common/password_scramble.h"
#include "platform/profile/profile.h"

namespace korvale::setup {

std::optional<std::string> PreviousInstallationFolder(const registry::Registry& registry) {
  for (const char* key : {"Software\\Tarnwick\\Korvale\\UserInfo", "Software\\Oskerby\\Korvale\\UserInfo"}) {
    auto folder = registry.GetString(registry::kLocalMachine, key, "DestinationPath");
    if (folder && !folder->empty()) return folder;
  }
  return std::nullopt;
}

void PresetFromSettings(const std::string& folder, InstallAnswers& a) {
  const std::string file = (std::filesystem::path(folder) / "Caldrun.ini").string();
  profile::ProfileSnapshot ini(file);
  if (!ini.exists()) return;
  auto text = [&ini](const char* key) { return ini.GetString("Config", key, "", 256); };
  a.data_source = text("DB");
  if (ini.GetInt("Config", "SQLServer", 0) != 0) {
    a.database_type = DatabaseType::kSqlServer;
  } else if (ini.GetInt("Config", "Oracle", 0) != 0) {
    a.database_type = DatabaseType::kOracle;
  } else if (ini.GetInt("Config", "mySQL", 0) == 1) {
    a.database_type = DatabaseType::kMySql;
  } else if (ini.GetInt("Config", "SQLite", 0) == 1) {
    a.database_type = DatabaseType::kSQLite;
  } else {
    a.database_type = DatabaseType::kAccess;
  }
  a.home_server = text("HomeServer");
  a.home_server_name = PlainServerName(a.home_server);
  a.upgrade = !a.home_server.empty();
  a.msx2k = ini.GetInt("Config", "MSX2k", 0);
  a.db_user = text("DBUserName");
  a.db_password = PasswordFromGuid2(text("GUID2"));
  // strtoul with base 0 reads decimal, 0x hexadecimal and 0 octal, as the number was always read.
  a.lcid =
      static_cast<std::uint32_t>(std::strtoul(ini.GetString("Config", "LCID", "0", 256).c_str(), nullptr, 0));
  a.logon_mailbox = text("LogonMailbox");
  a.logon_server = text("LogonServer");
}

}  // namespace korvale::setup
