// KorvaleCfg with its windows: loads the installation's Caldrun.ini, shows the
// main window and returns the program's exit code (0 saved or cancelled).
#pragma once

#include <string>

namespace korvale::config {

// Whether a window system can be reached (an X11 or Wayland display, or a Qt
// platform named in QT_QPA_PLATFORM).
bool DisplayAvailable();

int RunConfigWindows(int argc, char** argv, const std::string& program_path);

}  // namespace korvale::config
