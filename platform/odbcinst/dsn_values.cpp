#include "platform/odbcinst/dsn_values.h"

#include <odbcinst.h>

#include <array>

namespace korvale::odbcinst {

std::string ReadDsnValue(const std::string& dsn, const std::string& key) {
  if (dsn.empty() || key.empty()) return {};
  std::array<char, 1024> buffer{};
  // Both lists, as a connection would look the name up. "odbc.ini" names the
  // data source lists, not a file path.
  SQLSetConfigMode(ODBC_BOTH_DSN);
  int length = SQLGetPrivateProfileString(dsn.c_str(), key.c_str(), "", buffer.data(),
                                          static_cast<int>(buffer.size()), "odbc.ini");
  if (length <= 0) return {};
  return std::string(buffer.data());
}

}  // namespace korvale::odbcinst
