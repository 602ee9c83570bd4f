// Choosing the home mail server ("MS Exchange Server" "..."): the version,
// then for 2000 and later the organisation, administrative group and server
// from the directory through libKrvADS.so, for 5.x the entered server's
// organisation and site through libKrvMSX5.so. Both libraries are loaded from
// the program's own directory. Every failure is shown through the user
// interface and ends the choice; Cancel in any chooser ends it too.
//
//   HomeServerLookup lookup{program_dir, "KorvaleCfg", computer_name};
//   if (auto chosen = ChooseHomeServer(lookup, settings.msx2k, ui)) {
//     settings.home_server = chosen->home_server;
//     settings.msx2k = chosen->msx2k;
//   }
//
// The configuration program and the server setup both use it.
#pragma once

#include <optional>
#include <string>

#include "config/config_ui.h"

namespace korvale::config {

struct HomeServerLookup {
  std::string program_dir;    // where libKrvADS.so and libKrvMSX5.so lie
  std::string program_name;   // named in the load-failure text ("KorvaleCfg", "Ravlin")
  std::string computer_name;  // preset of the 5.x server name
};

struct HomeServerChoice {
  // "/o=<organisation>/ou=<group or site>/cn=Configuration/cn=Servers/cn=<server>"
  std::string home_server;
  int msx2k = 1;  // 0 5.x, 1 2000/2003, 2 2007, 3 2010
};

inline constexpr char kDiscoveryLibrary[] = "libKrvADS.so";
inline constexpr char kMsx5Library[] = "libKrvMSX5.so";

// Nothing when cancelled or failed (the failure was shown).
std::optional<HomeServerChoice> ChooseHomeServer(const HomeServerLookup& lookup, int current_msx2k,
                                                 ConfigUi& ui);

}  // namespace korvale::config
