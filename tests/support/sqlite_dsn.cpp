// Temporary SQLite data sources for tests, and the odbc.ini they live in.
#include "tests/support/sqlite_dsn.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <mutex>

namespace korvale::testing {
namespace {

struct IniFile {
  TempDir dir;
  std::string path = dir.File("odbc.ini");
  int next = 0;
};

}  // namespace

std::string RegisterTestDsn(const std::string& name_prefix,
                            const std::vector<std::pair<std::string, std::string>>& keys) {
  static std::mutex mutex;
  // Lives until the process ends; the folder goes with it.
  static IniFile ini;
  std::lock_guard<std::mutex> lock(mutex);
  const std::string name =
      name_prefix + "_" + std::to_string(::getpid()) + "_" + std::to_string(++ini.next);
  {
    std::ofstream out(ini.path, std::ios::app);
    out << "[" << name << "]\n";
    for (const auto& [key, value] : keys) out << key << "=" << value << "\n";
    out << "\n";
  }
  ::setenv("ODBCINI", ini.path.c_str(), 1);
  return name;
}


SqliteDsn::SqliteDsn() : file_(dir_.File("korvale.db")) {
  name_ = RegisterTestDsn("korvale_sqlite",
                          {{"Driver", "SQLite3"},
                           {"Database", file_},
                           // Wait for a lock of another connection instead of failing.
                           {"Timeout", "30000"},
                           // Dates stay "YYYY-MM-DD HH:MM:SS" texts, never Julian day numbers.
                           {"JDConv", "0"},
                           // Plain statement execution, so long texts come back whole.
                           {"StepAPI", "0"},
                           {"NoTXN", "0"},
                           {"LongNames", "0"},
                           {"ShortNames", "0"},
                           // Test data need no flush to disk after every statement.
                           {"SyncPragma", "OFF"}});
}

}  // namespace korvale::testing

// The driver manager's setup library and the MariaDB driver keep a few
// allocations for good each time they are loaded; they are theirs, not ours,
// and would fail every sanitizer run of a test that uses a data source. Every
// test data source is registered here, so this object is in each such test.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libodbcinst.so\nleak:libmaodbc.so\n";
}
