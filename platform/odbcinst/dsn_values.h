// Values of unixODBC data source definitions (user and system odbc.ini, or
// the files ODBCINI and ODBCSYSINI name), read with the installer library's
// own profile function so that they are found exactly where the driver
// manager finds them.
//
//   std::string database = odbcinst::ReadDsnValue("korvale", "Database");
#pragma once

#include <string>

namespace korvale::odbcinst {

// The value of `key` in data source `dsn`, user definitions before system
// ones; empty when the data source or the key does not exist.
std::string ReadDsnValue(const std::string& dsn, const std::string& key);

}  // namespace korvale::odbcinst
