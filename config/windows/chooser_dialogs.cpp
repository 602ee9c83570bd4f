#include "config/windows/chooser_dialogs.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace korvale::config {

namespace {

QDialogButtonBox* OkCancel(QDialog* dialog) {
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
  buttons->button(QDialogButtonBox::Ok)->setObjectName("ok");
  buttons->button(QDialogButtonBox::Cancel)->setObjectName("cancel");
  QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  return buttons;
}

}  // namespace

ListChooserDialog::ListChooserDialog(const std::string& title, const std::string& caption,
                                     const std::vector<std::string>& items, std::size_t preselected,
                                     QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(QString::fromStdString(title));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(QString::fromStdString(caption), this));
  list_ = new QListWidget(this);
  list_->setObjectName("choices");
  for (const std::string& item : items) list_->addItem(QString::fromStdString(item));
  if (preselected < items.size()) list_->setCurrentRow(static_cast<int>(preselected));
  connect(list_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
  layout->addWidget(list_);
  layout->addWidget(OkCancel(this));
}

std::optional<std::size_t> ListChooserDialog::chosen() const {
  if (list_->currentRow() < 0) return std::nullopt;
  return static_cast<std::size_t>(list_->currentRow());
}

void ListChooserDialog::accept() {
  if (chosen()) QDialog::accept();  // OK needs a choice; Cancel is the way out without one
}

TextQuestionDialog::TextQuestionDialog(const std::string& title, const std::string& caption,
                                       const std::string& preset, QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(QString::fromStdString(title));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(QString::fromStdString(caption), this));
  text_ = new QLineEdit(QString::fromStdString(preset), this);
  text_->setObjectName("text");
  layout->addWidget(text_);
  layout->addWidget(OkCancel(this));
}

std::string TextQuestionDialog::text() const { return text_->text().toStdString(); }

}  // namespace korvale::config
