#include "Setup/windows/directory_lookups.h"

#include <QSysInfo>

#include "Setup/wizard_mailbox.h"
#include "config/home_server.h"
#include "config/windows/address_book_dialog.h"

namespace korvale::setup {
namespace {

constexpr std::string_view kLoadFailure = "An error occured while trying to load a DLL";

// The lookups' own interface, with one difference for the setup: the text of
// a directory library that cannot be loaded is kept, not shown, because the
// wizard shows it together with its question whether to skip detection.
class SetupLookupUi : public config::ConfigUi {
 public:
  explicit SetupLookupUi(config::ConfigUi& shown) : shown_(shown) {}
  void ShowMessage(const std::string& text, const std::string& title, config::MessageIcon icon) override {
    if (text.rfind(kLoadFailure, 0) == 0) {
      load_failure = text;
      return;
    }
    shown_.ShowMessage(text, title, icon);
  }
  bool AskYesNo(const std::string& text, const std::string& title, config::MessageIcon icon) override {
    return shown_.AskYesNo(text, title, icon);
  }
  void ShowProgress(const std::string& text) override { shown_.ShowProgress(text); }
  void CloseProgress() override { shown_.CloseProgress(); }
  void SetWaitCursor(bool on) override { shown_.SetWaitCursor(on); }
  std::optional<std::size_t> ChooseFromList(const std::string& title, const std::string& caption,
                                            const std::vector<std::string>& items,
                                            std::size_t preselected) override {
    return shown_.ChooseFromList(title, caption, items, preselected);
  }
  std::optional<std::string> AskText(const std::string& title, const std::string& caption,
                                     const std::string& preset) override {
    return shown_.AskText(title, caption, preset);
  }

  std::string load_failure;

 private:
  config::ConfigUi& shown_;
};

}  // namespace

void DirectoryLookups::set_parent(QWidget* parent) {
  ui_.SetOwner(parent);
  config::InstallQtAddressDialog(parent);
}

ServerChoice DirectoryLookups::ChooseHomeServer() {
  SetupLookupUi ui(ui_);
  config::HomeServerLookup lookup{program_dir_, "Setup.exe", QSysInfo::machineHostName().toStdString()};
  ServerChoice choice;
  if (std::optional<config::HomeServerChoice> chosen = config::ChooseHomeServer(lookup, 1, ui)) {
    choice.outcome = ServerChoice::Outcome::kChosen;
    choice.home_server = chosen->home_server;
    choice.exchange_version = chosen->msx2k;
  } else if (!ui.load_failure.empty()) {
    choice.outcome = ServerChoice::Outcome::kLibraryMissing;
    choice.message = ui.load_failure;
  }
  return choice;
}

std::optional<MailboxChoice> DirectoryLookups::ChooseMailbox(const std::string&) {
  return ChooseLogonMailbox(address_book_, "");
}

}  // namespace korvale::setup
