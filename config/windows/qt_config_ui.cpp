#include "config/windows/qt_config_ui.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QVBoxLayout>

#include "config/windows/chooser_dialogs.h"

namespace korvale::config {

namespace {

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

QtConfigUi::QtConfigUi() = default;
QtConfigUi::~QtConfigUi() {
  // A wait cursor left by a step that never ended must not outlive this interface.
  while (wait_depth_-- > 0) QGuiApplication::restoreOverrideCursor();
}

QWidget* QtConfigUi::Owner() const { return owner_ ? owner_.data() : QApplication::activeWindow(); }

void QtConfigUi::ShowMessage(const std::string& text, const std::string& title, MessageIcon icon) {
  QMessageBox box(BoxIcon(icon), QString::fromStdString(title), QString::fromStdString(text), QMessageBox::Ok,
                  Owner());
  box.setObjectName("messageBox");
  box.exec();
}

bool QtConfigUi::AskYesNo(const std::string& text, const std::string& title, MessageIcon icon) {
  QMessageBox box(BoxIcon(icon), QString::fromStdString(title), QString::fromStdString(text),
                  QMessageBox::Yes | QMessageBox::No, Owner());
  box.setObjectName("questionBox");
  return box.exec() == QMessageBox::Yes;
}

void QtConfigUi::ShowProgress(const std::string& text) {
  if (!progress_) {
    progress_ = std::make_unique<QWidget>(nullptr, Qt::Tool | Qt::FramelessWindowHint);
    progress_->setObjectName("progressWindow");
    auto* layout = new QVBoxLayout(progress_.get());
    progress_text_ = new QLabel(progress_.get());
    layout->addWidget(progress_text_);
  }
  progress_text_->setText(QString::fromStdString(text));
  progress_->adjustSize();
  progress_->show();
  QApplication::processEvents();
}

void QtConfigUi::CloseProgress() {
  progress_.reset();
  progress_text_ = nullptr;
}

void QtConfigUi::SetWaitCursor(bool on) {
  if (on) {
    ++wait_depth_;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  } else if (wait_depth_ > 0) {
    --wait_depth_;
    QGuiApplication::restoreOverrideCursor();
  }
}

std::optional<std::size_t> QtConfigUi::ChooseFromList(const std::string& title, const std::string& caption,
                                                      const std::vector<std::string>& items,
                                                      std::size_t preselected) {
  ListChooserDialog dialog(title, caption, items, preselected, Owner());
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.chosen();
}

std::optional<std::string> QtConfigUi::AskText(const std::string& title, const std::string& caption,
                                               const std::string& preset) {
  TextQuestionDialog dialog(title, caption, preset, Owner());
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.text();
}

}  // namespace korvale::config
