#include "config/screens/server_screen.h"

#include <strings.h>
#include <algorithm>
#include <cstdio>
#include <set>

namespace korvale::config {

namespace {

std::string Signed(double hours) {
  char text[32];
  std::snprintf(text, sizeof text, "%+.1f", hours);
  return text;
}

}  // namespace

std::vector<std::string> TimeDiffChoices() {
  std::vector<std::string> choices;
  for (int half = 0; half <= 25; ++half) choices.push_back(Signed(half / 2.0));
  for (int half = 2; half <= 25; ++half) choices.push_back(Signed(-half / 2.0));
  return choices;
}

std::string TimeDiffChoice(double hours) {
  const std::string text = Signed(hours);
  for (const std::string& choice : TimeDiffChoices()) {
    if (choice == text) return choice;
  }
  return {};
}

std::optional<double> TimeDiffFromChoice(const std::string& choice) {
  for (const std::string& offered : TimeDiffChoices()) {
    if (offered == choice) return std::stod(choice);
  }
  return std::nullopt;
}

std::vector<std::string> ServerDatabaseTypeChoices() {
  return {"MS Access", "SQL Server", "mySQL", "Oracle®"};
}

std::vector<std::string> ServerListColumns() {
  return {"Server name", "Time diff.", "Datasource", "DB type",  "DB user",
          "PDC/BDC",     "Site name",  "Database",   "DB Server"};
}

std::vector<std::string> ServerRowTexts(const ServerEntry& e) {
  static const char* const kTypes[] = {"Access", "SQL", "mySQL", "Oracle"};
  return {e.name,      Signed(e.time_diff), e.data_source,    kTypes[static_cast<int>(e.type)], e.user, e.pdc,
          e.site_name, e.database_name,     e.database_server};
}

std::vector<int> ServerColumnWidths(const std::vector<int>& caption_widths, int total_width) {
  int used = 0;
  for (int w : caption_widths) used += w;
  const int share = caption_widths.empty() ? 0 : std::max(0, total_width - used) / 9;
  std::vector<int> widths;
  for (int w : caption_widths) widths.push_back(w + share);
  return widths;
}

ServerField ValidateServerEntry(const ServerEntry& e, bool time_diff_chosen, ConfigUi& ui) {
  auto fail = [&ui](const char* text, ServerField field) {
    ui.ShowMessage(text, kServerScreenTitle, MessageIcon::kError);
    return field;
  };
  if (e.name.empty()) return fail("Please specify an Exchange Server Name", ServerField::kName);
  if (!time_diff_chosen) {
    return fail("Please specify the time difference to your local Korvale installation",
                ServerField::kTimeDiff);
  }
  if (e.data_source.empty()) {
    return fail("Please specify the datasource that is used with this server", ServerField::kDataSource);
  }
  if (!e.pdc.empty() && e.pdc.rfind("\\\\", 0) != 0) {
    return fail("Please specify the PDC/BDC in the form \\\\ServerName or leave this field empty",
                ServerField::kPdc);
  }
  if (!e.password.empty() && e.user.empty()) {
    return fail("Please specify a username or delete the password", ServerField::kUser);
  }
  return ServerField::kNone;
}

std::optional<size_t> FindServer(const std::vector<ServerEntry>& servers, const std::string& name) {
  for (size_t i = 0; i < servers.size(); ++i) {
    if (strcasecmp(servers[i].name.c_str(), name.c_str()) == 0) return i;
  }
  return std::nullopt;
}

ServerEdit AddServer(std::vector<ServerEntry>& servers, const ServerEntry& entry, ConfigUi& ui) {
  if (auto listed = FindServer(servers, entry.name)) {
    if (!ui.AskYesNo("This entry exists. Do you want to modify it?", kServerScreenTitle,
                     MessageIcon::kQuestion)) {
      return ServerEdit::kDeclined;
    }
    servers[*listed] = entry;
    return ServerEdit::kModified;
  }
  servers.push_back(entry);
  return ServerEdit::kAdded;
}

ServerEdit ModifyServer(std::vector<ServerEntry>& servers, const ServerEntry& entry, ConfigUi& ui) {
  if (auto listed = FindServer(servers, entry.name)) {
    servers[*listed] = entry;
    return ServerEdit::kModified;
  }
  if (!ui.AskYesNo("This entry does not exist. Do you want to add it?", kServerScreenTitle,
                   MessageIcon::kQuestion)) {
    return ServerEdit::kDeclined;
  }
  servers.push_back(entry);
  return ServerEdit::kAdded;
}

bool DeleteServer(std::vector<ServerEntry>& servers, const std::string& name) {
  auto listed = FindServer(servers, name);
  if (!listed) return false;
  servers.erase(servers.begin() + static_cast<std::ptrdiff_t>(*listed));
  return true;
}

bool AskSaveChangedRow(ConfigUi& ui) {
  return ui.AskYesNo("The currently displayed data has changed.\nWould you like to save the changes?",
                     "Server Data Changed", MessageIcon::kQuestion);
}

bool ReplaceAccessOn64Bit(DatabaseType& type, bool wow64, ConfigUi& ui) {
  if (!wow64 || type != DatabaseType::kAccess) return false;
  ui.ShowMessage(
      "MS Access datasources cannot be used on 64bit systems.\nThe DB Type has been changed to SQL Server.",
      kDatasourceErrorTitle, MessageIcon::kError);
  type = DatabaseType::kSqlServer;
  return true;
}

void CheckServerDataSourcesOnOpen(std::vector<ServerEntry>& servers, bool wow64,
                                  DataSourceDefinitions& definitions, ConfigUi& ui) {
  if (!wow64) return;
  std::set<std::string> reported;
  for (ServerEntry& e : servers) {
    if (e.database_name.empty() || e.database_server.empty()) {
      DataSourceValues values = definitions.Read(e.data_source);
      if (e.database_name.empty()) e.database_name = values.database;
      if (e.database_server.empty()) e.database_server = values.server;
    }
    std::string text;
    if (e.type == DatabaseType::kSqlServer && (e.database_name.empty() || e.database_server.empty())) {
      text = "You must specify a database and database server in the datasource definition '" +
             e.data_source + "'";
    } else if ((e.type == DatabaseType::kMySql || e.type == DatabaseType::kOracle) &&
               e.database_name.empty()) {
      text = "You must specify a database in the datasource definition '" + e.data_source + "'";
    }
    if (!text.empty() && reported.insert(e.data_source).second) {
      ui.ShowMessage(text, kDatasourceErrorTitle, MessageIcon::kError);
    }
  }
}

}  // namespace korvale::config
