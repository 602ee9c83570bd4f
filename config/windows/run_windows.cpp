#include "config/windows/run_windows.h"

#include <QApplication>
#include <QSysInfo>
#include <cstdlib>
#include <filesystem>

#include "config/group_members.h"
#include "config/home_server.h"
#include "config/load_settings.h"
#include "config/odbc_definitions.h"
#include "config/restart_service.h"
#include "config/windows/address_book_dialog.h"
#include "config/windows/home_server_admin_users.h"
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

std::function<std::optional<MemberLists>(QWidget*, const GroupEntry&)> AddressBookMembers(
    AddressBookSession& session) {
  return [&session](QWidget*, const GroupEntry& group) -> std::optional<MemberLists> {
    std::optional<GroupMembers> chosen = ChooseGroupMembers(session, group.member_names);
    if (!chosen) return std::nullopt;
    return MemberLists{chosen->display_names, chosen->addresses};
  };
}

int RunConfigWindows(int argc, char** argv, const std::string& program_path) {
  QApplication app(argc, argv);
  const std::string program_dir = std::filesystem::path(program_path).parent_path().string();
  QtConfigUi ui;
  OdbcDefinitions definitions;
  MainWindow* shown = nullptr;
  HomeServerAdminUsers admin_users(
      [&shown] { return shown ? shown->settings().home_server : std::string(); });
  MainWindowServices services{ui, definitions, admin_users, program_dir, nullptr, nullptr, nullptr};
  services.offer_restart = [&ui, program_path] {
    auto manager = scm::OpenServiceManager();
    RestartLocalService(*manager, program_path, ui, /*ask=*/true);
  };
  services.choose_home_server = [&ui, program_dir](QWidget*, int current_msx2k) {
    const std::string computer = QSysInfo::machineHostName().toStdString();
    return ChooseHomeServer(HomeServerLookup{program_dir, "KorvaleCfg", computer}, current_msx2k, ui);
  };
  // One logon and address book for the program's run, as the members dialog expects.
  AddressBookSession address_book;
  services.choose_members = AddressBookMembers(address_book);
  MainWindow window(LoadSettings((std::filesystem::path(program_dir) / "Caldrun.ini").string()), services);
  shown = &window;
  ui.SetOwner(&window);
  InstallQtAddressDialog(&window);
  window.show();
  window.exec();
  mapi::InstallAddressDialog(nullptr);
  return 0;
}

}  // namespace korvale::config
