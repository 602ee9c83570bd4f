// Creating a system data source with the ODBC installer's own
// SQLConfigDataSource, as the quiet installation does: the driver's setup
// library writes the definition where the driver manager finds it (the
// system odbc.ini, or the one in ODBCSYSINI).
//
//   Status made = odbcinst::AddSystemDataSource("SQLite3", {"DSN=korvale", "Database=/var/lib/k.db"});
#pragma once

#include <string>
#include <vector>

#include "common/status.h"

namespace korvale::odbcinst {

// Adds the system data source described by `attributes` ("KEY=value" each)
// with no window, through the driver's setup routine; a driver that has none
// gets its definition written with the installer's profile functions (empty
// values left out). Fails when the driver is not installed, or with the
// installer's error text.
Status AddSystemDataSource(const std::string& driver, const std::vector<std::string>& attributes);

}  // namespace korvale::odbcinst
