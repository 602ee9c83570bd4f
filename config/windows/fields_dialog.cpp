#include "config/windows/fields_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "config/windows/widget_helpers.h"

namespace korvale::config {

namespace {

QListWidget* List(QWidget* parent, const char* name) {
  auto* list = new QListWidget(parent);
  list->setObjectName(name);
  return list;
}

}  // namespace

FieldsDialog::FieldsDialog(const ConfigSettings& settings, ConfigUi& ui, QWidget* parent)
    : QDialog(parent), settings_(settings), ui_(ui), screen_(settings) {
  setWindowTitle("Korvale Additional Fields to Scan");
  auto* grid = new QGridLayout(this);
  grid->addWidget(new QLabel("Available fields:", this), 0, 0);
  grid->addWidget(new QLabel("Fields to scan:", this), 0, 2);
  grid->addWidget(new QLabel("Custom filters:", this), 0, 4);
  available_ = List(this, "availableFields");
  selected_ = List(this, "fieldsToScan");
  filters_ = List(this, "customFilters");
  grid->addWidget(available_, 1, 0, 4, 1);
  grid->addWidget(selected_, 1, 2, 4, 1);
  grid->addWidget(filters_, 1, 4, 2, 1);
  auto* move_field = Button(this, "moveField", "<>");
  auto* move_filter = Button(this, "moveFilter", "<>");
  grid->addWidget(move_field, 2, 1);
  grid->addWidget(move_filter, 2, 3);
  description_ = new QLabel(this);
  description_->setObjectName("description");
  description_->setWordWrap(true);
  grid->addWidget(description_, 5, 0, 1, 5);

  grid->addWidget(new QLabel("Custom Field:  (fields used by customized Outlook forms)", this), 6, 0, 1, 3);
  custom_name_ = new QLineEdit(this);
  custom_name_->setObjectName("customName");
  custom_type_ = new QComboBox(this);
  custom_type_->setObjectName("customType");
  for (const std::string& type : CustomFieldTypes()) custom_type_->addItem(Q(type));
  auto* add = Button(this, "addCustom", "&Add");
  grid->addWidget(custom_name_, 7, 0);
  grid->addWidget(custom_type_, 7, 2);
  grid->addWidget(add, 7, 3);

  auto* filter_box = new QGridLayout;
  display_ = new QLineEdit(this);
  display_->setObjectName("filterDisplay");
  logic_ = new QComboBox(this);
  logic_->setObjectName("filterLogic");
  logic_->addItems({"AND", "OR"});
  select_ = new QLineEdit(this);
  select_->setObjectName("filterSelect");
  auto* modify = Button(this, "modifyFilter", "Modify");
  filter_box->addWidget(new QLabel("Display name:", this), 0, 0);
  filter_box->addWidget(display_, 0, 1);
  filter_box->addWidget(new QLabel("Relation between selected elements:", this), 1, 0);
  filter_box->addWidget(logic_, 1, 1);
  filter_box->addWidget(new QLabel("SELECT statement:", this), 2, 0);
  filter_box->addWidget(select_, 2, 1);
  filter_box->addWidget(modify, 3, 1);
  filter_box->setColumnStretch(1, 1);
  grid->addLayout(filter_box, 3, 4, 2, 1);
  for (QListWidget* list : {available_, selected_, filters_}) list->setMinimumWidth(220);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setObjectName("ok");
  buttons->button(QDialogButtonBox::Cancel)->setObjectName("cancel");
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  grid->addWidget(buttons, 8, 0, 1, 5);

  connect(available_, &QListWidget::currentRowChanged, this,
          [this] { ShowDescription(available_, screen_.available()); });
  connect(selected_, &QListWidget::currentRowChanged, this,
          [this] { ShowDescription(selected_, screen_.selected()); });
  connect(filters_, &QListWidget::currentRowChanged, this, [this] { FilterSelected(); });
  connect(move_field, &QPushButton::clicked, this, [this] { MoveField(); });
  connect(move_filter, &QPushButton::clicked, this, [this] { MoveFilter(); });
  connect(add, &QPushButton::clicked, this, [this] {
    if (screen_.AddCustomField(custom_name_->text().toStdString(),
                               custom_type_->currentText().toStdString())) {
      custom_name_->clear();
      Refill();
    }
  });
  connect(modify, &QPushButton::clicked, this, [this] {
    screen_.ModifyFilter(static_cast<size_t>(filters_->currentRow()), display_->text().toStdString(),
                         logic_->currentText().toStdString(), select_->text().toStdString());
  });
  Refill();
}

void FieldsDialog::Refill() {
  auto fill = [](QListWidget* list, const std::vector<FieldItem>& items) {
    list->clear();
    for (const FieldItem& item : items) list->addItem(Q(item.name));
  };
  fill(available_, screen_.available());
  fill(selected_, screen_.selected());
  filters_->clear();
  for (const CustomFilter& filter : screen_.filters()) filters_->addItem(Q(filter.field));
}

void FieldsDialog::ShowDescription(QListWidget* list, const std::vector<FieldItem>& items) {
  last_field_list_ = list;
  const int row = list->currentRow();
  description_->setText(row >= 0 && row < static_cast<int>(items.size()) ? Q(items[row].description) : "");
}

void FieldsDialog::MoveField() {
  if (last_field_list_ == available_ && available_->currentRow() >= 0) {
    screen_.Select(static_cast<size_t>(available_->currentRow()));
  } else if (last_field_list_ == selected_ && selected_->currentRow() >= 0) {
    screen_.Deselect(static_cast<size_t>(selected_->currentRow()));
  } else {
    return;
  }
  last_field_list_ = nullptr;
  Refill();
}

void FieldsDialog::MoveFilter() {
  // The list touched last says the direction: a scanned field becomes a filter, a filter goes.
  if (last_field_list_ == selected_ && selected_->currentRow() >= 0) {
    screen_.AddFilter(static_cast<size_t>(selected_->currentRow()));
  } else if (last_field_list_ == filters_ && filters_->currentRow() >= 0) {
    screen_.RemoveFilter(static_cast<size_t>(filters_->currentRow()));
  } else {
    return;
  }
  last_field_list_ = nullptr;
  Refill();
}

void FieldsDialog::FilterSelected() {
  last_field_list_ = filters_;
  const int row = filters_->currentRow();
  if (row < 0 || row >= static_cast<int>(screen_.filters().size())) return;
  const CustomFilter& filter = screen_.filters()[row];
  display_->setText(Q(filter.display));
  logic_->setCurrentText(Q(filter.logic));
  select_->setText(Q(filter.select));
}

void FieldsDialog::accept() {
  screen_.Apply(settings_, ui_);
  QDialog::accept();
}

}  // namespace korvale::config
