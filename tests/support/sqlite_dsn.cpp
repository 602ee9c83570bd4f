// Temporary SQLite data sources for tests, and the odbc.ini they live in.
#include "tests/support/sqlite_dsn.h"

#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>

namespace korvale::testing {
namespace {

std::string Trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// The library of an installed driver, as the driver manager's odbcinst.ini names it.
std::string DriverLibrary(const std::string& driver) {
  const char* sys_dir = std::getenv("ODBCSYSINI");
  std::ifstream in(std::string(sys_dir != nullptr ? sys_dir : "/etc") + "/odbcinst.ini");
  std::string line;
  bool in_section = false;
  while (std::getline(in, line)) {
    line = Trimmed(line);
    if (!line.empty() && line.front() == '[') {
      in_section = Lower(line) == "[" + Lower(driver) + "]";
    } else if (in_section && line.find('=') != std::string::npos &&
               Lower(Trimmed(line.substr(0, line.find('=')))) == "driver") {
      return Trimmed(line.substr(line.find('=') + 1));
    }
  }
  return "";
}

// Folders where the driver manager finds a driver named without a path: its
// own library folder's "odbc" subfolder and the folder itself.
std::vector<std::filesystem::path> DriverFolders() {
  std::vector<std::filesystem::path> folders;
  dl_iterate_phdr(
      [](dl_phdr_info* info, size_t, void* data) {
        std::filesystem::path path(info->dlpi_name != nullptr ? info->dlpi_name : "");
        if (path.filename().string().rfind("libodbc.so", 0) == 0) {
          auto* out = static_cast<std::vector<std::filesystem::path>*>(data);
          out->push_back(path.parent_path() / "odbc");
          out->push_back(path.parent_path());
        }
        return 0;
      },
      &folders);
  return folders;
}

// Keeps a driver loaded until the process ends. The driver manager unloads a
// driver when its last connection goes; allocations the driver keeps for good
// then point into an unloaded library, which the leak checker can neither name
// nor let the suppressions below match.
void PinDriver(const std::string& driver) {
  static std::set<std::string> pinned;
  if (!pinned.insert(driver).second) return;
  std::filesystem::path library = DriverLibrary(driver);
  if (library.empty()) return;
  if (library.is_relative()) {
    for (const auto& folder : DriverFolders()) {
      std::error_code ec;
      if (std::filesystem::exists(folder / library, ec)) {
        library = folder / library;
        break;
      }
    }
  }
  // The handle is kept on purpose: the library is to stay.
  (void)::dlopen(library.c_str(), RTLD_NOW | RTLD_NODELETE);
}

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
  for (const auto& [key, value] : keys) {
    if (key == "Driver") PinDriver(value);
  }
  const std::string name = name_prefix + "_" + std::to_string(::getpid()) + "_" + std::to_string(++ini.next);
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
  name_ =
      RegisterTestDsn("korvale_sqlite", {{"Driver", "SQLite3"},
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
// allocations for good each time a driver is loaded; they are theirs, not
// ours, and would fail every sanitizer run of a test that uses a data source.
// Every test data source is registered here, so this object is in each such test.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libodbcinst.so\nleak:libmaodbc.so\nleak:libsqlite3odbc.so\n";
}
