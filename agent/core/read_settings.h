// Reads Caldrun.ini into the settings record, with every default, derived list
// and rule of the settings file. A missing file or key gives the defaults.
#pragma once

#include <string>

#include "agent/core/settings_file_check.h"
#include "common/agent_log.h"
#include "common/agent_settings.h"

namespace korvale {

// Fills `settings` from the file, read once (linear in its size). Anything
// thrown while reading is reported as warning 137 "General Error getting INI
// settings." and what was read so far stays. Returns what it saw of the file
// for ReportSettingsFileProblems.
SettingsFileFacts ReadSettings(const std::string& ini_path, AgentSettings& settings, AgentLog& log);

// "PT_LONG" and the other custom field type names to their MAPI type; 0 when unknown.
uint32_t CustomFieldTypeFromName(const std::string& name);

}  // namespace korvale
