// The configuration program's user interface for tests: records every
// message, question and progress text in order, answers questions from a
// script, answers choosers and text questions from scripts, and checks that the wait cursor is always
// restored.
//
//   ScriptedConfigUi ui;
//   ui.answers = {true};          // "yes" to the first question
//   ... run the operation ...
//   EXPECT_EQ(ui.messages.at(0).title, "Configuration Error");
#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "config/config_ui.h"

namespace korvale::testing {

struct ShownMessage {
  std::string text;
  std::string title;
  config::MessageIcon icon;
};

class ScriptedConfigUi : public config::ConfigUi {
 public:
  void ShowMessage(const std::string& text, const std::string& title, config::MessageIcon icon) override {
    messages.push_back({text, title, icon});
    events.push_back("message: " + text);
  }
  bool AskYesNo(const std::string& text, const std::string& title, config::MessageIcon icon) override {
    questions.push_back({text, title, icon});
    events.push_back("question: " + text);
    if (answers.empty()) return false;
    bool answer = answers.front();
    answers.pop_front();
    return answer;
  }
  void ShowProgress(const std::string& text) override {
    progress_open = true;
    events.push_back("progress: " + text);
  }
  void CloseProgress() override {
    progress_open = false;
    events.push_back("progress closed");
  }
  void SetWaitCursor(bool on) override {
    wait_depth += on ? 1 : -1;
    events.push_back(on ? "wait cursor" : "normal cursor");
  }

  std::optional<std::size_t> ChooseFromList(const std::string& title, const std::string& caption,
                                            const std::vector<std::string>& items,
                                            std::size_t preselected) override {
    choosers.push_back({title, caption, items, preselected});
    events.push_back("chooser: " + caption);
    if (choices.empty()) return std::nullopt;
    std::optional<std::size_t> choice = choices.front();
    choices.pop_front();
    return choice;
  }
  std::optional<std::string> AskText(const std::string& title, const std::string& caption,
                                     const std::string& preset) override {
    text_questions.push_back({title, caption, preset});
    events.push_back("text question: " + caption);
    if (texts.empty()) return std::nullopt;
    std::optional<std::string> text = texts.front();
    texts.pop_front();
    return text;
  }

  struct ShownChooser {
    std::string title;
    std::string caption;
    std::vector<std::string> items;
    std::size_t preselected;
  };
  struct ShownTextQuestion {
    std::string title;
    std::string caption;
    std::string preset;
  };

  std::deque<bool> answers;  // answers to the questions, in order; "no" when none is left
  std::vector<ShownMessage> messages;
  std::vector<ShownMessage> questions;
  std::deque<std::optional<std::size_t>>
      choices;  // chooser answers in order; nothing = Cancel (also when none is left)
  std::deque<std::optional<std::string>> texts;  // text answers in order; nothing = Cancel
  std::vector<ShownChooser> choosers;
  std::vector<ShownTextQuestion> text_questions;
  std::vector<std::string> events;  // everything in order
  bool progress_open = false;
  int wait_depth = 0;
};

}  // namespace korvale::testing
