// Choice lists, captions and the warnings of the small option screens
// (security, meeting booking, filters, event log, Exchange version, database
// user, datasource) and of the main window.
#pragma once

#include <string>
#include <vector>

#include "config/config_settings.h"
#include "config/config_ui.h"
#include "config/validate_settings.h"

namespace korvale::config {

inline constexpr const char* kMainCaption = "Korvale Configuration V5.1.8.38";
inline constexpr const char* kAboutMenuItem = "&About Korvale Configuration...";
inline constexpr const char* kAboutText = "Korvale Configuration Version 5.1.8.38";
inline constexpr const char* kProgramTitle = "Korvale Configuration";

// "none (do not use this feature)", then "Mailbox Custom Attribute 01" ... "10": index = stored value.
std::vector<std::string> AttributeChoices();

// "MS Exchange V5.x" ... "MS Exchange 2010": index = MSX2k.
std::vector<std::string> ExchangeVersionChoices();

// The main window's type buttons: "MS Access", "SQL-Server", "mySQL", "Oracle®".
std::vector<std::string> MainDatabaseTypeChoices();

// On a 64-bit installation a stored MS Access type is shown, and saved, as SQL Server.
DatabaseType ShownDatabaseType(DatabaseType stored, bool wow64);

// "DB &User": OK with differing passwords shows the message (false).
bool CheckPasswordsMatch(const std::string& password, const std::string& verify, ConfigUi& ui);

// Clearing "Suppress public holidays ..." shows its warning.
void WarnHolidaysShown(ConfigUi& ui);
// Clearing "Log all Errors to the Event Log" shows its warning.
void WarnEventLogOff(ConfigUi& ui);

// The note shown when the scanned fields screen closes with OK.
void ShowDropTablesNote(ConfigUi& ui);

// OK on the datasource screen. On a 64-bit installation the definition must
// name a database: then its "Database" and "Server" become the record's; a
// missing database shows the message and the screen stays open (false).
bool AcceptDataSource(const std::string& dsn, bool wow64, DataSourceDefinitions& definitions, ConfigUi& ui,
                      std::string& database_name, std::string& database_server);

}  // namespace korvale::config
