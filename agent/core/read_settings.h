// Reads Caldrun.ini into the settings record, with every default, derived list
// and rule of the settings file. A missing file or key gives the defaults.
#pragma once

#include <string>

#include "common/agent_log.h"
#include "common/agent_settings.h"

namespace korvale {

// Fills `settings` from the file. Anything thrown while reading is reported as
// warning 137 "General Error getting INI settings." and what was read so far stays.
void ReadSettings(const std::string& ini_path, AgentSettings& settings, AgentLog& log);

// "PT_LONG" and the other custom field type names to their MAPI type; 0 when unknown.
uint32_t CustomFieldTypeFromName(const std::string& name);

}  // namespace korvale
