// The user interface of KorvaleCfg's command-line front: messages go to
// standard error with their titles, questions are answered from a fixed
// choice (the options themselves are the administrator's answer), progress
// texts are printed as they change.
#pragma once

#include <ostream>

#include "config/config_ui.h"

namespace korvale::config {

class ConsoleUi : public ConfigUi {
 public:
  ConsoleUi(std::ostream& err, bool answer_yes) : err_(err), answer_yes_(answer_yes) {}

  void ShowMessage(const std::string& text, const std::string& title, MessageIcon icon) override;
  bool AskYesNo(const std::string& text, const std::string& title, MessageIcon icon) override;
  void ShowProgress(const std::string& text) override;
  void CloseProgress() override {}
  void SetWaitCursor(bool) override {}

  int messages_shown() const { return messages_shown_; }

 private:
  std::ostream& err_;
  bool answer_yes_;
  int messages_shown_ = 0;
};

}  // namespace korvale::config
