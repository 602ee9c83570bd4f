#include "Setup/quiet_ui.h"

namespace korvale::setup {

namespace {

// Message texts may hold CR LF; a terminal and a log want LF only.
std::string ForTerminal(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c != '\r') out += c;
  }
  return out;
}

}  // namespace

void QuietUi::ShowMessage(const std::string& text, const std::string& title, MessageIcon) {
  ++messages_shown_;
  err_ << title << ": " << ForTerminal(text) << "\n";
}

bool QuietUi::AskYesNo(const std::string& text, const std::string& title, MessageIcon) {
  ++messages_shown_;
  err_ << title << ": " << ForTerminal(text) << " yes\n";
  return true;
}

ReplaceAnswer QuietUi::ConfirmFileReplace(const FileReplaceQuestion& question) {
  ++messages_shown_;
  err_ << kConfirmFileReplaceTitle << ": " << question.heading << "; " << kReplaceExistingText << " "
       << question.existing << " " << kWithThisOneText << " " << question.replacement << " Yes to All\n";
  return ReplaceAnswer::kYesToAll;
}

}  // namespace korvale::setup
