// Test only: a SetupUi that records every message and question and answers
// from a script (yes by default, the replace answers in order).
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "Setup/setup_ui.h"

namespace korvale::setup {

class RecordingUi : public SetupUi {
 public:
  struct Shown {
    std::string text;
    std::string title;
  };

  void ShowMessage(const std::string& text, const std::string& title, MessageIcon) override {
    messages.push_back({text, title});
  }
  bool AskYesNo(const std::string& text, const std::string& title, MessageIcon) override {
    questions.push_back({text, title});
    return answer_yes;
  }
  ReplaceAnswer ConfirmFileReplace(const FileReplaceQuestion& question) override {
    replace_questions.push_back(question);
    if (replace_answers.empty()) return ReplaceAnswer::kYes;
    const ReplaceAnswer answer = replace_answers.front();
    replace_answers.pop_front();
    return answer;
  }
  void ShowProgress(const std::string&, int, int) override {}
  void CloseProgress() override {}

  // True when some message's text contains `part`.
  bool Showed(const std::string& part) const {
    for (const auto& m : messages) {
      if (m.text.find(part) != std::string::npos) return true;
    }
    return false;
  }
  std::string AllMessages() const {
    std::string all;
    for (const auto& m : messages) all += "[" + m.title + "] " + m.text + "\n";
    return all;
  }

  bool answer_yes = true;
  std::deque<ReplaceAnswer> replace_answers;
  std::vector<Shown> messages;
  std::vector<Shown> questions;
  std::vector<FileReplaceQuestion> replace_questions;
};

}  // namespace korvale::setup
