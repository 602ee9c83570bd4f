#include "config/windows/run_windows.h"

#include <QApplication>
#include <cstdlib>
#include <filesystem>

#include <unistd.h>

#include "config/admin_users.h"
#include "config/group_members.h"
#include "config/windows/address_book_dialog.h"
#include "config/windows/home_server_admin_users.h"
#include "config/home_server.h"
#include "config/load_settings.h"
#include "config/odbc_definitions.h"
#include "config/restart_service.h"
#include "config/windows/main_window.h"
#include "config/windows/qt_config_ui.h"
#include "platform/scm/service_manager.h"

namespace korvale::config {

bool DisplayAvailable() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    const char* value = std::getenv(name);
    if (value && *value) return true;
  }
  return false;
}

int RunConfigWindows(int argc, char** argv, const std::string& program_path) {
  QApplication app(argc, argv);
  const std::string program_dir = std::filesystem::path(program_path).parent_path().string();
  QtConfigUi ui;
  OdbcDefinitions definitions;
  MainWindow* shown = nullptr;
  HomeServerAdminUsers admin_users([&shown] { return shown ? shown->settings().home_server : std::string(); });
  MainWindowServices services{ui, definitions, admin_users, program_dir, nullptr, nullptr, nullptr};
  services.offer_restart = [&ui, program_path] {
    auto manager = scm::OpenServiceManager();
    RestartLocalService(*manager, program_path, ui, /*ask=*/true);
  };
  services.choose_home_server = [&ui, program_dir](QWidget*, int current_msx2k) {
    char host[256] = {};
    gethostname(host, sizeof host - 1);
    return ChooseHomeServer(HomeServerLookup{program_dir, "KorvaleCfg", host}, current_msx2k, ui);
  };
  // One logon and address book for the program's run, as the members dialog expects.
  AddressBookSession address_book;
  services.choose_members = [&address_book](QWidget*, const GroupEntry& group) -> std::optional<MemberLists> {
    std::optional<GroupMembers> chosen = ChooseGroupMembers(address_book, group.member_names);
    if (!chosen) return std::nullopt;
    return MemberLists{chosen->display_names, chosen->addresses};
  };
  MainWindow window(LoadSettings((std::filesystem::path(program_dir) / "Caldrun.ini").string()), services);
  shown = &window;
  ui.SetOwner(&window);
  InstallQtAddressDialog(&window);
  window.show();
  window.exec();
  return 0;
}

}  // namespace korvale::config
