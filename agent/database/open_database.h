// Connecting to the cycle's data source: the connect string, the connection
// without any prompting, and the StoredProcStart statement right after it.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "agent/database/database.h"
#include "common/status.h"

namespace korvale {

// "DSN=<DB>", then ";UID={<DBUserName>}" when a user is set and, only then,
// ";PWD={<password>}" when the plain password is not empty. User and password
// are braced (a "}" in them doubled), so any character may be part of them:
//   user "korvale", password "a;b}c" -> "DSN=db;UID={korvale};PWD={a;b}}c}"
std::string BuildConnectString(const AgentSettings& settings);

// How a connection is made; tests put a fault-injecting wrapper in between.
using SqlConnector =
    std::function<SqlResult<std::unique_ptr<SqlConnection>>(const std::string& connect_string)>;

// Opens the data source of the `DB` setting. On failure: error event 122 with
// the DB value and, when the driver answered SQL_ERROR, error event 134
// "Database Error: %s". Then runs StoredProcStart when it is set; its failure
// is error event 134 and the connection stays open.
Expected<std::unique_ptr<Database>> OpenDatabase(const AgentSettings& settings, AgentLog& log,
                                                 const SqlConnector& connector = OpenSqlConnection);

}  // namespace korvale
