// The user interface of KorvaleCfg's command-line front: messages go to
// standard error with their titles, questions are answered from a fixed
// choice (the options themselves are the administrator's answer), progress
// texts are printed as they change. Choosers and text questions take their
// answers, in order, from the texts given to SetAnswers: a chooser picks the
// item equal to its answer (ignoring case); with no answer left, or none that
// fits, it counts as Cancel.
#pragma once

#include <deque>
#include <ostream>
#include <string>
#include <vector>

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
  std::optional<std::size_t> ChooseFromList(const std::string& title, const std::string& caption,
                                            const std::vector<std::string>& items,
                                            std::size_t preselected) override;
  std::optional<std::string> AskText(const std::string& title, const std::string& caption,
                                     const std::string& preset) override;

  void SetAnswers(std::vector<std::string> answers) { answers_.assign(answers.begin(), answers.end()); }

  int messages_shown() const { return messages_shown_; }

 private:
  std::ostream& err_;
  bool answer_yes_;
  int messages_shown_ = 0;
  std::deque<std::string> answers_;
};

}  // namespace korvale::config
