// Takes a picture of every KorvaleCfg window over an installation's
// Caldrun.ini, for the README: korvalecfg-screenshots INSTALL_DIR OUT_DIR.
// Run under a real X server (scripts/screenshots-config uses Xvfb) so the
// pictures show the desktop's own style.
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QTreeWidget>
#include <cstdio>
#include <functional>
#include <memory>

#include "config/admin_users.h"
#include "config/load_settings.h"
#include "config/odbc_definitions.h"
#include "config/screens/option_screens.h"
#include "config/windows/address_book_dialog.h"
#include "config/windows/chooser_dialogs.h"
#include "config/windows/datasource_dialog.h"
#include "config/windows/fields_dialog.h"
#include "config/windows/main_window.h"
#include "config/windows/option_dialogs.h"
#include "config/windows/qt_config_ui.h"
#include "config/windows/server_dialog.h"

using namespace korvale::config;
namespace mapi = korvale::mapi;

namespace {

bool Save(QWidget& window, const QString& path) {
  window.show();
  window.adjustSize();
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
  const bool saved = window.grab().save(path);
  std::printf("%s %s\n", saved ? "wrote" : "FAILED", qPrintable(path));
  window.hide();
  return saved;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: korvalecfg-screenshots INSTALL_DIR OUT_DIR\n");
    return 2;
  }
  const QString out = argv[2];
  QDir().mkpath(out);
  ConfigSettings settings = LoadSettings(std::string(argv[1]) + "/Caldrun.ini");
  QtConfigUi ui;
  OdbcDefinitions definitions;
  PassThroughAdminUsers admins;
  MainWindowServices services{ui, definitions, admins, argv[1], nullptr, nullptr, nullptr};
  MainWindow main_window(settings, services);
  bool ok = true;
  main_window.findChild<QListWidget*>("groups")->setCurrentRow(0);
  ok &= Save(main_window, out + "/main-window.png");
  main_window.show();

  DataSourceDialog datasource({settings.db, settings.date_time_format, settings.backup_log, "", ""}, true,
                              settings.wow64, definitions, ui, &main_window);
  datasource.findChild<QListWidget*>("codes")->setCurrentRow(4);
  ok &= Save(datasource, out + "/datasource.png");
  DbUserDialog db_user("calendar", "secret", ui, &main_window);
  ok &= Save(db_user, out + "/db-user.png");
  ServerDialog servers(settings.servers, settings.wow64, definitions, ui, &main_window);
  servers.resize(900, 520);
  auto* list = servers.findChild<QTreeWidget*>("servers");
  list->setCurrentItem(list->topLevelItem(1));
  ok &= Save(servers, out + "/servers.png");
  ConfigSettings with_fields = settings;
  with_fields.fields = "Duration; Importance; Sensitivity";
  with_fields.custom_fields = with_fields.custom_fields_selected = "Project";
  with_fields.custom_fields_types = with_fields.custom_fields_types_selected = "PT_STRING8";
  with_fields.custom_filters = {{"Project", "Projects", "OR", "SELECT Name FROM Projects"}};
  FieldsDialog fields(with_fields, ui, &main_window);
  fields.findChild<QListWidget*>("fieldsToScan")->setCurrentRow(1);
  fields.findChild<QListWidget*>("customFilters")->setCurrentRow(0);
  fields.findChild<QListWidget*>("fieldsToScan")->setCurrentRow(1);
  ok &= Save(fields, out + "/fields.png");
  SecurityDialog security(1, 3, &main_window);
  ok &= Save(security, out + "/security.png");
  BookingDialog booking(0, settings.appt_booked_by_text, &main_window);
  ok &= Save(booking, out + "/meeting-booking.png");
  FiltersDialog filters({settings.suppress_holidays, settings.show_no_private,
                         settings.skip_cancelled_meetings, settings.show_personal},
                        ui, &main_window);
  ok &= Save(filters, out + "/meeting-filters.png");
  LogOptionsDialog log({settings.log_events, settings.success_log, settings.sql_log, settings.time_log}, ui,
                       &main_window);
  ok &= Save(log, out + "/log-options.png");
  std::vector<std::string> versions;
  for (const std::string& choice : ExchangeVersionChoices()) versions.push_back(choice);
  ListChooserDialog version("Microsoft Exchange Version",
                            "Please select the version of your Microsoft Exchange Server:", versions,
                            static_cast<std::size_t>(settings.msx2k), &main_window);
  ok &= Save(version, out + "/exchange-version.png");
  AddGroupDialog add_group(ui, &main_window);
  add_group.findChild<QLineEdit*>("groupName")->setText("Sales");
  ok &= Save(add_group, out + "/add-group.png");

  // The lookups: the address book over the demo directory, and a chooser.
  mapi::AddressDialogRequest request{"Address Book", "Mailboxes / DLs to scan:", {}, {}};
  for (const char* name :
       {"Anna Berg", "Ben Carter", "Clara Diaz", "David Evans", "Emma Fischer", "Felix Gray", "Gina Hall",
        "Hugo Ito", "Iris Jones", "Jonas Klein", "Room Atlas", "Room Boreal"}) {
    request.directory.push_back({name, "", {}, mapi::MAPI_MAILUSER});
  }
  request.directory.insert(request.directory.begin(), {"All Staff", "", {}, mapi::MAPI_DISTLIST});
  request.selected = {request.directory[0], request.directory[7], request.directory[8]};
  AddressBookDialog address_book(request, &main_window);
  ok &= Save(address_book, out + "/address-book.png");
  ListChooserDialog organisations("Exchange Server Organization",
                                  "Please select your Exchange Server Organization:", {"Korvale Demo"}, 0,
                                  &main_window);
  ok &= Save(organisations, out + "/organisation-chooser.png");
  ListChooserDialog home_servers(
      "Exchange Server", "Please select your Exchange Server:", {"HQ1", "HQ2", "LAB"}, 0, &main_window);
  ok &= Save(home_servers, out + "/server-chooser.png");
  return ok ? 0 : 1;
}
