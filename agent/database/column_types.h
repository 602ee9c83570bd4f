// Column type texts of CREATE TABLE beyond the text type: dates, small
// integers, booleans, the time difference and the 160-byte identifiers, and
// the statements that differ in wording between the dialects.
#pragma once

#include <string>
#include <string_view>

#include "agent/database/dialect.h"
#include "common/agent_settings.h"

namespace korvale {

// "datetime", Oracle "DATE".
const char* DateTypeName(const AgentSettings& settings);
// "smallint", Oracle "NUMBER".
const char* SmallIntTypeName(const AgentSettings& settings);
// "int", Oracle "NUMBER".
const char* IntTypeName(const AgentSettings& settings);
// "bit", Oracle "NUMBER" (without a default clause).
const char* BitTypeName(const AgentSettings& settings);
// "bit"/"NUMBER" followed by DefaultClause(0).
std::string BoolColumnType(const AgentSettings& settings);
// Access "REAL", SQL Server family "NUMERIC(2,1)", Oracle "NUMBER(2,1)".
const char* TimeDifferenceTypeName(const AgentSettings& settings);
// "BINARY(160)", Oracle "RAW(160)".
const char* IdentifierBinaryTypeName(const AgentSettings& settings);

// A column name that needs quoting (custom fields): `name` for MySQL, "name" otherwise.
std::string QuoteIdentifier(Dialect dialect, std::string_view name);

// Empties a table: Access "DROP TABLE %s", SQLite "DELETE FROM %s",
// the others "TRUNCATE TABLE %s".
std::string EmptyTableStatement(Dialect dialect, std::string_view table);

}  // namespace korvale
