// Extracting the medium's cabinet into the installation folder: every entry
// under its name in the cabinet (sub-folders such as KORVALE\config.inc
// kept), the site's own KORVALE\config.inc and KORVALE\canmodif.inc never
// replaced, a differing file replaced only after "Confirm File Replace", an
// identical one replaced silently, each written file given the entry's date,
// time and attributes.
#pragma once

#include <string>

#include "Setup/setup_ui.h"

namespace korvale::setup {

// Extracts `cabinet` into `folder`. A failure is shown through `ui` with its
// message ("Cabinet- File %s cannot be opened", "Can't find %s.",
// "Cabinet- File %s is corrupt.", "Copying files from cabinet\n%s failed.")
// and gives false; the installation then stops.
bool ExtractCabinet(const std::string& cabinet, const std::string& folder, SetupUi& ui);

// True for the two files of the web folder that hold the site's own settings.
bool IsSiteSettingsFile(const std::string& cabinet_name);

}  // namespace korvale::setup
