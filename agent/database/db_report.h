// How database failures are reported: error texts without line feeds, and
// events carrying the table concerned, the data source name and the message.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "agent/database/database.h"
#include "common/status.h"

namespace korvale {

// The driver's error text with every line feed replaced by a blank.
std::string ErrorText(const SqlError& error);

// `text` followed by "\r\nSQL- statement:\r\n" and the statement.
std::string WithStatement(std::string_view text, std::string_view statement);

// "Error: %s while executing the following statement on the database: %s".
std::string StatementErrorText(const SqlError& error, std::string_view statement);

// Error event `id` with the texts table, the DB setting and `message`.
void LogTableEvent(Database& db, uint32_t id, std::string_view table, std::string_view message);

// A failure value carrying the error text and the ODBC return code.
Status ToStatus(const SqlError& error);

}  // namespace korvale
