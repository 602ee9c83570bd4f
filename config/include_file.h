// Korvale.inc: the one script block of assignments and arrays through which
// the configuration reaches the web pages. The variable names, the order and
// the exact text are the contract with those pages, so the file is written
// byte for byte: every line ends with CR LF and the file ends with "%>".
//
//   std::string text = IncludeFileText(settings, expanded_admins);
//   Status written = WriteIncludeFile(settings, expanded_admins, program_dir);
#pragma once

#include <string>

#include "common/status.h"
#include "config/config_settings.h"

namespace korvale::config {

inline constexpr const char* kIncludeFileName = "Korvale.inc";
inline constexpr const char* kFileErrorTitle = "File Error";

// The whole file. `expanded_admins` is the administrator list of this save
// (empty when the settings have no administrator accounts).
std::string IncludeFileText(const ConfigSettings& settings, const std::string& expanded_admins);

// Creates or truncates `program_dir`/Korvale.inc and writes the text. On
// failure the message is "Could not write to <full path>." (title "File Error").
Status WriteIncludeFile(const ConfigSettings& settings, const std::string& expanded_admins,
                        const std::string& program_dir);

}  // namespace korvale::config
