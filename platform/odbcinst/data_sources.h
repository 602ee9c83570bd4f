// Lists and writes unixODBC data source definitions with the installer
// library's own functions, so the datasource screen shows and changes exactly
// what the driver manager will find.
//
//   for (const DataSource& ds : ListDataSources()) show(ds.name, ds.driver);
//   WriteDataSource("korvale", "SQLite3", {{"Database", "/srv/k.db"}});
#pragma once

#include <string>
#include <utility>
#include <vector>

// The system data source the quiet installation creates lives beside these.
#include "platform/odbcinst/system_data_source.h"

namespace korvale::odbcinst {

struct DataSource {
  std::string name;
  std::string driver;  // the definition's "Driver", empty when it has none
};

// The user's and the system's definitions (a name defined in both once, the
// user's first), sorted by name.
std::vector<DataSource> ListDataSources();

// The names of the installed drivers (odbcinst.ini).
std::vector<std::string> ListDrivers();

// Creates or changes the user's definition `name`: its driver and the given
// keys (a key with an empty value is removed); other keys stay. False with
// `error` on failure.
bool WriteDataSource(const std::string& name, const std::string& driver,
                     const std::vector<std::pair<std::string, std::string>>& keys, std::string& error);

}  // namespace korvale::odbcinst
