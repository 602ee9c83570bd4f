// Reads Caldrun.ini into the configuration program's settings record, with
// the program's own read defaults (a missing file or key gives them).
//
//   ConfigSettings s = LoadSettings(dir + "/Caldrun.ini");
#pragma once

#include <string>

#include "config/config_settings.h"

namespace korvale::config {

// Reads every field of the record. Groups and servers are read for n = 1, 2,
// ... up to the first missing Group%d / Server%d; a GUID2 equal to the
// empty-password marker gives an empty password.
ConfigSettings LoadSettings(const std::string& ini_path);

// Database type from the three keys: mySQL (non-zero) wins, then SQL Server
// (exactly 1, as the agent reads it), then Oracle.
DatabaseType DatabaseTypeFromKeys(int my_sql, int sql_server, int oracle);

}  // namespace korvale::config
