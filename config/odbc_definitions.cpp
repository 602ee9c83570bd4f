#include "config/odbc_definitions.h"

#include "platform/odbcinst/dsn_values.h"

namespace korvale::config {

DataSourceValues OdbcDefinitions::Read(const std::string& dsn) {
  return {odbcinst::ReadDsnValue(dsn, "Database"), odbcinst::ReadDsnValue(dsn, "Server")};
}

}  // namespace korvale::config
