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
// Nothing is logged when the failure only repeats a fault of the database that
// was reported already (Database::RepeatsFault): a full disk or a lost
// connection would otherwise give one event for every row that follows.
void LogTableEvent(Database& db, uint32_t id, std::string_view table, std::string_view message);

// Reports a fault of the database (see DatabaseFault) as the one event that
// says why the cycle ends:
//  - a lost connection: error event 134 "Database Error: the connection to the
//    database was lost: <error>" with the statement, and that the steps that
//    need the database do not run;
//  - a failure of the database on the watched fill table: error event 119
//    (fill table, DB, text): the error, the statement, and that the table is
//    not published (shared-table mode: that no rows are deleted).
void LogFault(Database& db, const DatabaseFault& fault);

// A failure value carrying the error text and the ODBC return code.
Status ToStatus(const SqlError& error);

}  // namespace korvale
