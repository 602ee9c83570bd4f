// Reading a profile file whole and replacing it safely. Used by profile.cpp only.
#pragma once

#include <string>

#include "common/status.h"

namespace korvale::profile {

// The bytes of the file; empty when it does not exist. Any other failure
// (a folder, no permission) is an error, so a writer never mistakes an
// unreadable file for an empty one and overwrites it.
Expected<std::string> ReadProfileFile(const std::string& path);

// Writes the bytes to a new file in the same folder, flushes it to disk and
// renames it over `path`; on any failure the old file is left as it was.
Status ReplaceProfileFile(const std::string& path, const std::string& bytes);

}  // namespace korvale::profile
