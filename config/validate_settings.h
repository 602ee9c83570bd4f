// The checks a save makes before it writes anything: a home Exchange server
// and a local datasource are required, and on a 64-bit installation the
// datasource definitions must name the database (and, for SQL Server, the
// database server) that the web pages connect to.
#pragma once

#include <string>

#include "config/config_settings.h"
#include "config/config_ui.h"

namespace korvale::config {

inline constexpr const char* kConfigErrorTitle = "Configuration Error";
inline constexpr const char* kDatasourceErrorTitle = "Datasource Error";

// The "Database" and "Server" values of a data source definition; a value
// that cannot be read is empty.
struct DataSourceValues {
  std::string database;
  std::string server;
};

class DataSourceDefinitions {
 public:
  virtual ~DataSourceDefinitions() = default;
  virtual DataSourceValues Read(const std::string& dsn) = 0;
};

// Shows the first failure as a message box and returns false; nothing is
// written. On a 64-bit installation (the stored Wow64 flag) empty database
// names and servers of the record and of every server entry are filled from
// their data source definitions first, and they stay filled.
bool ValidateSettings(ConfigSettings& settings, DataSourceDefinitions& definitions, ConfigUi& ui);

}  // namespace korvale::config
