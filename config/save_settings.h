// The "Update" of the configuration program: checks the record, writes
// Caldrun.ini key by key in a fixed order (groups and servers numbered anew
// from 1), expands the administrator accounts, writes Korvale.inc and offers
// the service restart. Every message goes through the user interface.
//
//   SaveOutcome done = SaveSettings(settings, env);
//   if (done == SaveOutcome::kSaved) close the main window;
#pragma once

#include <functional>
#include <string>

#include "config/admin_users.h"
#include "config/config_settings.h"
#include "config/config_ui.h"
#include "config/validate_settings.h"

namespace korvale::config {

enum class SaveOutcome {
  kRefused,             // a check failed and was shown; nothing was written
  kSettingsNotWritten,  // Caldrun.ini could not be written (shown); the rest of it is unchanged
  kEndedAtAdmins,       // listing a group's members failed (shown); the keys written so far stay
  kIncludeNotWritten,   // Korvale.inc could not be written (shown); Caldrun.ini is written
  kSaved,               // everything written; the main window closes
};

struct SaveEnvironment {
  std::string program_dir;  // holds Caldrun.ini and Korvale.inc
  ConfigUi& ui;
  DataSourceDefinitions& definitions;
  AdminUsersExpander& admin_users;
  // Offers the service restart; not called from a network share. May be empty.
  std::function<void()> offer_restart;
};

// Groups and servers are removed and rewritten for numbers 1 to this.
inline constexpr int kMaxNumbered = 100;

SaveOutcome SaveSettings(ConfigSettings& settings, SaveEnvironment& env);

// The "; "-list of the custom filters' field names, as stored in CustomFilters.
std::string CustomFilterFields(const ConfigSettings& settings);

}  // namespace korvale::config
