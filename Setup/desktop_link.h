// The desktop link to the configuration program: a freedesktop .desktop
// file "Korvale Configuration.desktop" in the user's desktop folder, that
// folder being the registry's "Desktop" shell folder when it is set, else the
// XDG desktop folder (XDG_DESKTOP_DIR of user-dirs.dirs, else ~/Desktop).
#pragma once

#include <string>

#include "Setup/setup_ui.h"
#include "platform/registry/registry.h"

namespace korvale::setup {

std::string DesktopFolder(const registry::Registry& registry);

// The .desktop file's text for the configuration program of `folder`.
std::string DesktopEntryText(const std::string& folder);

// Writes the link; a failure shows "A link to the Korvale Configuration
// Program could not be created on the Desktop." and gives false.
bool CreateDesktopLink(const std::string& folder, const registry::Registry& registry, SetupUi& ui);

}  // namespace korvale::setup
