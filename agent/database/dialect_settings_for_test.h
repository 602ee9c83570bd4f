// Settings that select one dialect, as the settings reader derives them.
#pragma once

#include "agent/database/dialect.h"
#include "common/agent_settings.h"

namespace korvale::testing {

inline AgentSettings SettingsFor(Dialect dialect) {
  AgentSettings s;
  switch (dialect) {
    case Dialect::kAccess: break;
    case Dialect::kSqlServer:
      s.sql_server = 1;
      s.sql_server_family_flag = true;
      break;
    case Dialect::kMySql:
      s.my_sql = 1;
      s.mysql_flag = true;
      s.sql_server_family_flag = true;
      break;
    case Dialect::kOracle:
      s.oracle = 1;
      s.oracle_flag = true;
      break;
    case Dialect::kSQLite:
      s.sqlite = 1;
      s.sqlite_flag = true;
      break;
  }
  return s;
}

inline const char* DialectName(Dialect dialect) {
  switch (dialect) {
    case Dialect::kAccess: return "Access";
    case Dialect::kSqlServer: return "SqlServer";
    case Dialect::kMySql: return "MySql";
    case Dialect::kOracle: return "Oracle";
    case Dialect::kSQLite: return "SQLite";
  }
  return "?";
}

}  // namespace korvale::testing
