// The installation record: everything the setup wizard's pages or the quiet
// installation's answer file (Setup.ini) collect before the installation
// steps run. Values are plain (the passwords unscrambled); the steps own the
// keys and encodings they are written with.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace korvale::setup {

// The database behind the data source. The first four are the wizard's radio
// buttons; kSQLite is the embedded default database here (Caldrun.ini key
// `SQLite`=1), chosen in the answer file.
enum class DatabaseType { kAccess = 0, kSqlServer = 1, kMySql = 2, kOracle = 3, kSQLite = 4 };

// What only the quiet installation has: it creates the data source itself,
// writes a few more settings and a first Korvale.inc.
struct QuietAnswers {
  // The ODBC driver the system data source is created with ("SQL Server"
  // unless the answer file's `Driver` names an installed one, e.g. "SQLite3").
  std::string driver = "SQL Server";
  std::string admin_users;                    // AdminUsers, NT form DOMAIN\name; "; "-joined
  std::string users_display;                  // MSXUsersDisplay: DL1 of group "All users"
  std::vector<std::string> member_addresses;  // from MSXUsersDistNames: Addr%d of [Group1]
};

struct InstallAnswers {
  std::string destination_path;  // the installation folder (absolute)
  std::uint32_t lcid = 0;        // code page of the web application (GLOBAL.ASA)

  DatabaseType database_type = DatabaseType::kAccess;
  std::string data_source;  // system DSN
  std::string db_user;      // not used for MS Access
  std::string db_password;  // plain; not used for MS Access
  // The data source's "Database" and "Server" (read from its definition on a
  // 64-bit system; the quiet installation's `Database` and `SQLServerName`).
  std::string database_name;
  std::string database_server;
  bool wow64 = false;  // always false for native programs

  int msx2k = 0;                 // Exchange version 0..3 (as MSX2k)
  std::string home_server;       // distinguished name of the home Exchange server
  std::string home_server_name;  // its plain name, the part after "/cn=Servers/cn="

  std::string service_account;  // DOMAIN\User
  std::string service_password;

  std::string logon_server;   // logon Exchange server
  std::string logon_mailbox;  // logon mailbox (distinguished name)

  std::string virtual_directory;  // created by the wizard's page with KvCrVDir

  // An upgrade: the previous installation's Caldrun.ini had a HomeServer. The
  // service is started at the end of an upgrade only.
  bool upgrade = false;

  // Set only by the quiet installation ("/Q" with Setup.ini).
  bool quiet = false;
  QuietAnswers quiet_answers;
};

// The part of a server's distinguished name after "/cn=Servers/cn=" (the whole
// text when it has none).
std::string PlainServerName(const std::string& distinguished_name);

}  // namespace korvale::setup
