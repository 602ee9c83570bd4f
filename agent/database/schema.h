// CREATE TABLE statements of the calendar database, in the dialect the
// settings select. Columns are written as name, blank, type and NULL clause,
// separated by ", ".
#pragma once

#include <string>
#include <string_view>

#include "agent/database/optional_columns.h"
#include "common/agent_settings.h"

namespace korvale {

inline constexpr char kKorvaleTable1[] = "KorvaleTable1";
inline constexpr char kKorvaleTable2[] = "KorvaleTable2";
inline constexpr char kKorvaleConfig[] = "KorvaleConfig";
inline constexpr char kMeetingsTable[] = "Meetings";

// "Groups", or "KRVGroups" for Oracle.
const char* GroupsTableName(const AgentSettings& settings);

std::string CreateGroupsTable(const AgentSettings& settings);
std::string CreateMeetingsTable(const AgentSettings& settings);
std::string CreateProfilesTable(const AgentSettings& settings);
std::string CreateUserPicsTable(const AgentSettings& settings);
std::string CreateKrvUsersTable(const AgentSettings& settings);
// "create table KorvaleConfig (ActiveTable varchar(50))".
std::string CreateKorvaleConfigTable(const AgentSettings& settings);

// ", \"Name\" type" for each non-empty custom field name, in list order.
std::string CustomFieldColumns(const AgentSettings& settings);

// A calendar table (KorvaleTable1/2): the fixed columns (with the shared-table
// columns when NewDB=1 and ContactCompanyName when GetContactCompany != 0),
// the custom field columns and the enabled optional columns.
std::string CreateCalendarTable(const AgentSettings& settings, std::string_view table,
                                const OptionalColumns& optional_columns);

// The index a new calendar table gets on (Name, Status): every mailbox looks
// its user row up by them, and in shared-table mode every appointment looks
// its rows up by Name, so without it a cycle's lookups grow with the square
// of the number of rows.
std::string CreateCalendarTableIndex(std::string_view table);

}  // namespace korvale
