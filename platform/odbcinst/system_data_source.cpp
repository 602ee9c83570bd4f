#include "platform/odbcinst/system_data_source.h"

#include <odbcinst.h>

#include <algorithm>
#include <array>

#include "common/text.h"
namespace korvale::odbcinst {
namespace {

bool DriverInstalled(const std::string& driver) {
  std::array<char, 16384> list{};
  WORD length = 0;
  if (!SQLGetInstalledDrivers(list.data(), static_cast<WORD>(list.size()), &length)) return false;
  for (const char* name = list.data(); *name != '\0'; name += std::char_traits<char>::length(name) + 1) {
    if (Lower(name) == Lower(driver)) return true;
  }
  return false;
}

std::string InstallerError(DWORD* first_code) {
  std::string message;
  for (WORD record = 1; record <= 8; ++record) {
    std::array<char, 512> text{};
    DWORD code = 0;
    WORD length = 0;
    if (SQLInstallerError(record, &code, text.data(), static_cast<WORD>(text.size()), &length) != SQL_SUCCESS)
      break;
    if (record == 1) *first_code = code;
    if (!message.empty()) message += " ";
    message += text.data();
  }
  return message;
}

// A driver without a setup routine (the SQLite drivers on Linux have none):
// the definition is written with the installer's own profile functions.
Status WriteDefinition(const std::string& driver, const std::vector<std::string>& attributes) {
  std::string dsn;
  for (const std::string& attribute : attributes) {
    if (Lower(attribute.substr(0, 4)) == "dsn=") dsn = attribute.substr(4);
  }
  if (dsn.empty()) return Status::Error("No data source name was given.");
  SQLSetConfigMode(ODBC_SYSTEM_DSN);
  bool written = SQLWriteDSNToIni(dsn.c_str(), driver.c_str());
  for (const std::string& attribute : attributes) {
    const auto eq = attribute.find('=');
    if (!written || eq == std::string::npos || eq + 1 == attribute.size()) continue;
    const std::string key = attribute.substr(0, eq);
    if (Lower(key) == "dsn") continue;
    written =
        SQLWritePrivateProfileString(dsn.c_str(), key.c_str(), attribute.substr(eq + 1).c_str(), "odbc.ini");
  }
  SQLSetConfigMode(ODBC_BOTH_DSN);
  if (written) return Status::Ok();
  DWORD code = 0;
  const std::string message = InstallerError(&code);
  return Status::Error(message.empty() ? "The data source " + dsn + " could not be written." : message, code);
}

}  // namespace

Status AddSystemDataSource(const std::string& driver, const std::vector<std::string>& attributes) {
  if (!DriverInstalled(driver)) return Status::Error("The ODBC driver " + driver + " is not installed.");
  // Each attribute ends in a zero character and the list in a second one.
  std::string list;
  for (const std::string& attribute : attributes) {
    list += attribute;
    list += '\0';
  }
  list += '\0';
  if (SQLConfigDataSource(nullptr, ODBC_ADD_SYS_DSN, driver.c_str(), list.c_str())) return Status::Ok();
  DWORD code = 0;
  std::string message = InstallerError(&code);
  // A general error is what the installer reports when the driver's setup
  // library has no configuration routine.
  if (code == ODBC_ERROR_GENERAL_ERR) return WriteDefinition(driver, attributes);
  if (message.empty()) message = "The data source could not be created with the driver " + driver + ".";
  return Status::Error(message, static_cast<int64_t>(code));
}

}  // namespace korvale::odbcinst
