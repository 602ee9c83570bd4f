#include "config/windows/server_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>

#include "config/screens/server_screen.h"
#include "config/windows/datasource_dialog.h"
#include "config/windows/widget_helpers.h"

namespace korvale::config {

namespace {

std::string S(const QLineEdit* edit) { return edit->text().toStdString(); }

QLineEdit* Field(QWidget* parent, const char* name) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(name);
  edit->setMaxLength(255);
  return edit;
}

}  // namespace

ServerDialog::ServerDialog(std::vector<ServerEntry> servers, bool wow64, DataSourceDefinitions& definitions,
                           ConfigUi& ui, QWidget* parent)
    : QDialog(parent), servers_(std::move(servers)), wow64_(wow64), definitions_(definitions), ui_(ui) {
  setWindowTitle("Server Configuration");
  auto* grid = new QGridLayout(this);
  BuildEditFields(grid);

  auto* add = Button(this, "add", "&add");
  auto* modify = Button(this, "modify", "&modify");
  auto* remove = Button(this, "delete", "&delete");
  auto* row = new QHBoxLayout;
  row->addWidget(add);
  row->addWidget(modify);
  row->addWidget(remove);
  row->addStretch();
  grid->addLayout(row, 6, 0, 1, 4);
  connect(add, &QPushButton::clicked, this, [this] { Add(); });
  connect(modify, &QPushButton::clicked, this, [this] { Modify(); });
  connect(remove, &QPushButton::clicked, this, [this] { Delete(); });

  grid->addWidget(new QLabel("Available servers:", this), 7, 0, 1, 3);
  grid->addWidget(new QLabel("Servers\nto scan locally:", this), 7, 4);
  list_ = new QTreeWidget(this);
  list_->setObjectName("servers");
  list_->setRootIsDecorated(false);
  QStringList captions;
  for (const std::string& caption : ServerListColumns()) captions << Q(caption);
  list_->setHeaderLabels(captions);
  list_->setMinimumWidth(640);
  grid->addWidget(list_, 8, 0, 2, 3);
  auto* toggle = Button(this, "toggleLocal", "<>");
  grid->addWidget(toggle, 8, 3);
  local_ = new QListWidget(this);
  local_->setObjectName("localServers");
  local_->setMaximumWidth(160);
  grid->addWidget(local_, 8, 4, 2, 1);
  connect(toggle, &QPushButton::clicked, this, [this] { ToggleLocal(); });
  connect(list_, &QTreeWidget::itemSelectionChanged, this, [this] { RowSelected(); });
  grid->addWidget(
      new QLabel("To modify an entry, click on its entry in the list of available servers.", this), 10, 0, 1,
      5);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setObjectName("ok");
  buttons->button(QDialogButtonBox::Cancel)->setObjectName("cancel");
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  grid->addWidget(buttons, 11, 0, 1, 5);
  FillLists();
}

void ServerDialog::BuildEditFields(QGridLayout* grid) {
  site_ = Field(this, "siteName");
  name_ = Field(this, "serverName");
  time_diff_ = new QComboBox(this);
  time_diff_->setObjectName("timeDiff");
  for (const std::string& choice : TimeDiffChoices()) time_diff_->addItem(Q(choice));
  time_diff_->setCurrentIndex(-1);
  data_source_ = Field(this, "dataSource");
  format_ = Field(this, "dateTimeFormat");
  format_->setMaxLength(1024);
  user_ = Field(this, "user");
  password_ = Field(this, "password");
  password_->setEchoMode(QLineEdit::Password);
  type_ = new QComboBox(this);
  type_->setObjectName("type");
  for (const std::string& choice : ServerDatabaseTypeChoices()) type_->addItem(Q(choice));
  pdc_ = Field(this, "pdc");
  database_server_ = Field(this, "databaseServer");
  database_ = Field(this, "database");
  auto* choose = Button(this, "chooseDataSource", "...");
  connect(choose, &QPushButton::clicked, this, [this] { ChooseDataSource(); });
  connect(type_, &QComboBox::activated, this, [this](int index) { TypeChosen(index); });

  struct Placed {
    const char* label;
    QWidget* widget;
    int row, column;
  };
  const Placed placed[] = {
      {"Site name:", site_, 0, 0},
      {"Exchange server:", name_, 0, 2},
      {"Time diff. (hours):", time_diff_, 1, 0},
      {"Datasource:", data_source_, 1, 2},
      {"Date/Time format:", format_, 2, 0},
      {"DB type:", type_, 2, 2},
      {"DB user:", user_, 3, 0},
      {"Password:", password_, 3, 2},
      {"PDC/BDC:", pdc_, 4, 0},
      {"Database:", database_, 4, 2},
      {"DB Server:", database_server_, 5, 0},
  };
  for (const Placed& p : placed) {
    grid->addWidget(new QLabel(p.label, this), p.row, p.column);
    grid->addWidget(p.widget, p.row, p.column + 1);
  }
  grid->addWidget(choose, 1, 4);
  grid->setColumnStretch(1, 1);
  grid->setColumnStretch(3, 1);
  for (QLineEdit* edit :
       {site_, name_, data_source_, format_, user_, password_, pdc_, database_server_, database_}) {
    connect(edit, &QLineEdit::textEdited, this, [this] { dirty_ = true; });
  }
  connect(time_diff_, &QComboBox::activated, this, [this] { dirty_ = true; });
}

void ServerDialog::FillLists() {
  loading_ = true;
  list_->clear();
  local_->clear();
  for (const ServerEntry& e : servers_) {
    QStringList texts;
    for (const std::string& text : ServerRowTexts(e)) texts << Q(text);
    list_->addTopLevelItem(new QTreeWidgetItem(texts));
    if (e.local) local_->addItem(Q(e.name));
  }
  loading_ = false;
  resizeEvent(nullptr);
}

void ServerDialog::resizeEvent(QResizeEvent* event) {
  if (event) QDialog::resizeEvent(event);
  std::vector<int> captions;
  const QFontMetrics metrics(list_->header()->font());
  for (const std::string& caption : ServerListColumns()) {
    captions.push_back(metrics.horizontalAdvance(Q(caption)) + 12);
  }
  std::vector<int> widths = ServerColumnWidths(captions, list_->viewport()->width());
  for (size_t i = 0; i < widths.size(); ++i) list_->setColumnWidth(static_cast<int>(i), widths[i]);
}

void ServerDialog::LoadRow(int row) {
  if (row < 0 || row >= static_cast<int>(servers_.size())) return;
  ServerEntry e = servers_[row];
  ReplaceAccessOn64Bit(e.type, wow64_, ui_);
  site_->setText(Q(e.site_name));
  name_->setText(Q(e.name));
  time_diff_->setCurrentIndex(time_diff_->findText(Q(TimeDiffChoice(e.time_diff))));
  data_source_->setText(Q(e.data_source));
  format_->setText(Q(e.date_time_format));
  user_->setText(Q(e.user));
  password_->setText(Q(e.password));
  type_->setCurrentIndex(static_cast<int>(e.type));
  pdc_->setText(Q(e.pdc));
  database_server_->setText(Q(e.database_server));
  database_->setText(Q(e.database_name));
  shown_row_ = row;
  dirty_ = false;
}

ServerEntry ServerDialog::EditedRow() const {
  ServerEntry e;
  if (auto listed = FindServer(servers_, S(name_))) e.local = servers_[*listed].local;
  e.site_name = S(site_);
  e.name = S(name_);
  e.time_diff = TimeDiffFromChoice(time_diff_->currentText().toStdString()).value_or(0.0);
  e.data_source = S(data_source_);
  e.date_time_format = S(format_);
  e.user = S(user_);
  e.password = S(password_);
  e.type = static_cast<DatabaseType>(std::max(0, type_->currentIndex()));
  e.pdc = S(pdc_);
  e.database_server = S(database_server_);
  e.database_name = S(database_);
  return e;
}

bool ServerDialog::EditedRowValid() {
  QWidget* focus[] = {nullptr, name_, time_diff_, data_source_, pdc_, user_};
  ServerField bad = ValidateServerEntry(EditedRow(), time_diff_->currentIndex() >= 0, ui_);
  if (bad == ServerField::kNone) return true;
  focus[static_cast<int>(bad)]->setFocus();
  return false;
}

void ServerDialog::Add() {
  if (!EditedRowValid()) return;
  if (AddServer(servers_, EditedRow(), ui_) == ServerEdit::kDeclined) return;
  dirty_ = false;
  FillLists();
}

void ServerDialog::Modify() {
  if (!EditedRowValid()) return;
  if (ModifyServer(servers_, EditedRow(), ui_) == ServerEdit::kDeclined) return;
  dirty_ = false;
  FillLists();
}

void ServerDialog::Delete() {
  if (!DeleteServer(servers_, S(name_))) return;
  dirty_ = false;
  shown_row_ = -1;
  FillLists();
}

void ServerDialog::ToggleLocal() {
  std::string name;
  if (local_->hasFocus() && local_->currentItem()) {
    name = local_->currentItem()->text().toStdString();
  } else if (list_->currentItem()) {
    name = list_->currentItem()->text(0).toStdString();
  } else if (local_->currentItem()) {
    name = local_->currentItem()->text().toStdString();
  }
  auto listed = FindServer(servers_, name);
  if (!listed) return;
  servers_[*listed].local = !servers_[*listed].local;
  FillLists();
}

void ServerDialog::ChooseDataSource() {
  DataSourceChoice choice;
  choice.dsn = S(data_source_);
  choice.date_time_format = format_->text().isEmpty() ? "%c" : S(format_);
  DataSourceDialog dialog(choice, /*with_backup_log=*/false, wow64_, definitions_, ui_, this);
  if (dialog.exec() != QDialog::Accepted) return;
  data_source_->setText(Q(dialog.choice().dsn));
  format_->setText(Q(dialog.choice().date_time_format));
  if (wow64_) {
    database_->setText(Q(dialog.choice().database_name));
    database_server_->setText(Q(dialog.choice().database_server));
  }
  dirty_ = true;
}

void ServerDialog::TypeChosen(int index) {
  auto type = static_cast<DatabaseType>(index);
  if (ReplaceAccessOn64Bit(type, wow64_, ui_)) type_->setCurrentIndex(static_cast<int>(type));
  dirty_ = true;
}

void ServerDialog::RowSelected() {
  if (loading_) return;
  int row = list_->currentItem() ? list_->indexOfTopLevelItem(list_->currentItem()) : -1;
  if (row == shown_row_ || row < 0) return;
  if (dirty_ && AskSaveChangedRow(ui_)) {
    const std::string chosen = servers_[row].name;
    if (!EditedRowValid() || ModifyServer(servers_, EditedRow(), ui_) == ServerEdit::kDeclined) return;
    FillLists();
    row = FindServer(servers_, chosen).value_or(0);
  }
  LoadRow(row);
}

void ServerDialog::CheckOnOpen() {
  CheckServerDataSourcesOnOpen(servers_, wow64_, definitions_, ui_);
  FillLists();
}

}  // namespace korvale::config
