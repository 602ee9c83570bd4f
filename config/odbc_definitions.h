// The data source definitions of this machine (unixODBC's user and system lists).
#pragma once

#include "config/validate_settings.h"

namespace korvale::config {

class OdbcDefinitions : public DataSourceDefinitions {
 public:
  DataSourceValues Read(const std::string& dsn) override;
};

}  // namespace korvale::config
