#include "platform/odbcinst/data_sources.h"

#include <odbcinst.h>

#include <array>

namespace korvale::odbcinst {

Status AddSystemDataSource(const std::string& driver, const std::vector<std::string>& attributes) {
  // Each attribute ends in a zero character and the list in a second one.
  std::string list;
  for (const std::string& attribute : attributes) {
    list += attribute;
    list += '\0';
  }
  list += '\0';
  if (SQLConfigDataSource(nullptr, ODBC_ADD_SYS_DSN, driver.c_str(), list.c_str())) return Status::Ok();
  std::string message;
  DWORD code = 0;
  for (WORD record = 1; record <= 8; ++record) {
    std::array<char, 512> text{};
    WORD length = 0;
    if (SQLInstallerError(record, &code, text.data(), static_cast<WORD>(text.size()), &length) != SQL_SUCCESS) break;
    if (!message.empty()) message += " ";
    message += text.data();
  }
  if (message.empty()) message = "The data source could not be created with the driver " + driver + ".";
  return Status::Error(message, static_cast<int64_t>(code));
}

}  // namespace korvale::odbcinst
