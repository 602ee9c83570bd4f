#include "platform/odbcinst/data_sources.h"

#include <odbcinst.h>

#include <strings.h>

#include <algorithm>
#include <set>
#include <vector>

#include "platform/odbcinst/dsn_values.h"

namespace korvale::odbcinst {

namespace {

// A list of zero-terminated names ended by an empty one.
std::vector<std::string> NameList(const char* section, const char* file) {
  std::vector<char> buffer(65536);
  int length =
      SQLGetPrivateProfileString(section, nullptr, "", buffer.data(), static_cast<int>(buffer.size()), file);
  std::vector<std::string> names;
  for (int i = 0; i < length && buffer[i] != '\0';) {
    std::string name(&buffer[i]);
    i += static_cast<int>(name.size()) + 1;
    names.push_back(name);
  }
  return names;
}

std::string ReadUserValue(const std::string& section, const std::string& key) {
  std::vector<char> buffer(4096);
  SQLGetPrivateProfileString(section.c_str(), key.c_str(), "", buffer.data(), static_cast<int>(buffer.size()),
                             "odbc.ini");
  return buffer.data();
}

std::string InstallerError() {
  DWORD code = 0;
  char message[SQL_MAX_MESSAGE_LENGTH] = {};
  WORD length = 0;
  if (SQLInstallerError(1, &code, message, sizeof message, &length) == SQL_NO_DATA)
    return "unknown installer error";
  return message;
}

}  // namespace

std::vector<DataSource> ListDataSources() {
  std::set<std::string> seen;
  std::vector<DataSource> sources;
  // Both lists at once: the installer merges them as the driver manager does.
  SQLSetConfigMode(ODBC_BOTH_DSN);
  for (const std::string& name : NameList(nullptr, "odbc.ini")) {
    if (name == "ODBC Data Sources" || name == "ODBC" || !seen.insert(name).second) continue;
    sources.push_back({name, ReadDsnValue(name, "Driver")});
  }
  std::sort(sources.begin(), sources.end(),
            [](const DataSource& a, const DataSource& b) { return a.name < b.name; });
  return sources;
}

std::vector<std::string> ListDrivers() {
  std::vector<std::string> drivers;
  for (const std::string& name : NameList(nullptr, "odbcinst.ini")) {
    if (name != "ODBC") drivers.push_back(name);
  }
  return drivers;
}

bool WriteDataSource(const std::string& name, const std::string& driver,
                     const std::vector<std::pair<std::string, std::string>>& keys, std::string& error) {
  // The installer rewrites the definition whole: keys the form does not show are carried over.
  SQLSetConfigMode(ODBC_USER_DSN);
  std::vector<std::pair<std::string, std::string>> values;
  for (const std::string& key : NameList(name.c_str(), "odbc.ini")) {
    if (strcasecmp(key.c_str(), "Driver") == 0) continue;
    bool replaced = false;
    for (const auto& given : keys) replaced = replaced || strcasecmp(given.first.c_str(), key.c_str()) == 0;
    if (!replaced) values.emplace_back(key, ReadUserValue(name, key));
  }
  values.insert(values.end(), keys.begin(), keys.end());
  bool ok = SQLWriteDSNToIni(name.c_str(), driver.c_str());
  for (const auto& [key, value] : values) {
    if (!ok) break;
    if (!value.empty())
      ok = SQLWritePrivateProfileString(name.c_str(), key.c_str(), value.c_str(), "odbc.ini");
  }
  if (!ok) error = InstallerError();
  SQLSetConfigMode(ODBC_BOTH_DSN);
  return ok;
}

}  // namespace korvale::odbcinst
