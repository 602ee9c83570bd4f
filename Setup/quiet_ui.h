// The user interface of the quiet installation ("Ravlin /Q"): it runs on
// servers without a display, so nothing waits for an answer. Each message is
// written to standard error with its title; a question takes the answer that
// lets the installation go on ("yes", and "Yes to &All" when a file would be
// replaced), and says so.
#pragma once

#include <ostream>

#include "Setup/setup_ui.h"

namespace korvale::setup {

class QuietUi : public SetupUi {
 public:
  explicit QuietUi(std::ostream& err) : err_(err) {}

  void ShowMessage(const std::string& text, const std::string& title, MessageIcon icon) override;
  bool AskYesNo(const std::string& text, const std::string& title, MessageIcon icon) override;
  ReplaceAnswer ConfirmFileReplace(const FileReplaceQuestion& question) override;
  void ShowProgress(const std::string&, int, int) override {}
  void CloseProgress() override {}

  int messages_shown() const { return messages_shown_; }

 private:
  std::ostream& err_;
  int messages_shown_ = 0;
};

}  // namespace korvale::setup
