// The warning about a settings file that looks cut off or damaged. The agent
// goes on with whatever the file gave (every missing key keeps its default);
// the warning comes first, so that what follows (a logon with empty
// credentials, a table with only its marker row) is explained.
#pragma once

#include <string>

#include "agent/core/start_events.h"
#include "common/agent_log.h"
#include "common/agent_settings.h"

namespace korvale {

// What the settings reader saw of the file itself.
struct SettingsFileFacts {
  bool exists = false;
  bool readable = false;
  bool has_config_section = false;
  bool ends_inside_line = false;  // no line end after the last line: cut while written or copied
};

// One warning (event 152) naming the file and every problem found: it does not
// exist or cannot be read, it holds no [Config] section, it ends inside a
// line, or it names no scan group (no Group1, or no DL1 to give it members).
// Nothing is reported for a sound file.
//   "The settings file /opt/korvale/Caldrun.ini is incomplete or damaged: it
//    holds no [Config] section; it ends inside a line. Every setting it does
//    not give keeps its default."
void ReportSettingsFileProblems(const std::string& ini_path, const SettingsFileFacts& facts,
                                const AgentSettings& settings, AgentLog& log);

}  // namespace korvale
