// KorvaleCfg: the configuration program of one installation (the folder it
// lies in). Without an option it shows its windows; on a server without a
// display the options do its work.
#include <CLI/CLI.hpp>
#include <filesystem>
#include <iostream>

#include "config/admin_users.h"
#include "config/commands.h"
#include "config/console_ui.h"
#include "config/odbc_definitions.h"
#include "config/restart_service.h"
#include "platform/scm/service_manager.h"
#include "platform/version/file_version.h"
#ifdef KORVALE_WITH_WINDOWS
#include "config/windows/run_windows.h"
#endif

int main(int argc, char** argv) {
  CLI::App app{"KorvaleCfg: configures the Korvale installation in this program's folder."};
  bool check = false, write_inc = false, restart = false;
  auto* check_option = app.add_flag("--check", check, "load Caldrun.ini and report what a save would refuse");
  auto* write_option =
      app.add_flag("--write-inc", write_inc, "write Korvale.inc from the current Caldrun.ini")
          ->excludes(check_option);
  app.add_flag("--restart", restart, "restart the update service of this installation, without questions")
      ->excludes(check_option)
      ->excludes(write_option);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    int rc = app.exit(e);
    return rc == 0 ? 0 : 2;
  }
  if (!check && !write_inc && !restart) {
#ifdef KORVALE_WITH_WINDOWS
    if (korvale::config::DisplayAvailable()) {
      return korvale::config::RunConfigWindows(argc, argv, korvale::CurrentExecutablePath());
    }
    std::cerr << "KorvaleCfg needs a display for its windows. Without one, use --check, --write-inc or "
                 "--restart.\n\n";
#endif
    std::cerr << app.help();
    return 2;
  }
  const std::string program_dir =
      std::filesystem::path(korvale::CurrentExecutablePath()).parent_path().string();
  korvale::config::ConsoleUi ui(std::cerr, /*answer_yes=*/false);
  korvale::config::OdbcDefinitions definitions;
  if (restart) {
    auto services = korvale::scm::OpenServiceManager();
    bool restarted =
        korvale::config::RestartLocalService(*services, korvale::CurrentExecutablePath(), ui, false);
    return restarted ? 0 : 1;
  }
  if (check) return korvale::config::CheckCommand(program_dir, definitions, ui, std::cout);
  korvale::config::PassThroughAdminUsers admin_users;
  return korvale::config::WriteIncludeCommand(program_dir, definitions, admin_users, ui, std::cout);
}
