#include "config/windows/main_window.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include "config/screens/option_screens.h"
#include "config/windows/datasource_dialog.h"
#include "config/windows/fields_dialog.h"
#include "config/windows/option_dialogs.h"
#include "config/windows/server_dialog.h"
#include "config/windows/widget_helpers.h"

namespace korvale::config {

namespace {

QSpinBox* Number(QWidget* parent, const char* name) {
  auto* box = new QSpinBox(parent);
  box->setObjectName(name);
  box->setRange(0, 99999);
  return box;
}

}  // namespace

MainWindow::MainWindow(ConfigSettings settings, MainWindowServices services, QWidget* parent)
    : QDialog(parent), settings_(std::move(settings)), services_(std::move(services)) {
  setWindowTitle(kMainCaption);
  Build();
  ShowValues();
}

void MainWindow::Build() {
  auto* grid = new QGridLayout(this);
  // Desktops here have no system menu a program can extend: the about item
  // sits in the window's own menu, after a separator as it would there.
  auto* bar = new QMenuBar(this);
  QMenu* menu = bar->addMenu("&Korvale");
  menu->addSeparator();
  QAction* about = menu->addAction(kAboutMenuItem);
  about->setObjectName("about");
  connect(about, &QAction::triggered, this, [this] { ShowAbout(); });
  grid->setMenuBar(bar);

  auto* database = new QGroupBox("Database", this);
  auto* db = new QGridLayout(database);
  db->addWidget(new QLabel("Local datasource:", database), 0, 0);
  dsn_ = new QLineEdit(database);
  dsn_->setObjectName("dataSource");
  dsn_->setMaxLength(255);
  db->addWidget(dsn_, 0, 1, 1, 2);
  QPushButton* config = Button(database, "config", "&Config");
  db->addWidget(config, 0, 3);
  types_ = new QButtonGroup(this);
  const char* type_names[] = {"typeAccess", "typeSqlServer", "typeMySql", "typeOracle"};
  int id = 0;
  for (const std::string& choice : MainDatabaseTypeChoices()) {
    auto* radio = new QRadioButton(Q(choice), database);
    radio->setObjectName(type_names[id]);
    types_->addButton(radio, id);
    db->addWidget(radio, 1, id++);
  }
  QPushButton* db_user = Button(database, "dbUser", "DB &User");
  db->addWidget(db_user, 2, 0);
  new_db_ = new QCheckBox("Multiple Services write to this database", database);
  new_db_->setObjectName("newDB");
  db->addWidget(new_db_, 2, 1, 1, 3);
  grid->addWidget(database, 0, 0, 1, 3);

  auto* groups = new QGroupBox("Groups", this);
  auto* gl = new QGridLayout(groups);
  groups_ = new QListWidget(groups);
  groups_->setObjectName("groups");
  gl->addWidget(groups_, 0, 0, 5, 1);
  QPushButton* add = Button(groups, "addGroup", "&Add");
  members_ = Button(groups, "members", "&Members");
  remove_ = Button(groups, "removeGroup", "&Remove");
  up_ = Button(groups, "up", "Up");
  down_ = Button(groups, "down", "Down");
  int row = 0;
  for (QPushButton* b : {add, members_, remove_, up_, down_}) gl->addWidget(b, row++, 1);
  grid->addWidget(groups, 1, 0, 1, 2);

  auto* screens = new QGridLayout;
  QPushButton* servers = Button(this, "servers", "Ser&vers");
  QPushButton* meeting = Button(this, "meeting", "Meeting");
  QPushButton* fields = Button(this, "fields", "Add'&l Fields");
  QPushButton* security = Button(this, "security", "Se&curity");
  QPushButton* filters = Button(this, "filters", "Filters");
  QPushButton* log = Button(this, "logOptions", "Log Options");
  row = 0;
  for (QPushButton* b : {servers, meeting, fields, security, filters, log}) screens->addWidget(b, row++, 0);
  grid->addLayout(screens, 1, 2);

  auto* admins = new QGroupBox("Administrator accounts", this);
  auto* al = new QVBoxLayout(admins);
  admins_ = new QLineEdit(admins);
  admins_->setObjectName("adminUsers");
  admins_->setMaxLength(2048);
  al->addWidget(admins_);
  al->addWidget(new QLabel("e.g. DOMAIN\\Korvale Admins; admin@example.com", admins));
  grid->addWidget(admins, 2, 0, 1, 3);

  auto* scan = new QGridLayout;
  days_ahead_ = Number(this, "daysAhead");
  days_past_ = Number(this, "daysPast");
  cycle_time_ = Number(this, "cycleTime");
  // A label with a buddy turns its "&" into the shortcut to that field.
  auto buddy = [this](const char* text, QWidget* field) {
    auto* label = new QLabel(text, this);
    label->setBuddy(field);
    return label;
  };
  scan->addWidget(buddy("Days a&head", days_ahead_), 0, 0);
  scan->addWidget(days_ahead_, 0, 1);
  scan->addWidget(buddy("Days &past", days_past_), 0, 2);
  scan->addWidget(days_past_, 0, 3);
  scan->addWidget(buddy("Wait between cycles", cycle_time_), 0, 4);
  scan->addWidget(cycle_time_, 0, 5);
  scan->addWidget(new QLabel("(min.)", this), 0, 6);
  home_server_ = new QLineEdit(this);
  home_server_->setObjectName("homeServer");
  scan->addWidget(buddy("MS &Exchange Server", home_server_), 1, 0);
  home_server_->setReadOnly(true);
  scan->addWidget(home_server_, 1, 1, 1, 5);
  QPushButton* choose = Button(this, "chooseHomeServer", "&...");
  scan->addWidget(choose, 1, 6);
  grid->addLayout(scan, 3, 0, 1, 3);

  auto* bottom = new QHBoxLayout;
  QPushButton* update = Button(this, "update", "Update");
  QPushButton* cancel = Button(this, "cancel", "Cancel");
  bottom->addStretch();
  bottom->addWidget(update);
  bottom->addWidget(cancel);
  grid->addLayout(bottom, 4, 0, 1, 3);

  connect(config, &QPushButton::clicked, this, [this] { ConfigureDataSource(); });
  connect(db_user, &QPushButton::clicked, this, [this] { EditDbUser(); });
  connect(add, &QPushButton::clicked, this, [this] { AddGroup(); });
  connect(members_, &QPushButton::clicked, this, [this] { ChooseMembers(groups_->currentRow()); });
  connect(remove_, &QPushButton::clicked, this, [this] { RemoveGroup(); });
  connect(up_, &QPushButton::clicked, this, [this] { MoveSelectedGroup(-1); });
  connect(down_, &QPushButton::clicked, this, [this] { MoveSelectedGroup(+1); });
  connect(groups_, &QListWidget::currentRowChanged, this, [this] { UpdateGroupButtons(); });
  connect(servers, &QPushButton::clicked, this, [this] { EditServers(); });
  connect(meeting, &QPushButton::clicked, this, [this] { EditBooking(); });
  connect(fields, &QPushButton::clicked, this, [this] { EditFields(); });
  connect(security, &QPushButton::clicked, this, [this] { EditSecurity(); });
  connect(filters, &QPushButton::clicked, this, [this] { EditFilters(); });
  connect(log, &QPushButton::clicked, this, [this] { EditLogOptions(); });
  connect(choose, &QPushButton::clicked, this, [this] { ChooseHomeServer(); });
  connect(update, &QPushButton::clicked, this, [this] { Update(); });
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void MainWindow::ShowValues() {
  dsn_->setText(Q(settings_.db));
  const DatabaseType shown = ShownDatabaseType(settings_.database_type, settings_.wow64);
  types_->button(static_cast<int>(shown))->setChecked(true);
  types_->button(static_cast<int>(DatabaseType::kAccess))->setEnabled(!settings_.wow64);
  new_db_->setChecked(settings_.new_db);
  admins_->setText(Q(settings_.admin_users));
  days_ahead_->setValue(settings_.days_ahead);
  days_past_->setValue(settings_.days_past);
  cycle_time_->setValue(settings_.cycle_time);
  home_server_->setText(Q(settings_.home_server));
  FillGroups(-1);
}

void MainWindow::TakeValues() {
  settings_.db = dsn_->text().toStdString();
  settings_.database_type = static_cast<DatabaseType>(types_->checkedId());
  settings_.new_db = new_db_->isChecked();
  settings_.admin_users = admins_->text().toStdString();
  settings_.days_ahead = days_ahead_->value();
  settings_.days_past = days_past_->value();
  settings_.cycle_time = cycle_time_->value();
}

ConfigSettings MainWindow::settings() {
  TakeValues();
  return settings_;
}

void MainWindow::FillGroups(int select) {
  groups_->clear();
  for (const GroupEntry& group : settings_.groups) groups_->addItem(Q(group.name));
  groups_->setCurrentRow(select);
  UpdateGroupButtons();
}

void MainWindow::UpdateGroupButtons() {
  const bool chosen = groups_->currentRow() >= 0;
  for (QPushButton* b : {members_, remove_, up_, down_}) b->setEnabled(chosen);
}

void MainWindow::AddGroup() {
  AddGroupDialog dialog(services_.ui, this);
  if (dialog.exec() != QDialog::Accepted) return;
  GroupEntry group;
  group.name = dialog.name();
  settings_.groups.push_back(group);
  const int row = static_cast<int>(settings_.groups.size()) - 1;
  FillGroups(row);
  ChooseMembers(row);
}

void MainWindow::ChooseMembers(int row) {
  if (row < 0 || row >= static_cast<int>(settings_.groups.size())) return;
  std::optional<MemberLists> chosen;
  if (services_.choose_members) chosen = services_.choose_members(this, settings_.groups[row]);
  const bool kept = ApplyMembers(settings_.groups, static_cast<size_t>(row), chosen);
  FillGroups(kept ? row : -1);
}

void MainWindow::RemoveGroup() {
  const int row = groups_->currentRow();
  if (row < 0 || row >= static_cast<int>(settings_.groups.size())) return;
  settings_.groups.erase(settings_.groups.begin() + row);
  FillGroups(-1);
}

void MainWindow::MoveSelectedGroup(int direction) {
  const int row = groups_->currentRow();
  if (row < 0) return;
  FillGroups(static_cast<int>(MoveGroup(settings_.groups, static_cast<size_t>(row), direction)));
}

void MainWindow::ConfigureDataSource() {
  DataSourceChoice choice{dsn_->text().toStdString(), settings_.date_time_format, settings_.backup_log,
                          settings_.database_name, settings_.database_server};
  DataSourceDialog dialog(choice, /*with_backup_log=*/true, settings_.wow64, services_.definitions,
                          services_.ui, this);
  if (dialog.exec() != QDialog::Accepted) return;
  const DataSourceChoice& chosen = dialog.choice();
  dsn_->setText(Q(chosen.dsn));
  settings_.date_time_format = chosen.date_time_format;
  settings_.backup_log = chosen.backup_log;
  settings_.database_name = chosen.database_name;
  settings_.database_server = chosen.database_server;
}

void MainWindow::EditDbUser() {
  DbUserDialog dialog(settings_.db_user_name, settings_.db_password, services_.ui, this);
  if (dialog.exec() != QDialog::Accepted) return;
  settings_.db_user_name = dialog.user();
  settings_.db_password = dialog.password();
}

void MainWindow::EditServers() {
  ServerDialog dialog(settings_.servers, settings_.wow64, services_.definitions, services_.ui, this);
  dialog.CheckOnOpen();
  if (dialog.exec() == QDialog::Accepted) settings_.servers = dialog.servers();
}

void MainWindow::EditFields() {
  FieldsDialog dialog(settings_, services_.ui, this);
  if (dialog.exec() != QDialog::Accepted) return;
  const ConfigSettings& edited = dialog.settings();
  settings_.fields = edited.fields;
  settings_.custom_fields = edited.custom_fields;
  settings_.custom_fields_types = edited.custom_fields_types;
  settings_.custom_fields_selected = edited.custom_fields_selected;
  settings_.custom_fields_types_selected = edited.custom_fields_types_selected;
  settings_.custom_filters = edited.custom_filters;
}

void MainWindow::EditSecurity() {
  SecurityDialog dialog(settings_.security_level, settings_.mailbox_custom_attribute, this);
  if (dialog.exec() != QDialog::Accepted) return;
  settings_.security_level = dialog.level();
  settings_.mailbox_custom_attribute = dialog.attribute();
}

void MainWindow::EditBooking() {
  BookingDialog dialog(settings_.mb_cust_attr_book_meetings, settings_.appt_booked_by_text, this);
  if (dialog.exec() != QDialog::Accepted) return;
  settings_.mb_cust_attr_book_meetings = dialog.attribute();
  settings_.appt_booked_by_text = dialog.prefix();
}

void MainWindow::EditFilters() {
  FiltersDialog dialog({settings_.suppress_holidays, settings_.show_no_private,
                        settings_.skip_cancelled_meetings, settings_.show_personal},
                       services_.ui, this);
  if (dialog.exec() != QDialog::Accepted) return;
  const MeetingFilters f = dialog.values();
  settings_.suppress_holidays = f.suppress_holidays;
  settings_.show_no_private = f.show_no_private;
  settings_.skip_cancelled_meetings = f.skip_cancelled;
  settings_.show_personal = f.show_personal;
}

void MainWindow::EditLogOptions() {
  LogOptionsDialog dialog(
      {settings_.log_events, settings_.success_log, settings_.sql_log, settings_.time_log}, services_.ui,
      this);
  if (dialog.exec() != QDialog::Accepted) return;
  const LogOptions o = dialog.values();
  settings_.log_events = o.log_events;
  settings_.success_log = o.success_log;
  settings_.sql_log = o.sql_log;
  settings_.time_log = o.time_log;
}

void MainWindow::ChooseHomeServer() {
  if (!services_.choose_home_server) return;
  std::optional<HomeServerChoice> chosen = services_.choose_home_server(this, settings_.msx2k);
  if (!chosen) return;
  settings_.home_server = chosen->home_server;
  settings_.msx2k = chosen->msx2k;
  home_server_->setText(Q(chosen->home_server));
}

void MainWindow::ShowAbout() {
  QMessageBox box(QMessageBox::Information, kProgramTitle, kAboutText, QMessageBox::Ok, this);
  box.setObjectName("aboutBox");
  box.exec();
}

void MainWindow::Update() {
  TakeValues();
  SaveEnvironment env{services_.program_dir, services_.ui, services_.definitions, services_.admin_users,
                      services_.offer_restart};
  last_save_ = SaveSettings(settings_, env);
  if (*last_save_ == SaveOutcome::kSaved) accept();
}

}  // namespace korvale::config
