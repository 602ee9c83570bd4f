// KorvaleCfg's command-line operations for servers without a display. Each
// loads the program directory's Caldrun.ini and returns the exit code:
// 0 done, 1 refused or failed (the message was shown through `ui`).
#pragma once

#include <ostream>
#include <string>

#include "config/admin_users.h"
#include "config/config_ui.h"
#include "config/validate_settings.h"

namespace korvale::config {

// Runs the checks of a save without writing; on success says so on `out`.
int CheckCommand(const std::string& program_dir, DataSourceDefinitions& definitions, ConfigUi& ui,
                 std::ostream& out);

// Runs the checks of a save, expands the administrator accounts and writes
// Korvale.inc; Caldrun.ini is not touched.
int WriteIncludeCommand(const std::string& program_dir, DataSourceDefinitions& definitions,
                        AdminUsersExpander& admin_users, ConfigUi& ui, std::ostream& out);

}  // namespace korvale::config
