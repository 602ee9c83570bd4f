// The installation a web front serves: its folder's Caldrun.ini (read with the
// agent's own settings reader, so data source, dialect and groups mean what
// they mean to the agent), the group menu, and a connection to its database.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "agent/database/dialect.h"
#include "common/agent_settings.h"
#include "common/status.h"
#include "platform/odbc/odbc.h"

namespace korvale::web {

struct Installation {
  std::string folder;
  AgentSettings settings;
  Dialect dialect = Dialect::kAccess;
  // The groups the pages offer, in menu order: Korvale.inc's SortedMenu when
  // the folder holds one with entries, otherwise the scan groups of Caldrun.ini.
  std::vector<std::string> groups;
  // The agent instance that takes this front's bookings in shared-table mode
  // (NewDB=1), where each agent reads only the Meetings rows whose Reserved2
  // names it.
  std::string instance = "Korvale Update Service";
};

// Fails with a message naming the file when Caldrun.ini is missing or names
// no data source (`DB`).
Expected<Installation> LoadInstallation(const std::string& folder);

// The group names of the `SortedMenu(k) = "name"` lines of a Korvale.inc
// text, in the order of k.
std::vector<std::string> SortedMenuGroups(const std::string& include_text);

// Opens the installation's data source with its user and password, without
// prompting. The error names the data source and carries the driver's text.
Expected<std::unique_ptr<SqlConnection>> ConnectDatabase(const Installation& installation);

}  // namespace korvale::web
