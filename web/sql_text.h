// The few pieces of SQL text the web front writes, in the installation's
// dialect, all through the agent's own quoting: a quoted text literal, a
// date literal in the settings' format, and the finished statement (for
// MySQL every backslash doubled). The only place here that names the agent's
// quoting helpers.
#pragma once

#include <string>
#include <string_view>

#include "web/installation.h"

namespace korvale::web {

// 'text' with apostrophes doubled, never cut (a value compared must stay whole).
std::string SqlText(std::string_view text, const Installation& installation);
// The date-time in the settings' date literal format: {ts '2026-12-07 09:00:00'}.
std::string SqlDate(const SqlTimestamp& t, const Installation& installation);
// The statement as it is sent.
std::string SqlStatement(const std::string& sql, const Installation& installation);
// "Start", or "StartTime" for Oracle.
std::string SqlStartColumn(const Installation& installation);

}  // namespace korvale::web
