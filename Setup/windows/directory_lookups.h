// The wizard's "..." buttons of the Exchange server and the logon mailbox:
// the Exchange version, the organisation, group and server choosers over the
// discovery library, and the address book, shown with the configuration
// program's Qt choosers and address book dialog.
#pragma once

#include <QPointer>
#include <memory>
#include <string>

#include "Setup/wizard_ui.h"
#include "config/group_members.h"
#include "config/windows/qt_config_ui.h"

class QWidget;

namespace korvale::setup {

class DirectoryLookups : public WizardLookups {
 public:
  // `program_dir` holds the discovery libraries (the medium's folder).
  explicit DirectoryLookups(std::string program_dir) : program_dir_(std::move(program_dir)) {}
  // The window that owns the choosers and the address book.
  void set_parent(QWidget* parent);

  ServerChoice ChooseHomeServer() override;
  std::optional<MailboxChoice> ChooseMailbox(const std::string& server) override;

 private:
  std::string program_dir_;
  config::QtConfigUi ui_;
  config::AddressBookSession address_book_;
};

}  // namespace korvale::setup
