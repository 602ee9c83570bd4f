// The administrator's own statements: StoredProcStart right after connecting
// and StoredProcEnd at the end of the cycle.
#pragma once

#include <string>

#include "agent/database/database.h"
#include "common/status.h"

namespace korvale {

// Traces and executes `statement`; a failure is error event 134 "Error: %s
// while executing the following statement on the database: %s" (error text,
// statement). Nothing happens for an empty statement.
Status RunStoredProcedure(Database& db, const std::string& statement);

Status RunStoredProcStart(Database& db);
Status RunStoredProcEnd(Database& db);

}  // namespace korvale
