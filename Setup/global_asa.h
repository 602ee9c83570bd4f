// GLOBAL.ASA, the web application's start file: one commented code-page line
// per locale of the table below, then the active line with the chosen LCID.
// The same table, without its last entry ("use server default"), is the
// wizard's list of locales.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Setup/setup_ui.h"

namespace korvale::setup {

struct LocaleEntry {
  const char* name;
  std::uint32_t lcid;
};

// The 126 locales in file order, "use server default" (0) last.
const std::vector<LocaleEntry>& CodePageLocales();

// The whole file as written (CR LF line ends, no line end after "</SCRIPT>").
std::string GlobalAsaText(std::uint32_t lcid);

// Writes GLOBAL.ASA into `folder`; a failure shows "Could not write to %s."
// (title "File Error") and gives false, and the installation goes on.
bool WriteGlobalAsa(const std::string& folder, std::uint32_t lcid, SetupUi& ui);

}  // namespace korvale::setup
