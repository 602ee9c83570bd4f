// Connecting to the data source and running the configured start statement.
#include "agent/database/open_database.h"

#include "agent/database/db_report.h"
#include "agent/database/stored_procedures.h"

namespace korvale {
namespace {

constexpr int kSqlError = -1;  // ODBC's SQL_ERROR

// An attribute value in braces, so that ";", "=" and braces in it stay part
// of the value; a closing brace inside is written twice.
std::string Braced(const std::string& value) {
  std::string out = "{";
  for (char c : value) {
    out += c;
    if (c == '}') out += '}';
  }
  return out + "}";
}

}  // namespace

std::string BuildConnectString(const AgentSettings& settings) {
  std::string text = "DSN=" + settings.db;
  if (!settings.db_user_name.empty()) {
    text += ";UID=" + Braced(settings.db_user_name);
    if (!settings.database_password.empty()) text += ";PWD=" + Braced(settings.database_password);
  }
  return text;
}

Expected<std::unique_ptr<Database>> OpenDatabase(const AgentSettings& settings, AgentLog& log,
                                                 const SqlConnector& connector) {
  auto connection = connector(BuildConnectString(settings));
  if (!connection.ok()) {
    log.LogEvent(EventType::kError, event_id::kDataSource, settings.db);
    if (connection.error().return_code == kSqlError) {
      log.LogEvent(EventType::kError, event_id::kLogonObjects,
                   "Database Error: " + ErrorText(connection.error()));
    }
    return ToStatus(connection.error());
  }
  auto db = std::make_unique<Database>(settings, log, std::move(*connection));
  (void)RunStoredProcStart(*db);  // the preparation goes on
  return db;
}

}  // namespace korvale
