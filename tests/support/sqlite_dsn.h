// A temporary SQLite database reached through the real ODBC driver manager
// and the SQLite3 ODBC driver, as the agent reaches its embedded database.
//
//   SqliteDsn dsn;
//   settings.db = dsn.name();  // connect with "DSN=" + dsn.name()
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "tests/support/temp_dir.h"

namespace korvale::testing {

// The odbc.ini of the test process: one temporary file that ODBCINI points
// to, holding every data source the process's tests register. Adds a section
// with `keys` (in order) and returns the new data source's name, unique on
// the machine.
std::string RegisterTestDsn(const std::string& name_prefix,
                            const std::vector<std::pair<std::string, std::string>>& keys);

class SqliteDsn {
 public:
  // A new, empty database file and a data source naming it.
  SqliteDsn();
  const std::string& name() const { return name_; }
  const std::string& database_file() const { return file_; }
  std::string ConnectString() const { return "DSN=" + name_; }

 private:
  TempDir dir_;
  std::string file_;
  std::string name_;
};

}  // namespace korvale::testing
