#include "config/windows/address_book_dialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace korvale::config {

namespace {

QString Shown(const mapi::AddressEntry& entry) {
  QString text = QString::fromStdString(entry.display_name);
  if (entry.object_type == mapi::MAPI_DISTLIST) text += "  (distribution list)";
  return text;
}

bool SameEntry(const mapi::AddressEntry& a, const mapi::AddressEntry& b) {
  if (!a.email_address.empty() || !b.email_address.empty()) return a.email_address == b.email_address;
  return a.display_name == b.display_name;
}

}  // namespace

AddressBookDialog::AddressBookDialog(const mapi::AddressDialogRequest& request, QWidget* parent)
    : QDialog(parent), directory_(request.directory), selected_(request.selected) {
  setWindowTitle(QString::fromStdString(request.caption));
  auto* grid = new QGridLayout(this);
  grid->addWidget(new QLabel("Type name or select from list:", this), 0, 0);
  search_ = new QLineEdit(this);
  search_->setObjectName("search");
  grid->addWidget(search_, 1, 0);
  directory_list_ = new QListWidget(this);
  directory_list_->setObjectName("directory");
  directory_list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  grid->addWidget(directory_list_, 2, 0, 3, 1);
  auto* add = new QPushButton("->", this);
  add->setObjectName("addEntries");
  auto* remove = new QPushButton("<-", this);
  remove->setObjectName("removeEntries");
  grid->addWidget(add, 2, 1);
  grid->addWidget(remove, 3, 1);
  grid->addWidget(new QLabel(QString::fromStdString(request.well_label), this), 0, 2, 2, 1);
  well_ = new QListWidget(this);
  well_->setObjectName("well");
  well_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  grid->addWidget(well_, 2, 2, 3, 1);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setObjectName("ok");
  buttons->button(QDialogButtonBox::Cancel)->setObjectName("cancel");
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  grid->addWidget(buttons, 5, 0, 1, 3);
  connect(search_, &QLineEdit::textChanged, this, [this](const QString& text) { Filter(text); });
  connect(add, &QPushButton::clicked, this, [this] { AddChosen(); });
  connect(directory_list_, &QListWidget::itemDoubleClicked, this, [this] { AddChosen(); });
  connect(remove, &QPushButton::clicked, this, [this] { RemoveChosen(); });
  Filter("");
  FillWell();
}

void AddressBookDialog::Filter(const QString& text) {
  directory_list_->clear();
  for (size_t i = 0; i < directory_.size(); ++i) {
    if (!QString::fromStdString(directory_[i].display_name).startsWith(text, Qt::CaseInsensitive)) continue;
    auto* item = new QListWidgetItem(Shown(directory_[i]), directory_list_);
    item->setData(Qt::UserRole, static_cast<int>(i));
  }
  if (directory_list_->count() > 0) directory_list_->setCurrentRow(0);
}

void AddressBookDialog::AddChosen() {
  for (QListWidgetItem* item : directory_list_->selectedItems()) {
    const mapi::AddressEntry& entry = directory_[item->data(Qt::UserRole).toInt()];
    bool listed = false;
    for (const mapi::AddressEntry& chosen : selected_) listed = listed || SameEntry(chosen, entry);
    if (!listed) selected_.push_back(entry);
  }
  FillWell();
}

void AddressBookDialog::RemoveChosen() {
  std::vector<mapi::AddressEntry> kept;
  for (int row = 0; row < well_->count(); ++row) {
    if (!well_->item(row)->isSelected()) kept.push_back(selected_[static_cast<size_t>(row)]);
  }
  selected_ = kept;
  FillWell();
}

void AddressBookDialog::FillWell() {
  well_->clear();
  for (const mapi::AddressEntry& entry : selected_) well_->addItem(Shown(entry));
}

void InstallQtAddressDialog(QWidget* owner) {
  QPointer<QWidget> guarded(owner);
  mapi::InstallAddressDialog(
      [guarded](const mapi::AddressDialogRequest& request) -> std::optional<std::vector<mapi::AddressEntry>> {
        AddressBookDialog dialog(request, guarded.data());
        if (dialog.exec() != QDialog::Accepted) return std::nullopt;
        return dialog.selected();
      });
}

}  // namespace korvale::config
