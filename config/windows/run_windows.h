// KorvaleCfg with its windows: loads the installation's Caldrun.ini, shows the
// main window and returns the program's exit code (0 saved or cancelled).
#pragma once

#include <QWidget>
#include <functional>
#include <optional>
#include <string>

#include "config/group_members.h"
#include "config/screens/group_list.h"

namespace korvale::config {

// Whether a window system can be reached (an X11 or Wayland display, or a Qt
// platform named in QT_QPA_PLATFORM).
bool DisplayAvailable();

// The main window's "&Members": the address book dialog of the mail system
// layer over `session` (which must outlive the returned function).
std::function<std::optional<MemberLists>(QWidget*, const GroupEntry&)> AddressBookMembers(
    AddressBookSession& session);

int RunConfigWindows(int argc, char** argv, const std::string& program_path);

}  // namespace korvale::config
