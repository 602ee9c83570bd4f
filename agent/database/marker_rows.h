// The marker rows (Status 8) of the fill table: "$maintenance", which carries
// the time of the last database preparation, and "$canbookmeetings", whose
// ACL lists the accounts that may book. In shared-table mode every agent keeps
// its own marker rows, told apart by KRVService.
#pragma once

#include <string>
#include <string_view>

#include "agent/database/database.h"
#include "common/status.h"

namespace korvale {

inline constexpr char kMaintenanceMarker[] = "$maintenance";
inline constexpr char kCanBookMeetingsMarker[] = "$canbookmeetings";

// Statement builders; `instance` is the agent's instance name (shared-table mode).
std::string MarkerSelectStatement(const AgentSettings& settings, std::string_view table,
                                  std::string_view marker, std::string_view instance);
std::string MaintenanceUpdateStatement(const AgentSettings& settings, std::string_view table,
                                       std::string_view instance);
std::string MarkerInsertStatement(const AgentSettings& settings, std::string_view table,
                                  std::string_view marker, std::string_view instance);
// The end-of-cycle "$canbookmeetings" statement: an UPDATE of the agent's own
// row in shared-table mode, otherwise an INSERT of a second row with the ACL.
std::string CanBookMeetingsEndStatement(const AgentSettings& settings, std::string_view table,
                                        std::string_view acl, std::string_view instance);

// Preparation: stamps the "$maintenance" row with the current time (update
// when it exists, insert otherwise). A failed read is error event 121 "Error
// reading record in database." with the statement, and the row is inserted;
// a failed write is error event 112 (table, DB, error text). Failures are
// returned but never end the preparation.
Status WriteMaintenanceRow(Database& db, std::string_view table, std::string_view instance);

// Preparation, when MBCustAttrBookMeetings > 0: inserts a "$canbookmeetings"
// row unless one exists; failures reported as for "$maintenance".
Status EnsureCanBookMeetingsRow(Database& db, std::string_view table, std::string_view instance);

// End of cycle, when MBCustAttrBookMeetings > 0 (otherwise nothing happens):
// writes the collected ACL. A failure is error event 112 (table, DB, error text).
Status WriteCanBookMeetingsRow(Database& db, std::string_view table, std::string_view acl,
                               std::string_view instance);

}  // namespace korvale
