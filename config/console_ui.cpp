#include "config/console_ui.h"

#include "common/text.h"

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

std::optional<std::size_t> ConsoleUi::ChooseFromList(const std::string& title, const std::string& caption,
                                                     const std::vector<std::string>& items, std::size_t) {
  err_ << title << ": " << ForTerminal(caption) << "\n";
  for (const auto& item : items) err_ << "  " << item << "\n";
  if (answers_.empty()) return std::nullopt;
  std::string answer = answers_.front();
  answers_.pop_front();
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (EqualsNoCase(items[i], answer)) {
      err_ << "chosen: " << items[i] << "\n";
      return i;
    }
  }
  err_ << "\"" << answer << "\" is not one of them\n";
  return std::nullopt;
}

std::optional<std::string> ConsoleUi::AskText(const std::string& title, const std::string& caption,
                                              const std::string&) {
  err_ << title << ": " << ForTerminal(caption) << "\n";
  if (answers_.empty()) return std::nullopt;
  std::string answer = answers_.front();
  answers_.pop_front();
  return answer;
}

void ConsoleUi::ShowProgress(const std::string& text) { err_ << ForTerminal(text) << "\n"; }

}  // namespace korvale::config
