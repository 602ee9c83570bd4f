#include "config/screens/option_screens.h"

#include <cstdio>

namespace korvale::config {

std::vector<std::string> AttributeChoices() {
  std::vector<std::string> choices{"none (do not use this feature)"};
  for (int n = 1; n <= 10; ++n) {
    char text[40];
    std::snprintf(text, sizeof text, "Mailbox Custom Attribute %02d", n);
    choices.push_back(text);
  }
  return choices;
}

std::vector<std::string> ExchangeVersionChoices() {
  return {"MS Exchange V5.x", "MS Exchange 2000/2003 with Active Directory", "MS Exchange 2007",
          "MS Exchange 2010"};
}

std::vector<std::string> MainDatabaseTypeChoices() { return {"MS Access", "SQL-Server", "mySQL", "Oracle®"}; }

DatabaseType ShownDatabaseType(DatabaseType stored, bool wow64) {
  return wow64 && stored == DatabaseType::kAccess ? DatabaseType::kSqlServer : stored;
}

bool CheckPasswordsMatch(const std::string& password, const std::string& verify, ConfigUi& ui) {
  if (password == verify) return true;
  ui.ShowMessage("The Passwords are not identical.", "Database User Configuration Error",
                 MessageIcon::kError);
  return false;
}

void WarnHolidaysShown(ConfigUi& ui) {
  ui.ShowMessage(
      "Turning off the 'Suppress public holidays' feature\nmay dramatically increase the size of your "
      "database",
      "Warning", MessageIcon::kWarning);
}

void WarnEventLogOff(ConfigUi& ui) {
  ui.ShowMessage(
      "Turning off the 'Log all events to the Event Log' option\nwill result in absolutely NO error "
      "reporting.",
      "Warning", MessageIcon::kWarning);
}

void ShowDropTablesNote(ConfigUi& ui) {
  ui.ShowMessage(
      "Please note: When you make changes to fields scanned by the\nKorvale Service and you are using SQL- "
      "Server, you "
      "have to\nmanually DROP the following tables:\n\nKorvaleTable1 and KorvaleTable2",
      kProgramTitle, MessageIcon::kInformation);
}

bool AcceptDataSource(const std::string& dsn, bool wow64, DataSourceDefinitions& definitions, ConfigUi& ui,
                      std::string& database_name, std::string& database_server) {
  if (!wow64) return true;
  DataSourceValues values = definitions.Read(dsn);
  if (values.database.empty()) {
    ui.ShowMessage("You must specify a database in the datasource definition", kDatasourceErrorTitle,
                   MessageIcon::kError);
    return false;
  }
  database_name = values.database;
  database_server = values.server;
  return true;
}

}  // namespace korvale::config
