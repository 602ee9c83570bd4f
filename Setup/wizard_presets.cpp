#include "Setup/wizard_presets.h"

#include <filesystem>

#include "common/password_scramble.h"
#include "common/settings_keys.h"
#include "platform/profile/profile.h"

namespace korvale::setup {
namespace {

constexpr size_t kValueBuffer = 255;

DatabaseType TypeFromDialectKeys(const profile::ProfileSnapshot& ini) {
  const char* section = settings_keys::kConfigSection;
  // The embedded database's own key comes first: its installations carry no other.
  if (ini.GetInt(section, "SQLite", 0) == 1) return DatabaseType::kSQLite;
  if (ini.GetInt(section, "SQLServer", 0) != 0) return DatabaseType::kSqlServer;
  if (ini.GetInt(section, "Oracle", 0) != 0) return DatabaseType::kOracle;
  if (ini.GetInt(section, "mySQL", 0) == 1) return DatabaseType::kMySql;
  return DatabaseType::kAccess;
}

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 99;
}

}  // namespace

std::optional<std::string> FindPreviousFolder(const registry::Registry& registry) {
  for (std::string_view key : {kUserInfoKey, kOlderUserInfoKey}) {
    std::optional<std::string> folder =
        registry.GetString(registry::kLocalMachine, std::string(key), std::string(kDestinationPathValue));
    if (folder && !folder->empty()) return folder;
  }
  return std::nullopt;
}

PreviousInstallation ReadPreviousInstallation(const std::string& folder) {
  PreviousInstallation previous;
  previous.folder = folder;
  profile::ProfileSnapshot ini((std::filesystem::path(folder) / settings_keys::kFileName).string());
  const char* section = settings_keys::kConfigSection;
  previous.datasource = ini.GetString(section, "DB", "", kValueBuffer);
  previous.database_type = TypeFromDialectKeys(ini);
  previous.home_server = ini.GetString(section, "HomeServer", "", kValueBuffer);
  previous.exchange_version = ini.GetInt(section, "MSX2k", 0);
  previous.db_user = ini.GetString(section, "DBUserName", "", kValueBuffer);
  previous.db_password = PasswordFromGuid2(ini.GetString(section, "GUID2", "", kValueBuffer));
  previous.lcid = ParseLcid(ini.GetString(section, "LCID", "0", kValueBuffer));
  previous.logon_mailbox = ini.GetString(section, "LogonMailbox", "", kValueBuffer);
  previous.logon_server = ini.GetString(section, "LogonServer", "", kValueBuffer);
  return previous;
}

std::uint32_t ParseLcid(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  int base = 10;
  if (i < text.size() && text[i] == '0') {
    base = 8;
    // "0x" without a hexadecimal digit after it reads as the number 0.
    if (i + 2 < text.size() && (text[i + 1] == 'x' || text[i + 1] == 'X') && DigitValue(text[i + 2]) < 16) {
      base = 16;
      i += 2;
    }
  }
  std::uint64_t value = 0;
  for (; i < text.size() && DigitValue(text[i]) < base; ++i) {
    value = value * base + DigitValue(text[i]);
    if (value > 0xFFFFFFFFu) return 0;
  }
  return static_cast<std::uint32_t>(value);
}

}  // namespace korvale::setup
