// Registering the COM libraries of the installation folder (libKvPwDc.so,
// libKvImprso.so; outside this system): loaded and their DllRegisterServer
// called, or, for a 32-bit emulation, libKvPwDc64.so copied over libKvPwDc.so
// and registered by KvRegDLL from the medium.
#pragma once

#include <string>

#include "Setup/setup_ui.h"

namespace korvale::setup {

inline constexpr const char* kPwDcLibrary = "libKvPwDc.so";
inline constexpr const char* kPwDc64Library = "libKvPwDc64.so";
inline constexpr const char* kImprsoLibrary = "libKvImprso.so";

// Every failure is shown with its message; the installation goes on.
// Returns the number of libraries that could not be registered.
int RegisterComLibraries(const std::string& folder, const std::string& setup_dir, bool wow64, SetupUi& ui);

}  // namespace korvale::setup
