#include "config/windows/datasource_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "config/screens/date_time_codes.h"
#include "config/screens/option_screens.h"
#include "config/windows/widget_helpers.h"
#include "platform/odbcinst/data_sources.h"
#include "platform/odbcinst/dsn_values.h"

namespace korvale::config {

DataSourceDialog::DataSourceDialog(const DataSourceChoice& choice, bool with_backup_log, bool wow64,
                                   DataSourceDefinitions& definitions, ConfigUi& ui, QWidget* parent)
    : QDialog(parent), choice_(choice), wow64_(wow64), definitions_(definitions), ui_(ui) {
  setWindowTitle("Korvale Datasource");
  auto* grid = new QGridLayout(this);
  grid->addWidget(new QLabel("Please select a datasource:", this), 0, 0, 1, 2);
  sources_ = new QListWidget(this);
  sources_->setObjectName("dataSources");
  grid->addWidget(sources_, 1, 0, 3, 1);
  QPushButton* create = Button(this, "new", "&New");
  QPushButton* edit = Button(this, "edit", "&Edit");
  grid->addWidget(create, 1, 1);
  grid->addWidget(edit, 2, 1);
  connect(create, &QPushButton::clicked, this, [this] { EditDefinition(true); });
  connect(edit, &QPushButton::clicked, this, [this] { EditDefinition(false); });

  grid->addWidget(new QLabel("Date/Time Format for database:", this), 4, 0);
  format_ = new QLineEdit(Q(choice.date_time_format), this);
  format_->setObjectName("dateTimeFormat");
  format_->setMaxLength(1024);
  grid->addWidget(format_, 5, 0);
  QPushButton* insert = Button(this, "insertCode", "<-");
  grid->addWidget(insert, 5, 1);
  grid->addWidget(new QLabel("Codes:", this), 6, 0);
  codes_ = new QListWidget(this);
  codes_->setObjectName("codes");
  for (const DateTimeCode& code : DateTimeCodes()) codes_->addItem(Q(code.code));
  codes_->setMaximumHeight(120);
  grid->addWidget(codes_, 7, 0);
  grid->addWidget(new QLabel("Description:", this), 8, 0);
  description_ = new QLabel(this);
  description_->setObjectName("codeDescription");
  grid->addWidget(description_, 9, 0, 1, 2);
  connect(codes_, &QListWidget::currentRowChanged, this, [this](int row) {
    auto codes = DateTimeCodes();
    description_->setText(row >= 0 && row < static_cast<int>(codes.size()) ? Q(codes[row].description) : "");
  });
  connect(insert, &QPushButton::clicked, this, [this] { InsertCode(); });
  connect(codes_, &QListWidget::itemDoubleClicked, this, [this] { InsertCode(); });

  if (with_backup_log) {
    backup_log_ =
        new QCheckBox("BACKUP LOG WITH TRUNCATE_ONLY\n(disable for SQL Server 2005 or later)", this);
    backup_log_->setObjectName("backupLog");
    backup_log_->setChecked(choice.backup_log);
    grid->addWidget(backup_log_, 10, 0, 1, 2);
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setObjectName("ok");
  buttons->button(QDialogButtonBox::Cancel)->setObjectName("cancel");
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  grid->addWidget(buttons, 11, 0, 1, 2);
  FillList(choice.dsn);
}

void DataSourceDialog::FillList(const std::string& select) {
  sources_->clear();
  for (const odbcinst::DataSource& source : odbcinst::ListDataSources()) {
    auto* item = new QListWidgetItem(Q(source.name), sources_);
    item->setData(Qt::UserRole, Q(source.driver));
    if (source.name == select) sources_->setCurrentItem(item);
  }
}

void DataSourceDialog::InsertCode() {
  auto codes = DateTimeCodes();
  const int row = codes_->currentRow();
  if (row < 0 || row >= static_cast<int>(codes.size())) return;
  std::string format = format_->text().toStdString();
  // The cursor counts characters, the text holds UTF-8 bytes.
  const size_t at = format_->text().left(format_->cursorPosition()).toStdString().size();
  const size_t after = InsertDateTimeCode(format, at, codes[row].code);
  format_->setText(Q(format));
  format_->setCursorPosition(static_cast<int>(Q(format.substr(0, after)).size()));
}

void DataSourceDialog::EditDefinition(bool create) {
  std::string name = "Korvale";
  if (!create) {
    if (!sources_->currentItem()) return;
    name = sources_->currentItem()->text().toStdString();
  }
  DsnFormDialog form(name, ui_, this);
  if (form.exec() == QDialog::Accepted) FillList(form.name());
}

void DataSourceDialog::accept() {
  if (!sources_->currentItem()) {
    ui_.ShowMessage("Please select a datasource", kDatasourceErrorTitle, MessageIcon::kError);
    return;
  }
  DataSourceChoice chosen = choice_;
  chosen.dsn = sources_->currentItem()->text().toStdString();
  chosen.date_time_format = format_->text().toStdString();
  if (backup_log_) chosen.backup_log = backup_log_->isChecked();
  if (!AcceptDataSource(chosen.dsn, wow64_, definitions_, ui_, chosen.database_name, chosen.database_server))
    return;
  choice_ = chosen;
  QDialog::accept();
}

DsnFormDialog::DsnFormDialog(const std::string& name, ConfigUi& ui, QWidget* parent)
    : QDialog(parent), ui_(ui) {
  setWindowTitle("Datasource Definition");
  auto* form = new QFormLayout(this);
  name_ = new QLineEdit(Q(name), this);
  name_->setObjectName("dsnName");
  driver_ = new QComboBox(this);
  driver_->setObjectName("driver");
  for (const std::string& driver : odbcinst::ListDrivers()) driver_->addItem(Q(driver));
  const std::string driver = odbcinst::ReadDsnValue(name, "Driver");
  if (!driver.empty()) {
    if (driver_->findText(Q(driver)) < 0) driver_->addItem(Q(driver));
    driver_->setCurrentText(Q(driver));
  }
  database_ = new QLineEdit(Q(odbcinst::ReadDsnValue(name, "Database")), this);
  database_->setObjectName("database");
  server_ = new QLineEdit(Q(odbcinst::ReadDsnValue(name, "Server")), this);
  server_->setObjectName("server");
  form->addRow("Data source name:", name_);
  form->addRow("Driver:", driver_);
  form->addRow("Database:", database_);
  form->addRow("Server:", server_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setObjectName("ok");
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  form->addRow(buttons);
}

std::string DsnFormDialog::name() const { return name_->text().trimmed().toStdString(); }

void DsnFormDialog::accept() {
  std::string error;
  if (name().empty() || driver_->currentText().isEmpty()) {
    ui_.ShowMessage("Please enter a data source name and choose its driver", kDatasourceErrorTitle,
                    MessageIcon::kError);
    return;
  }
  if (!odbcinst::WriteDataSource(
          name(), driver_->currentText().toStdString(),
          {{"Database", database_->text().toStdString()}, {"Server", server_->text().toStdString()}},
          error)) {
    ui_.ShowMessage(error, kDatasourceErrorTitle, MessageIcon::kError);
    return;
  }
  QDialog::accept();
}

}  // namespace korvale::config
