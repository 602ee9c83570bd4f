// The setup's message boxes, questions, licence agreement, "Confirm File
// Replace" dialog and copy progress as Qt windows: they only show and
// collect, the rules that decide what to show live in the Setup library.
#pragma once

#include <memory>
#include <string>

#include "Setup/wizard_ui.h"

class QDialog;
class QProgressDialog;
class QWidget;

namespace korvale::setup {

// "Software Licence Agreement": the text, read-only, with Yes (accept) and No.
std::unique_ptr<QDialog> MakeLicenceDialog(const std::string& text, QWidget* parent = nullptr);

class QtWizardUi : public WizardUi {
 public:
  // `parent` owns the modal windows' position; it may be null.
  explicit QtWizardUi(QWidget* parent = nullptr);
  ~QtWizardUi() override;

  void set_parent(QWidget* parent) { parent_ = parent; }

  void ShowMessage(const std::string& text, const std::string& title, MessageIcon icon) override;
  bool AskYesNo(const std::string& text, const std::string& title, MessageIcon icon) override;
  bool ShowLicence(const std::string& text) override;
  std::string OpenDocument(const std::string& path) override;
  ReplaceAnswer ConfirmFileReplace(const FileReplaceQuestion& question) override;
  void ShowProgress(const std::string& text, int done, int total) override;
  void CloseProgress() override;

 private:
  QWidget* parent_;
  std::unique_ptr<QProgressDialog> progress_;
};

}  // namespace korvale::setup
