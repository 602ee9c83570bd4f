// The setup wizard's user interface, lookups and program runner for tests:
// every message, question, licence and opened document recorded in order,
// questions answered from a script, choosers answered from queues.
//
//   ScriptedWizardUi ui;
//   ui.answers = {true};  // "yes" to the first question
//   ... press Next ...
//   EXPECT_EQ(ui.messages.back().text, "Please enter or select a valid folder");
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "Setup/wizard_ui.h"

namespace korvale::testing {

struct WizardShown {
  std::string text;
  std::string title;
};

class ScriptedWizardUi : public setup::WizardUi {
 public:
  void ShowMessage(const std::string& text, const std::string& title, setup::MessageIcon) override {
    messages.push_back({text, title});
  }
  bool AskYesNo(const std::string& text, const std::string& title, setup::MessageIcon) override {
    questions.push_back({text, title});
    if (answers.empty()) return default_answer;
    bool answer = answers.front();
    answers.pop_front();
    return answer;
  }
  bool ShowLicence(const std::string& text) override {
    licences.push_back(text);
    return accept_licence;
  }
  std::string OpenDocument(const std::string& path) override {
    opened.push_back(path);
    return open_error;
  }
  setup::ReplaceAnswer ConfirmFileReplace(const setup::FileReplaceQuestion& question) override {
    replace_questions.push_back(question.heading);
    return setup::ReplaceAnswer::kYes;
  }
  void ShowProgress(const std::string&, int, int) override {}
  void CloseProgress() override {}

  std::string LastMessage() const { return messages.empty() ? "" : messages.back().text; }

  std::deque<bool> answers;     // answers to the questions, in order
  bool default_answer = false;  // when the script is used up
  bool accept_licence = true;
  std::string open_error;
  std::vector<WizardShown> messages;
  std::vector<WizardShown> questions;
  std::vector<std::string> licences;
  std::vector<std::string> opened;
  std::vector<std::string> replace_questions;
};

class ScriptedLookups : public setup::WizardLookups {
 public:
  setup::ServerChoice ChooseHomeServer() override {
    setup::ServerChoice c;
    if (!servers.empty()) {
      c = servers.front();
      servers.pop_front();
    }
    return c;
  }
  std::optional<setup::MailboxChoice> ChooseMailbox(const std::string& server) override {
    mailbox_servers.push_back(server);
    return mailbox;
  }
  std::deque<setup::ServerChoice> servers;  // one per "...", cancelled when used up
  std::optional<setup::MailboxChoice> mailbox;
  std::vector<std::string> mailbox_servers;
};

class FakeRunner : public setup::ProgramRunner {
 public:
  std::optional<int> Run(const std::string& program, const std::vector<std::string>& args) override {
    calls.push_back({program, args});
    return status;
  }
  std::optional<int> status = 0;
  std::vector<std::pair<std::string, std::vector<std::string>>> calls;
};

inline setup::ServerChoice ChosenServer(const std::string& home_server, int version) {
  setup::ServerChoice c;
  c.outcome = setup::ServerChoice::Outcome::kChosen;
  c.home_server = home_server;
  c.exchange_version = version;
  return c;
}

}  // namespace korvale::testing
