// KorvaleCfg's windows driven as an administrator would, on the offscreen
// platform: the demo installation is opened, a group gets its members, a
// server is added through every check, fields and filters are chosen, and
// "Update" writes Caldrun.ini and Korvale.inc (Cancel writes nothing). Every
// message box goes through a scripted interface, so nothing blocks and each
// text and title can be asserted; the Qt boxes themselves are tested last.
#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <fstream>
#include <sstream>

#include "config/group_members.h"
#include "config/load_settings.h"
#include "config/windows/address_book_dialog.h"
#include "config/windows/chooser_dialogs.h"
#include "config/windows/datasource_dialog.h"
#include "config/windows/fields_dialog.h"
#include "config/windows/home_server_admin_users.h"
#include "config/windows/main_window.h"
#include "config/windows/option_dialogs.h"
#include "config/windows/qt_config_ui.h"
#include "config/windows/run_windows.h"
#include "config/windows/server_dialog.h"
#include "platform/mapi/orgstore/org_store.h"
#include "platform/odbcinst/dsn_values.h"
#include "tests/fakes/map_data_source_definitions.h"
#include "tests/fakes/scripted_config_ui.h"
#include "tests/support/qt_modal.h"

namespace korvale::config {

using ::korvale::testing::OnModal;

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

template <class W>
W* Child(QWidget* parent, const char* name) {
  W* child = parent->findChild<W*>(name);
  if (!child) qFatal("no child %s", name);
  return child;
}

void Click(QWidget* parent, const char* name) {
  QTest::mouseClick(Child<QPushButton>(parent, name), Qt::LeftButton);
}

void Type(QWidget* parent, const char* name, const QString& text) {
  QLineEdit* edit = Child<QLineEdit>(parent, name);
  edit->clear();
  QTest::keyClicks(edit, text);
}

void SelectRow(QListWidget* list, const QString& text) {
  QList<QListWidgetItem*> items = list->findItems(text, Qt::MatchExactly);
  if (items.isEmpty()) qFatal("no item %s", qPrintable(text));
  list->setCurrentItem(items.first());
}

}  // namespace

class WindowsTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  std::string program_dir_;
  ::korvale::testing::ScriptedConfigUi ui_;
  ::korvale::testing::MapDataSourceDefinitions definitions_;
  PassThroughAdminUsers admins_;
  std::vector<std::string> members_asked_;
  bool restart_offered_ = false;

  std::string Ini() const { return program_dir_ + "/Caldrun.ini"; }
  std::string Inc() const { return program_dir_ + "/Korvale.inc"; }

  MainWindowServices Services() {
    MainWindowServices services{
        ui_, definitions_, admins_, program_dir_, [this] { restart_offered_ = true; }, nullptr, nullptr};
    services.choose_members = [this](QWidget*, const GroupEntry& group) -> std::optional<MemberLists> {
      members_asked_.push_back(group.name);
      if (group.name == "Nobody") return std::nullopt;
      return MemberLists{
          "Anna Berg; Ben Carter",
          "/o=Korvale Demo/ou=HQ/cn=Recipients/cn=anna; /o=Korvale Demo/ou=HQ/cn=Recipients/cn=ben"};
    };
    services.choose_home_server = [](QWidget*, int) -> std::optional<HomeServerChoice> {
      return HomeServerChoice{"/o=Korvale Demo/ou=HQ/cn=Configuration/cn=Servers/cn=HQ1", 3};
    };
    return services;
  }

  // The demo installation's Caldrun.ini, as examples/demo/run lays it out.
  void LayOutDemo() {
    std::string text = ReadFile(std::string(KORVALE_SOURCE_DIR) + "/examples/demo/Caldrun.ini.in");
    for (size_t at; (at = text.find("@DSN@")) != std::string::npos;) text.replace(at, 5, "korvale-demo");
    std::ofstream(Ini(), std::ios::binary) << text;
    std::remove(Inc().c_str());
  }

 private slots:
  void init() {
    QVERIFY(dir_.isValid());
    program_dir_ = dir_.path().toStdString();
    ui_ = {};
    members_asked_.clear();
    restart_offered_ = false;
    qputenv("ODBCINI", QByteArray::fromStdString(program_dir_ + "/odbc.ini"));
    std::ofstream(program_dir_ + "/odbc.ini")
        << "[korvale-demo]\nDriver=SQLite3\nDatabase=" << program_dir_ << "/korvale.db\n"
        << "[korvale-branch]\nDriver=SQLite3\nDatabase=" << program_dir_ << "/branch.db\n";
    LayOutDemo();
  }

  void theDemoInstallationOpens() {
    MainWindow window(LoadSettings(Ini()), Services());
    window.show();
    QCOMPARE(window.windowTitle(), QString("Korvale Configuration V5.1.8.38"));
    QCOMPARE(Child<QLineEdit>(&window, "dataSource")->text(), QString("korvale-demo"));
    QCOMPARE(Child<QLineEdit>(&window, "homeServer")->text(), QString("HQ1"));
    QCOMPARE(Child<QSpinBox>(&window, "daysPast")->value(), 15);
    QListWidget* groups = Child<QListWidget>(&window, "groups");
    QCOMPARE(groups->count(), 2);
    QCOMPARE(groups->item(0)->text(), QString("Staff"));
    QVERIFY2(!Child<QPushButton>(&window, "members")->isEnabled(), "group buttons wait for a selection");
    QVERIFY(!Child<QPushButton>(&window, "removeGroup")->isEnabled());
    groups->setCurrentRow(1);
    QVERIFY(Child<QPushButton>(&window, "members")->isEnabled());
    QVERIFY(Child<QPushButton>(&window, "down")->isEnabled());

    QAction* about = window.findChild<QAction*>("about");
    QVERIFY(about);
    QCOMPARE(about->text(), QString("&About Korvale Configuration..."));
    QString shown;
    OnModal<QMessageBox>([&shown](QMessageBox* box) {
      shown = box->text();
      box->accept();
    });
    about->trigger();
    QCOMPARE(shown, QString("Korvale Configuration Version 5.1.8.38"));
  }

  void aGroupIsAddedWithItsMembers() {
    MainWindow window(LoadSettings(Ini()), Services());
    window.show();
    OnModal<AddGroupDialog>([this](AddGroupDialog* d) {
      d->accept();  // an empty name keeps the dialog open
      QCOMPARE(ui_.messages.size(), size_t{1});
      QVERIFY(d->isVisible());
      QTest::keyClicks(Child<QLineEdit>(d, "groupName"), QString(60, 'x'));
      QCOMPARE(Child<QLineEdit>(d, "groupName")->text().size(), 50);
      Type(d, "groupName", "Sales");
      d->accept();
    });
    Click(&window, "addGroup");
    QCOMPARE(ui_.messages.at(0).text,
             std::string("You must enter a group name.\nIf you don't want to create a group, click Cancel."));
    QCOMPARE(members_asked_, std::vector<std::string>{"Sales"});
    ConfigSettings s = window.settings();
    QCOMPARE(s.groups.size(), size_t{3});
    QCOMPARE(s.groups[2].member_names, std::string("Anna Berg; Ben Carter"));

    // A new group whose members dialog is cancelled disappears again.
    OnModal<AddGroupDialog>([](AddGroupDialog* d) {
      Type(d, "groupName", "Nobody");
      d->accept();
    });
    Click(&window, "addGroup");
    QCOMPARE(window.settings().groups.size(), size_t{3});
    // Up moves the selected group, and it stays selected.
    QListWidget* groups = Child<QListWidget>(&window, "groups");
    groups->setCurrentRow(2);
    Click(&window, "up");
    QCOMPARE(groups->currentRow(), 1);
    QCOMPARE(window.settings().groups[1].name, std::string("Sales"));
  }

  // The whole road of "&Add" and "&Members": the Qt address book over an
  // organisation store, behind the mail system layer's Address, and Update.
  void aGroupGetsItsMembersFromTheAddressBook() {
    namespace org = mapi::orgstore;
    {
      auto store = org::OrgStore::Open(program_dir_ + "/org.db", org::OpenMode::kCreate);
      QVERIFY(store.ok());
      org::OrganisationSpec spec;
      spec.servers = {{"HQ1", "Korvale Demo", "HQ"}};
      auto mailbox = [](const std::string& alias, const std::string& name) {
        org::RecipientSpec r;
        r.alias = alias;
        r.display_name = name;
        r.server = "HQ1";
        r.smtp = alias + "@demo.example";
        return r;
      };
      org::RecipientSpec rooms = mailbox("rooms", "Rooms");
      rooms.kind = org::RecipientKind::kDistList;
      rooms.server.clear();
      rooms.members = {"anna"};
      spec.recipients = {mailbox("anna", "Anna Berg"), mailbox("ben", "Ben Carter"), rooms};
      QVERIFY((*store)->Apply(spec).ok());
    }
    std::ofstream(program_dir_ + "/profiles.json") << R"({"servers": {"HQ1": "org.db"}})";
    qputenv("KORVALE_MAPI_PROFILES", QByteArray::fromStdString(program_dir_ + "/profiles.json"));

    AddressBookSession address_book;
    MainWindowServices services = Services();
    services.choose_members = AddressBookMembers(address_book);
    MainWindow window(LoadSettings(Ini()), services);
    window.show();
    InstallQtAddressDialog(&window);
    QStringList offered;
    OnModal<AddGroupDialog>([&offered](AddGroupDialog* add) {
      Type(add, "groupName", "Sales");
      OnModal<AddressBookDialog>([&offered](AddressBookDialog* book) {
        QCOMPARE(book->windowTitle(), QString("Address Book"));
        QListWidget* directory = Child<QListWidget>(book, "directory");
        for (int i = 0; i < directory->count(); ++i) offered << directory->item(i)->text();
        QCOMPARE(Child<QListWidget>(book, "well")->count(), 0);
        for (const char* name : {"Ben Carter", "Rooms  (distribution list)"}) {
          directory->clearSelection();
          directory->findItems(name, Qt::MatchExactly).first()->setSelected(true);
          Click(book, "addEntries");
        }
        book->accept();
      });
      add->accept();
    });
    Click(&window, "addGroup");
    mapi::InstallAddressDialog(nullptr);
    QVERIFY2(offered.contains("Anna Berg"), qPrintable(offered.join(", ")));
    ConfigSettings s = window.settings();
    QCOMPARE(s.groups.size(), size_t{3});
    QCOMPARE(s.groups[2].member_names, std::string("Ben Carter; Rooms"));
    QCOMPARE(s.groups[2].member_addresses,
             std::string(
                 "/o=Korvale Demo/ou=HQ/cn=Recipients/cn=ben; /o=Korvale Demo/ou=HQ/cn=Recipients/cn=rooms"));
    Click(&window, "update");
    const std::string ini = ReadFile(Ini());
    QVERIFY2(ini.find("DL3=Ben Carter; Rooms\r\nGroup3=Sales\r\n") != std::string::npos, ini.c_str());
    QVERIFY2(ini.find("[Group3]\r\nAddr1=/o=Korvale Demo/ou=HQ/cn=Recipients/cn=ben\r\n"
                      "Addr2=/o=Korvale Demo/ou=HQ/cn=Recipients/cn=rooms\r\n") != std::string::npos,
             ini.c_str());
    qunsetenv("KORVALE_MAPI_PROFILES");
  }

  // Update expands the administrators in the directory of the home server's
  // store; without a store serving it each lookup fails and is shown.
  void administratorsAreExpandedInTheHomeServersDirectory() {
    QCOMPARE(ServerNameOf("/o=Korvale Demo/ou=HQ/cn=Configuration/cn=Servers/cn=HQ1"), std::string("HQ1"));
    QCOMPARE(ServerNameOf("/O=X/OU=Y/CN=Configuration/CN=Servers/CN=ex1"), std::string("ex1"));
    QCOMPARE(ServerNameOf("HQ1"), std::string("HQ1"));
    qputenv("KORVALE_MAPI_PROFILES", QByteArray::fromStdString(program_dir_ + "/no-profiles.json"));
    HomeServerAdminUsers expander([] { return std::string("HQ1"); });
    AdminExpansion result = expander.Expand("DEMO\\anna", ui_);
    qunsetenv("KORVALE_MAPI_PROFILES");
    QCOMPARE(result.outcome, AdminExpansion::Outcome::kStopped);
    QCOMPARE(ui_.messages.size(), size_t{1});
    QCOMPARE(ui_.messages[0].title, std::string("Configuration Error"));
  }

  void aServerIsAddedThroughEveryCheck() {
    ServerDialog dialog(LoadSettings(Ini()).servers, false, definitions_, ui_, nullptr);
    dialog.show();
    QComboBox* time = Child<QComboBox>(&dialog, "timeDiff");
    QCOMPARE(time->findText("-0.5"), -1);
    QCOMPARE(time->findText("-1.0"), 26);
    QCOMPARE(Child<QTreeWidget>(&dialog, "servers")->topLevelItemCount(), 2);

    struct Step {
      std::function<void()> correct;
      const char* message;
      const char* focus;
    };
    const Step steps[] = {
        {[&] {
           Type(&dialog, "pdc", "pdc1");
           Type(&dialog, "password", "secret");
         },
         "Please specify an Exchange Server Name", "serverName"},
        {[&] { Type(&dialog, "serverName", "LAB"); },
         "Please specify the time difference to your local Korvale installation", "timeDiff"},
        {[&] { time->setCurrentIndex(time->findText("-2.5")); },
         "Please specify the datasource that is used with this server", "dataSource"},
        {[&] { Type(&dialog, "dataSource", "korvale-branch"); },
         "Please specify the PDC/BDC in the form \\\\ServerName or leave this field empty", "pdc"},
        {[&] { Type(&dialog, "pdc", "\\\\DC1"); }, "Please specify a username or delete the password",
         "user"},
    };
    for (const Step& step : steps) {
      step.correct();
      ui_.messages.clear();
      Click(&dialog, "add");
      QCOMPARE(ui_.messages.size(), size_t{1});
      QCOMPARE(ui_.messages[0].text, std::string(step.message));
      QCOMPARE(ui_.messages[0].title, std::string("Korvale Server Configuration"));
      QCOMPARE(dialog.focusWidget() ? dialog.focusWidget()->objectName() : QString(), QString(step.focus));
    }
    Type(&dialog, "user", "calendar");
    ui_.messages.clear();
    Click(&dialog, "add");
    QVERIFY(ui_.messages.empty());
    QCOMPARE(dialog.servers().size(), size_t{3});
    QCOMPARE(dialog.servers()[2].time_diff, -2.5);

    // Adding a listed name asks whether to modify it.
    Type(&dialog, "siteName", "Lab");
    ui_.answers = {true};
    Click(&dialog, "add");
    QCOMPARE(ui_.questions.back().text, std::string("This entry exists. Do you want to modify it?"));
    QCOMPARE(dialog.servers().size(), size_t{3});
    QCOMPARE(dialog.servers()[2].site_name, std::string("Lab"));

    // "<>" marks the selected server as scanned locally.
    QTreeWidget* list = Child<QTreeWidget>(&dialog, "servers");
    list->setCurrentItem(list->topLevelItem(0));
    QCOMPARE(Child<QLineEdit>(&dialog, "serverName")->text(), QString("HQ1"));
    Click(&dialog, "toggleLocal");
    QVERIFY(dialog.servers()[0].local);
    QCOMPARE(Child<QListWidget>(&dialog, "localServers")->count(), 1);

    // Leaving a changed row asks; "no" drops the change.
    Type(&dialog, "siteName", "changed");
    ui_.answers = {false};
    list->setCurrentItem(list->topLevelItem(1));
    QCOMPARE(ui_.questions.back().title, std::string("Server Data Changed"));
    QCOMPARE(dialog.servers()[0].site_name, std::string(""));
    QCOMPARE(Child<QLineEdit>(&dialog, "serverName")->text(), QString("HQ2"));
    Click(&dialog, "delete");
    QCOMPARE(dialog.servers().size(), size_t{2});
  }

  void msAccessOn64BitIsShownAndSavedAsSqlServer() {
    std::string ini = ReadFile(Ini());
    ini.replace(ini.find("[Config]"), 8, "[Config]\nWow64=1");
    std::ofstream(Ini(), std::ios::binary) << ini;
    ConfigSettings loaded = LoadSettings(Ini());
    QVERIFY(loaded.wow64);
    QCOMPARE(loaded.database_type, DatabaseType::kAccess);
    definitions_.values["korvale-demo"] = {"calendars", "db1"};
    definitions_.values["korvale-branch"] = {"branch", "db2"};
    MainWindow window(loaded, Services());
    window.show();
    QVERIFY(!Child<QRadioButton>(&window, "typeAccess")->isEnabled());
    QVERIFY(Child<QRadioButton>(&window, "typeSqlServer")->isChecked());

    // The server screen turns an MS Access choice into SQL Server with its message.
    ServerDialog servers(loaded.servers, true, definitions_, ui_, &window);
    servers.show();
    QComboBox* type = Child<QComboBox>(&servers, "type");
    type->setCurrentIndex(0);
    emit type->activated(0);
    QCOMPARE(type->currentIndex(), 1);
    QCOMPARE(ui_.messages.back().text, std::string("MS Access datasources cannot be used on 64bit "
                                                   "systems.\nThe DB Type has been changed to SQL Server."));
    servers.reject();

    Click(&window, "update");
    QCOMPARE(window.last_save(), std::optional<SaveOutcome>(SaveOutcome::kSaved));
    ini = ReadFile(Ini());
    QVERIFY2(ini.find("SQLServer=1\r\n") != std::string::npos, ini.c_str());
  }

  void fieldsAndFiltersAreChosen() {
    FieldsDialog dialog(LoadSettings(Ini()), ui_, nullptr);
    dialog.show();
    QListWidget* available = Child<QListWidget>(&dialog, "availableFields");
    QListWidget* scanned = Child<QListWidget>(&dialog, "fieldsToScan");
    QCOMPARE(available->count(), 53);
    SelectRow(available, "Duration");
    QCOMPARE(Child<QLabel>(&dialog, "description")->text(),
             QString("The Duration property returns the duration of this appointment in minutes."));
    Click(&dialog, "moveField");
    QCOMPARE(scanned->count(), 1);
    Type(&dialog, "customName", "Project");
    Child<QComboBox>(&dialog, "customType")->setCurrentText("PT_LONG");
    Click(&dialog, "addCustom");
    QCOMPARE(scanned->count(), 2);
    SelectRow(scanned, "Project");
    QCOMPARE(Child<QLabel>(&dialog, "description")->text(), QString("Custom Field, Type: PT_LONG"));
    Click(&dialog, "moveFilter");
    SelectRow(scanned, "Project");
    Click(&dialog, "moveFilter");
    QListWidget* filters = Child<QListWidget>(&dialog, "customFilters");
    QCOMPARE(filters->count(), 1);
    filters->setCurrentRow(0);
    QCOMPARE(Child<QLineEdit>(&dialog, "filterDisplay")->text(), QString("Project"));
    QCOMPARE(Child<QLineEdit>(&dialog, "filterSelect")->text(), QString("SELECT * FROM Groups"));
    Type(&dialog, "filterDisplay", "Projects");
    Child<QComboBox>(&dialog, "filterLogic")->setCurrentText("OR");
    Click(&dialog, "modifyFilter");
    dialog.accept();
    const ConfigSettings& s = dialog.settings();
    QCOMPARE(s.fields, std::string("Duration"));
    QCOMPARE(s.custom_fields_selected, std::string("Project"));
    QCOMPARE(s.custom_fields_types_selected, std::string("PT_LONG"));
    QCOMPARE(s.custom_filters.size(), size_t{1});
    QCOMPARE(s.custom_filters[0].display, std::string("Projects"));
    QCOMPARE(s.custom_filters[0].logic, std::string("OR"));
    QVERIFY(ui_.messages.back().text.find("manually DROP the following tables") != std::string::npos);
  }

  void updateWritesCaldrunIniAndKorvaleInc() {
    MainWindow window(LoadSettings(Ini()), Services());
    window.show();
    OnModal<AddGroupDialog>([](AddGroupDialog* d) {
      Type(d, "groupName", "Sales");
      d->accept();
    });
    Click(&window, "addGroup");
    OnModal<ServerDialog>([](ServerDialog* d) {
      Type(d, "serverName", "LAB");
      Child<QComboBox>(d, "timeDiff")->setCurrentIndex(Child<QComboBox>(d, "timeDiff")->findText("+1.5"));
      Type(d, "dataSource", "korvale-branch");
      Click(d, "add");
      d->accept();
    });
    Click(&window, "servers");
    OnModal<FieldsDialog>([](FieldsDialog* d) {
      SelectRow(Child<QListWidget>(d, "availableFields"), "Importance");
      Click(d, "moveField");
      SelectRow(Child<QListWidget>(d, "fieldsToScan"), "Importance");
      Click(d, "moveFilter");
      d->accept();
    });
    Click(&window, "fields");
    OnModal<SecurityDialog>([](SecurityDialog* d) {
      Child<QRadioButton>(d, "minimal")->click();
      Child<QComboBox>(d, "attribute")->setCurrentIndex(3);
      d->accept();
    });
    Click(&window, "security");
    OnModal<BookingDialog>([](BookingDialog* d) {
      Child<QRadioButton>(d, "restricted")->click();
      Child<QComboBox>(d, "attribute")->setCurrentIndex(2);
      Type(d, "prefix", "Booked on the web by %s");
      d->accept();
    });
    Click(&window, "meeting");
    OnModal<FiltersDialog>([this](FiltersDialog* d) {
      Child<QCheckBox>(d, "holidays")->click();
      QCOMPARE(ui_.messages.back().title, std::string("Warning"));
      Child<QCheckBox>(d, "cancelled")->click();
      d->accept();
    });
    Click(&window, "filters");
    OnModal<LogOptionsDialog>([this](LogOptionsDialog* d) {
      Child<QCheckBox>(d, "sqlLog")->click();
      Child<QCheckBox>(d, "logEvents")->click();
      QCOMPARE(ui_.messages.back().text,
               std::string("Turning off the 'Log all events to the Event Log' option\nwill "
                           "result in absolutely NO error reporting."));
      d->accept();
    });
    Click(&window, "logOptions");
    OnModal<DbUserDialog>([this](DbUserDialog* d) {
      Type(d, "user", "web");
      Type(d, "password", "pw1");
      Type(d, "verify", "pw2");
      d->accept();
      QCOMPARE(ui_.messages.back().text, std::string("The Passwords are not identical."));
      Type(d, "verify", "pw1");
      d->accept();
    });
    Click(&window, "dbUser");
    Click(&window, "chooseHomeServer");
    Child<QSpinBox>(&window, "daysAhead")->setValue(30);
    Child<QRadioButton>(&window, "typeMySql")->click();

    Click(&window, "update");
    QCOMPARE(window.last_save(), std::optional<SaveOutcome>(SaveOutcome::kSaved));
    QVERIFY(restart_offered_);
    QVERIFY(!window.isVisible());

    ConfigSettings saved = LoadSettings(Ini());
    QCOMPARE(saved.groups.size(), size_t{3});
    QCOMPARE(saved.groups[2].name, std::string("Sales"));
    QCOMPARE(saved.groups[2].member_addresses,
             std::string(
                 "/o=Korvale Demo/ou=HQ/cn=Recipients/cn=anna; /o=Korvale Demo/ou=HQ/cn=Recipients/cn=ben"));
    QCOMPARE(saved.servers.size(), size_t{3});
    QCOMPARE(saved.servers[2].time_diff, 1.5);
    QCOMPARE(saved.fields, std::string("Importance"));
    QCOMPARE(saved.custom_filters.size(), size_t{1});
    QCOMPARE(saved.security_level, 1);
    QCOMPARE(saved.mailbox_custom_attribute, 3);
    QCOMPARE(saved.mb_cust_attr_book_meetings, 2);
    QCOMPARE(saved.appt_booked_by_text, std::string("Booked on the web by %s"));
    QVERIFY(!saved.suppress_holidays);
    QVERIFY(saved.skip_cancelled_meetings);
    QVERIFY(saved.sql_log);
    QVERIFY(!saved.log_events);
    QCOMPARE(saved.db_user_name, std::string("web"));
    QCOMPARE(saved.db_password, std::string("pw1"));
    QCOMPARE(saved.msx2k, 3);
    QCOMPARE(saved.home_server, std::string("/o=Korvale Demo/ou=HQ/cn=Configuration/cn=Servers/cn=HQ1"));
    QCOMPARE(saved.days_ahead, 30);
    QCOMPARE(saved.database_type, DatabaseType::kMySql);

    const std::string inc = ReadFile(Inc());
    for (const char* line :
         {"SortedMenu(3) = \"Sales\"\r\n", "Dim Servers(3,13)\r\n", "Servers(3,1) = \"LAB\"\r\n",
          "Servers(3,2) = +1.5\r\n", "mySQL = True\r\n", "SecurityLevel = 1\r\n",
          "CanBookMeetingsRecord = True\r\n", "CustFldsArr(1,1) = \"Importance\"\r\n",
          "CustFiltersArr(1,1) = \"Importance\"\r\n", "acc = \"web\"\r\n"}) {
      QVERIFY2(inc.find(line) != std::string::npos, line);
    }
    QCOMPARE(inc.substr(inc.size() - 2), std::string("%>"));
  }

  void cancelWritesNothing() {
    const std::string before = ReadFile(Ini());
    MainWindow window(LoadSettings(Ini()), Services());
    window.show();
    OnModal<AddGroupDialog>([](AddGroupDialog* d) {
      Type(d, "groupName", "Sales");
      d->accept();
    });
    Click(&window, "addGroup");
    Child<QSpinBox>(&window, "daysAhead")->setValue(5);
    Click(&window, "cancel");
    QVERIFY(!window.isVisible());
    QCOMPARE(ReadFile(Ini()), before);
    QVERIFY(!QFile::exists(QString::fromStdString(Inc())));
    QVERIFY(!window.last_save());
  }

  void aRefusedUpdateKeepsTheWindowOpen() {
    ConfigSettings s = LoadSettings(Ini());
    s.home_server.clear();
    const std::string before = ReadFile(Ini());
    MainWindow window(s, Services());
    window.show();
    Click(&window, "update");
    QCOMPARE(window.last_save(), std::optional<SaveOutcome>(SaveOutcome::kRefused));
    QVERIFY(window.isVisible());
    QCOMPARE(ui_.messages.back().text, std::string("Please select your Home Exchange Server"));
    QCOMPARE(ReadFile(Ini()), before);
  }

  void subScreensHandBackOnlyOnOk() {
    MainWindow window(LoadSettings(Ini()), Services());
    window.show();
    OnModal<SecurityDialog>([](SecurityDialog* d) {
      Child<QRadioButton>(d, "full")->click();
      d->reject();
    });
    Click(&window, "security");
    QCOMPARE(window.settings().security_level, 0);
    OnModal<ServerDialog>([](ServerDialog* d) {
      d->findChild<QTreeWidget*>("servers")->setCurrentItem(
          d->findChild<QTreeWidget*>("servers")->topLevelItem(0));
      Click(d, "delete");
      d->reject();
    });
    Click(&window, "servers");
    QCOMPARE(window.settings().servers.size(), size_t{2});
  }

  void theDatasourceScreenListsDefinitionsAndInsertsCodes() {
    DataSourceChoice choice{"korvale-demo", "%d.%m.%Y", true, "", ""};
    DataSourceDialog dialog(choice, true, false, definitions_, ui_, nullptr);
    dialog.show();
    QListWidget* sources = Child<QListWidget>(&dialog, "dataSources");
    QCOMPARE(sources->count(), 2);
    QCOMPARE(sources->currentItem()->text(), QString("korvale-demo"));
    QListWidget* codes = Child<QListWidget>(&dialog, "codes");
    QCOMPARE(codes->count(), 21);
    codes->setCurrentRow(4);
    QCOMPARE(Child<QLabel>(&dialog, "codeDescription")->text(),
             QString("Date and time representation appropriate for locale"));
    QLineEdit* format = Child<QLineEdit>(&dialog, "dateTimeFormat");
    format->setCursorPosition(format->text().size());
    codes->setCurrentRow(20);
    QCOMPARE(codes->currentItem()->text(), QString("<space>"));
    Click(&dialog, "insertCode");
    codes->setCurrentRow(6);
    Click(&dialog, "insertCode");
    QCOMPARE(format->text(), QString("%d.%m.%Y %H"));
    Child<QCheckBox>(&dialog, "backupLog")->setChecked(false);
    SelectRow(sources, "korvale-branch");
    dialog.accept();
    QCOMPARE(dialog.choice().dsn, std::string("korvale-branch"));
    QCOMPARE(dialog.choice().date_time_format, std::string("%d.%m.%Y %H"));
    QVERIFY(!dialog.choice().backup_log);

    // "&New" writes a definition through the installer and lists it.
    DataSourceDialog again(choice, false, false, definitions_, ui_, nullptr);
    again.show();
    QVERIFY(!again.findChild<QCheckBox*>("backupLog"));
    OnModal<DsnFormDialog>([](DsnFormDialog* d) {
      Type(d, "database", "/srv/korvale.db");
      d->findChild<QComboBox*>("driver")->addItem("SQLite3");
      d->findChild<QComboBox*>("driver")->setCurrentText("SQLite3");
      d->accept();
    });
    Click(&again, "new");
    QCOMPARE(Child<QListWidget>(&again, "dataSources")->currentItem()->text(), QString("Korvale"));
    QVERIFY(ReadFile(program_dir_ + "/odbc.ini").find("/srv/korvale.db") != std::string::npos);

    // "&Edit" opens the selected definition's keys and writes them back.
    SelectRow(Child<QListWidget>(&again, "dataSources"), "korvale-branch");
    OnModal<DsnFormDialog>([this](DsnFormDialog* d) {
      QCOMPARE(Child<QLineEdit>(d, "dsnName")->text(), QString("korvale-branch"));
      QCOMPARE(Child<QLineEdit>(d, "database")->text(), QString::fromStdString(program_dir_ + "/branch.db"));
      QCOMPARE(d->findChild<QComboBox*>("driver")->currentText(), QString("SQLite3"));
      Type(d, "server", "db2");
      d->accept();
    });
    Click(&again, "edit");
    QCOMPARE(odbcinst::ReadDsnValue("korvale-branch", "Server"), std::string("db2"));
    QCOMPARE(odbcinst::ReadDsnValue("korvale-branch", "Database"), program_dir_ + "/branch.db");
  }

  void theAddressBookDialogFillsItsWell() {
    InstallQtAddressDialog(nullptr);
    mapi::AddressDialog installed = mapi::InstallAddressDialog(nullptr);
    QVERIFY2(installed, "the Qt dialog is the process's address dialog");
    mapi::AddressDialogRequest request;
    request.caption = "Address Book";
    request.well_label = "Mailboxes / DLs to scan:";
    request.directory = {{"All Staff", "/o=D/cn=all-staff", {}, mapi::MAPI_DISTLIST},
                         {"Anna Berg", "/o=D/cn=anna", {}, mapi::MAPI_MAILUSER},
                         {"Ben Carter", "/o=D/cn=ben", {}, mapi::MAPI_MAILUSER},
                         {"Gina Hall", "/o=D/cn=gina", {}, mapi::MAPI_MAILUSER}};
    request.selected = {{"Gina Hall", "", {}, 0}};
    OnModal<AddressBookDialog>([](AddressBookDialog* d) {
      QCOMPARE(d->windowTitle(), QString("Address Book"));
      QVERIFY(d->findChild<QLabel*>() != nullptr);
      QListWidget* directory = Child<QListWidget>(d, "directory");
      QCOMPARE(directory->count(), 4);
      QCOMPARE(directory->item(0)->text(), QString("All Staff  (distribution list)"));
      Type(d, "search", "b");
      QCOMPARE(directory->count(), 1);
      directory->item(0)->setSelected(true);
      Click(d, "addEntries");
      Click(d, "addEntries");  // an entry is in the well once
      Type(d, "search", "all");
      directory->item(0)->setSelected(true);
      Click(d, "addEntries");
      QListWidget* well = Child<QListWidget>(d, "well");
      QCOMPARE(well->count(), 3);
      well->item(0)->setSelected(true);
      Click(d, "removeEntries");
      d->accept();
    });
    std::optional<std::vector<mapi::AddressEntry>> chosen = installed(request);
    QVERIFY(chosen);
    QCOMPARE(chosen->size(), size_t{2});
    QCOMPARE((*chosen)[0].display_name, std::string("Ben Carter"));
    QCOMPARE((*chosen)[1].email_address, std::string("/o=D/cn=all-staff"));

    OnModal<AddressBookDialog>([](AddressBookDialog* d) { d->reject(); });
    QVERIFY2(!installed(request), "Cancel returns nothing");
  }

  // The real lookup through the Qt choosers: Exchange 5.x, a server name, and
  // a stand-in library that is not beside the program shows its failure.
  void theHomeServerLookupRunsThroughTheQtChoosers() {
    QtConfigUi ui;
    MainWindowServices services = Services();
    services.choose_home_server = [&ui, this](QWidget*, int current) {
      return ChooseHomeServer(HomeServerLookup{program_dir_, "KorvaleCfg", "HOST1"}, current, ui);
    };
    MainWindow window(LoadSettings(Ini()), services);
    window.show();
    ui.SetOwner(&window);
    QString failure;
    OnModal<ListChooserDialog>([&failure](ListChooserDialog* versions) {
      QCOMPARE(versions->windowTitle(), QString("Microsoft Exchange Version"));
      QCOMPARE(Child<QListWidget>(versions, "choices")->currentRow(), 3);
      Child<QListWidget>(versions, "choices")->setCurrentRow(0);
      OnModal<TextQuestionDialog>([&failure](TextQuestionDialog* name) {
        QCOMPARE(Child<QLineEdit>(name, "text")->text(), QString("HOST1"));
        OnModal<QMessageBox>([&failure](QMessageBox* box) {
          failure = box->text();
          box->button(QMessageBox::Ok)->click();
        });
        name->accept();
      });
      versions->accept();
    });
    Click(&window, "chooseHomeServer");
    QVERIFY2(failure.startsWith("An error occured while trying to load a DLL"), qPrintable(failure));
    QCOMPARE(Child<QLineEdit>(&window, "homeServer")->text(), QString("HQ1"));
    QCOMPARE(window.settings().msx2k, 3);
  }

  void theChoosersReturnPositions() {
    QtConfigUi ui;
    OnModal<ListChooserDialog>([](ListChooserDialog* d) {
      QCOMPARE(Child<QListWidget>(d, "choices")->currentRow(), 1);
      Child<QListWidget>(d, "choices")->setCurrentRow(2);
      d->accept();
    });
    QCOMPARE(ui.ChooseFromList("Organization",
                               "Please select your Exchange Server Organization:", {"A", "B", "C"}, 1),
             std::optional<std::size_t>(2));
    OnModal<ListChooserDialog>([](ListChooserDialog* d) { d->reject(); });
    QCOMPARE(ui.ChooseFromList("t", "c", {"A"}, 0), std::optional<std::size_t>());
    OnModal<TextQuestionDialog>([](TextQuestionDialog* d) {
      QCOMPARE(Child<QLineEdit>(d, "text")->text(), QString("HOST1"));
      Type(d, "text", "EX55");
      d->accept();
    });
    QCOMPARE(ui.AskText("Exchange Server", "Please enter the name of your Exchange Server:", "HOST1"),
             std::optional<std::string>("EX55"));
  }

  void theQtBoxesShowTheirTextsAndAnswers() {
    QtConfigUi ui;
    QWidget owner;
    owner.show();
    ui.SetOwner(&owner);
    QString shown;
    OnModal<QMessageBox>([&shown](QMessageBox* box) {
      shown = box->windowTitle() + ": " + box->text();
      box->button(QMessageBox::Ok)->click();
    });
    ui.ShowMessage("Please enter a DataSource", "Configuration Error", MessageIcon::kError);
    QCOMPARE(shown, QString("Configuration Error: Please enter a DataSource"));
    OnModal<QMessageBox>([](QMessageBox* box) { box->button(QMessageBox::Yes)->click(); });
    QVERIFY(ui.AskYesNo("Restart?", "Korvale Restart Service", MessageIcon::kQuestion));
    OnModal<QMessageBox>([](QMessageBox* box) { box->button(QMessageBox::No)->click(); });
    QVERIFY(!ui.AskYesNo("Restart?", "Korvale Restart Service", MessageIcon::kQuestion));
    ui.ShowProgress("Searching for installed services. Please wait...");
    QLabel* line = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (w->objectName() == "progressWindow" && w->isVisible()) line = w->findChild<QLabel*>();
    }
    QVERIFY(line);
    QCOMPARE(line->text(), QString("Searching for installed services. Please wait..."));
    ui.CloseProgress();
    ui.SetWaitCursor(true);
    QVERIFY(QGuiApplication::overrideCursor());
    ui.SetWaitCursor(false);
    QVERIFY(!QGuiApplication::overrideCursor());
  }
};

}  // namespace korvale::config

QTEST_MAIN(korvale::config::WindowsTest)
#include "windows_test.moc"
