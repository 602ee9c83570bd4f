// Data source definitions for tests: "Database" and "Server" per DSN from a
// map, every read recorded.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "config/validate_settings.h"

namespace korvale::testing {

class MapDataSourceDefinitions : public config::DataSourceDefinitions {
 public:
  config::DataSourceValues Read(const std::string& dsn) override {
    reads.push_back(dsn);
    auto it = values.find(dsn);
    return it == values.end() ? config::DataSourceValues{} : it->second;
  }
  std::map<std::string, config::DataSourceValues> values;
  std::vector<std::string> reads;
};

}  // namespace korvale::testing
