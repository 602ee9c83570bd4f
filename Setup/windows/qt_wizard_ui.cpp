#include "Setup/windows/qt_wizard_ui.h"

#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace korvale::setup {
namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

QMessageBox::Icon BoxIcon(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::kError: return QMessageBox::Critical;
    case MessageIcon::kWarning: return QMessageBox::Warning;
    case MessageIcon::kInformation: return QMessageBox::Information;
    case MessageIcon::kQuestion: return QMessageBox::Question;
    case MessageIcon::kNone: break;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

QtWizardUi::QtWizardUi(QWidget* parent) : parent_(parent) {}
QtWizardUi::~QtWizardUi() = default;

void QtWizardUi::ShowMessage(const std::string& text, const std::string& title, MessageIcon icon) {
  QMessageBox box(BoxIcon(icon), Q(title), Q(text), QMessageBox::Ok, parent_);
  box.exec();
}

bool QtWizardUi::AskYesNo(const std::string& text, const std::string& title, MessageIcon icon) {
  QMessageBox box(BoxIcon(icon), Q(title), Q(text), QMessageBox::Yes | QMessageBox::No, parent_);
  return box.exec() == QMessageBox::Yes;
}

std::unique_ptr<QDialog> MakeLicenceDialog(const std::string& text, QWidget* parent) {
  auto dialog = std::make_unique<QDialog>(parent);
  dialog->setObjectName("licence");
  dialog->setWindowTitle("Software Licence Agreement");
  auto* layout = new QVBoxLayout(dialog.get());
  auto* body = new QPlainTextEdit(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
  body->setReadOnly(true);
  layout->addWidget(body);
  layout->addWidget(new QLabel("Do you accept all the terms of the preceding License Agreement?"));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Yes | QDialogButtonBox::No);
  QObject::connect(buttons->button(QDialogButtonBox::Yes), &QPushButton::clicked, dialog.get(),
                   &QDialog::accept);
  QObject::connect(buttons->button(QDialogButtonBox::No), &QPushButton::clicked, dialog.get(),
                   &QDialog::reject);
  layout->addWidget(buttons);
  dialog->resize(560, 420);
  return dialog;
}

bool QtWizardUi::ShowLicence(const std::string& text) {
  return MakeLicenceDialog(text, parent_)->exec() == QDialog::Accepted;
}

std::string QtWizardUi::OpenDocument(const std::string& path) {
  if (QDesktopServices::openUrl(QUrl::fromLocalFile(Q(path)))) return "";
  return "The help topic " + path + " could not be opened with the desktop's browser.";
}

ReplaceAnswer QtWizardUi::ConfirmFileReplace(const FileReplaceQuestion& question) {
  QMessageBox box(QMessageBox::Question, kConfirmFileReplaceTitle,
                  Q(question.heading + "\n\n" + kReplaceExistingText + "\n" + question.existing + "\n\n" +
                    kWithThisOneText + "\n" + question.replacement),
                  QMessageBox::NoButton, parent_);
  QAbstractButton* yes = box.addButton("&Yes", QMessageBox::YesRole);
  QAbstractButton* no = box.addButton("&No", QMessageBox::NoRole);
  QAbstractButton* yes_all = box.addButton("Yes to &All", QMessageBox::YesRole);
  box.addButton("No to A&ll", QMessageBox::NoRole);
  box.setDefaultButton(static_cast<QPushButton*>(yes));
  box.exec();
  if (box.clickedButton() == yes) return ReplaceAnswer::kYes;
  if (box.clickedButton() == no) return ReplaceAnswer::kNo;
  if (box.clickedButton() == yes_all) return ReplaceAnswer::kYesToAll;
  return ReplaceAnswer::kNoToAll;
}

void QtWizardUi::ShowProgress(const std::string& text, int done, int total) {
  if (!progress_) {
    progress_ = std::make_unique<QProgressDialog>(parent_);
    progress_->setWindowTitle(kSetupTitle);
    progress_->setCancelButton(nullptr);
    progress_->setMinimumDuration(0);
  }
  progress_->setLabelText(Q(text));
  progress_->setMaximum(total > 0 ? total : 0);
  progress_->setValue(done);
}

void QtWizardUi::CloseProgress() { progress_.reset(); }

}  // namespace korvale::setup
