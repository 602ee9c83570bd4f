#include "config/console_ui.h"

namespace korvale::config {

namespace {

// Message texts use CR LF and LF for their own line breaks; a terminal wants LF.
std::string ForTerminal(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c != '\r') out += c;
  }
  return out;
}

}  // namespace

void ConsoleUi::ShowMessage(const std::string& text, const std::string& title, MessageIcon) {
  ++messages_shown_;
  err_ << title << ": " << ForTerminal(text) << "\n";
}

bool ConsoleUi::AskYesNo(const std::string& text, const std::string& title, MessageIcon) {
  err_ << title << ": " << ForTerminal(text) << " " << (answer_yes_ ? "yes" : "no") << "\n";
  return answer_yes_;
}

void ConsoleUi::ShowProgress(const std::string& text) { err_ << ForTerminal(text) << "\n"; }

}  // namespace korvale::config
