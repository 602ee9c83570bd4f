// The wizard's "..." buttons of the Exchange server and the logon mailbox:
// the Exchange version, the organisation, group and server choosers over the
// discovery library, and the address book, as windows.
#pragma once

#include <string>

#include "Setup/wizard_ui.h"

class QWidget;

namespace korvale::setup {

class DirectoryLookups : public WizardLookups {
 public:
  DirectoryLookups(WizardUi& ui, std::string program_dir) : ui_(ui), program_dir_(std::move(program_dir)) {}
  void set_parent(QWidget* parent) { parent_ = parent; }

  ServerChoice ChooseHomeServer() override;
  std::optional<MailboxChoice> ChooseMailbox(const std::string& server) override;

 private:
  WizardUi& ui_;
  std::string program_dir_;
  QWidget* parent_ = nullptr;
};

}  // namespace korvale::setup
