// The rules of the "Server Configuration" screen: its choice lists, the
// columns of the servers list, the checks before a row is added or modified
// and the questions when a name is (not) listed yet. The window only shows
// the lists and hands the edited row to these functions.
//
//   ServerField bad = ValidateServerEntry(row, time_chosen, ui);
//   if (bad == ServerField::kNone) AddServer(servers, row, ui);
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "config/config_settings.h"
#include "config/config_ui.h"
#include "config/validate_settings.h"

namespace korvale::config {

inline constexpr const char* kServerScreenTitle = "Korvale Server Configuration";

// "+0.0", "+0.5", ... "+12.5", then "-1.0", "-1.5", ... "-12.5": no minus half hour.
std::vector<std::string> TimeDiffChoices();
// The choice that shows `hours` ("%+.1f"); empty when the list does not offer it.
std::string TimeDiffChoice(double hours);
std::optional<double> TimeDiffFromChoice(const std::string& choice);

// "MS Access", "SQL Server", "mySQL", "Oracle®", indexed by DatabaseType.
std::vector<std::string> ServerDatabaseTypeChoices();

// The servers list: captions, one row's texts in that order, and the widths
// (each caption's own width plus an equal ninth of what is left).
std::vector<std::string> ServerListColumns();
std::vector<std::string> ServerRowTexts(const ServerEntry& entry);
std::vector<int> ServerColumnWidths(const std::vector<int>& caption_widths, int total_width);

// The field a failed check puts the focus on.
enum class ServerField { kNone, kName, kTimeDiff, kDataSource, kPdc, kUser };

// Checks the edited row in the screen's order and shows the first failure
// (title "Korvale Server Configuration"); kNone when the row may be stored.
ServerField ValidateServerEntry(const ServerEntry& entry, bool time_diff_chosen, ConfigUi& ui);

// The row of `servers` named `name` (case-insensitive, as server names are), if any.
std::optional<size_t> FindServer(const std::vector<ServerEntry>& servers, const std::string& name);

enum class ServerEdit { kAdded, kModified, kDeclined };

// "&add": appends the row; a listed name asks whether to modify that row instead.
ServerEdit AddServer(std::vector<ServerEntry>& servers, const ServerEntry& entry, ConfigUi& ui);
// "&modify": replaces the listed row of that name; an unlisted name asks whether to add it.
ServerEdit ModifyServer(std::vector<ServerEntry>& servers, const ServerEntry& entry, ConfigUi& ui);
// "&delete": removes the row of that name; false when none is listed.
bool DeleteServer(std::vector<ServerEntry>& servers, const std::string& name);

// Leaving a changed row: "yes" keeps the changes.
bool AskSaveChangedRow(ConfigUi& ui);

// On a 64-bit installation MS Access cannot be used: the message is shown and
// the type becomes SQL Server. Returns true when the type was changed.
bool ReplaceAccessOn64Bit(DatabaseType& type, bool wow64, ConfigUi& ui);

// When the screen opens on a 64-bit installation: fills every row's empty
// database name and server from its data source definition, then reports each
// data source that still lacks what its type needs, once per data source.
void CheckServerDataSourcesOnOpen(std::vector<ServerEntry>& servers, bool wow64,
                                  DataSourceDefinitions& definitions, ConfigUi& ui);

}  // namespace korvale::config
