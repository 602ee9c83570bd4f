// The first Caldrun.ini of an installation: the keys the installation
// writes into [Config] and [Server1] (and, for the quiet installation, the
// further settings and the group "All users"), over whatever an earlier
// installation left in the file.
#pragma once

#include <string>

#include "Setup/install_answers.h"
#include "Setup/setup_ui.h"

namespace korvale::setup {

// Writes the installation's settings into `ini_file`. Before writing, a
// quiet installation over a file without Server1 but with a GUID2 removes
// that password and shows message 1042; after writing, a file that had no
// Server1 and a server database (SQL Server, mySQL, Oracle) shows the note about dropping
// the old tables. Returns false (and shows "Could not write to %s.") when
// the file cannot be written. `expanded_admins` is the quiet installation's
// AdminUsersExpanded (unused otherwise).
bool WriteInstallationSettings(const InstallAnswers& answers, const std::string& expanded_admins,
                               const std::string& ini_file, SetupUi& ui);

// The message texts, for the tests and the wizard's own checks.
extern const char* const kPasswordDeletedMessage;  // 1042
extern const char* const kDropTablesMessage;

}  // namespace korvale::setup
