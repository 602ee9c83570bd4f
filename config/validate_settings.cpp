#include "config/validate_settings.h"

namespace korvale::config {

namespace {

enum class Missing { kNothing, kDatabase, kDatabaseAndServer };

// SQL Server needs both; mySQL and Oracle the database name; MS Access nothing.
Missing CheckDefinition(DatabaseType type, const std::string& database, const std::string& server) {
  switch (type) {
    case DatabaseType::kSqlServer:
      return database.empty() || server.empty() ? Missing::kDatabaseAndServer : Missing::kNothing;
    case DatabaseType::kMySql:
    case DatabaseType::kOracle: return database.empty() ? Missing::kDatabase : Missing::kNothing;
    case DatabaseType::kAccess: break;
  }
  return Missing::kNothing;
}

std::string MissingText(Missing missing, const std::string& dsn) {
  if (missing == Missing::kDatabaseAndServer) {
    return "You must specify a database and database server in the datasource definition '" + dsn + "'";
  }
  return "You must specify a database in the datasource definition '" + dsn + "'";
}

void FillEmpty(DataSourceDefinitions& definitions, const std::string& dsn, std::string& database,
               std::string& server) {
  if (!database.empty() && !server.empty()) return;
  DataSourceValues values = definitions.Read(dsn);
  if (database.empty()) database = values.database;
  if (server.empty()) server = values.server;
}

bool CheckDataSources(ConfigSettings& s, DataSourceDefinitions& definitions, ConfigUi& ui) {
  FillEmpty(definitions, s.db, s.database_name, s.database_server);
  Missing missing = CheckDefinition(s.database_type, s.database_name, s.database_server);
  if (missing != Missing::kNothing) {
    ui.ShowMessage(MissingText(missing, s.db), kDatasourceErrorTitle, MessageIcon::kError);
    return false;
  }
  for (ServerEntry& server : s.servers) {
    FillEmpty(definitions, server.data_source, server.database_name, server.database_server);
    // Each server's definition is checked by that server's own database type:
    // an MS Access database elsewhere needs no database server.
    missing = CheckDefinition(server.type, server.database_name, server.database_server);
    if (missing != Missing::kNothing) {
      ui.ShowMessage(MissingText(missing, server.data_source) +
                         "\r\nPlease open the 'Servers' definition and modify the datasource '" +
                         server.data_source + "'",
                     kDatasourceErrorTitle, MessageIcon::kError);
      return false;
    }
  }
  return true;
}

}  // namespace

bool ValidateSettings(ConfigSettings& s, DataSourceDefinitions& definitions, ConfigUi& ui) {
  if (s.home_server.empty()) {
    ui.ShowMessage("Please select your Home Exchange Server", kConfigErrorTitle, MessageIcon::kError);
    return false;
  }
  if (s.db.empty()) {
    ui.ShowMessage("Please enter a DataSource", kConfigErrorTitle, MessageIcon::kError);
    return false;
  }
  if (s.wow64 && !CheckDataSources(s, definitions, ui)) return false;
  return true;
}

}  // namespace korvale::config
