// The quiet installation ("Ravlin /Q"): the answers come from Setup.ini of
// the setup folder (section SetupInfo), the system data source is created
// with the ODBC installer, and the installation steps run with a user
// interface that asks nothing (quiet_ui.h). The steps write, beyond the
// wizard's settings, the quiet installation's own and a first Korvale.inc.
//
// Keys of [SetupInfo]: DestinationPath, SQLServer / Oracle / mySQL (the
// database type), Datasource, MSXOrg, MSXSite, MSXServerName, ServAccName,
// ServAccPassword, SQLUserName, SQLPassword, Database, SQLServerName,
// AdminUsers, MSXUsersDisplay, MSXUsersDistNames. Keys of this system beyond
// those: Driver (the installed ODBC driver to create the data source with,
// default "SQL Server"), SQLite=1 (the embedded database), LogonServer
// (default MSXServerName) and LogonMailbox (the mailbox the agent logs on
// with), LCID (the web application's locale), MSX2k (the Exchange version).
#pragma once

#include <string>

#include "Setup/install_answers.h"
#include "Setup/installation.h"
#include "Setup/setup_ui.h"
#include "common/status.h"

namespace korvale::setup {

// The answers of `setup_ini`. Fails when the file does not exist.
Expected<InstallAnswers> ReadAnswerFile(const std::string& setup_ini);

// Creates the answers' system data source with the ODBC installer; a failure
// shows "The following datasource could not be set up: ..." and gives false.
bool CreateSystemDataSource(const InstallAnswers& answers, SetupUi& ui);

// The quiet installation's first Korvale.inc, as text (CR LF line ends).
std::string FirstIncludeFileText(const InstallAnswers& answers, const std::string& expanded_admins);

// Reads Setup.ini of `context.setup_dir`, creates the data source and runs
// the installation steps. The exit code: 0 when the installation completed.
int RunQuietInstallation(SetupUi& ui, const InstallContext& context);

}  // namespace korvale::setup
