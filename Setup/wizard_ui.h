// What the setup wizard's rules need from the windows beyond what the
// installation steps show (setup_ui.h): the licence agreement, the desktop's browser for help topics,
// and the choosers of the Exchange server and the logon mailbox. The rules
// live in this library; the windows only show and collect, and tests script
// this interface.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "Setup/setup_ui.h"

namespace korvale::setup {

class WizardUi : public SetupUi {
 public:
  // The licence agreement with Yes/No; true when the user accepts it.
  virtual bool ShowLicence(const std::string& text) = 0;
  // Opens `path` with the desktop's browser; the error text, or empty on success.
  virtual std::string OpenDocument(const std::string& path) = 0;
};

// A home server chosen in the directory, or why none was.
struct ServerChoice {
  enum class Outcome { kChosen, kCancelled, kLibraryMissing, kFailed };
  Outcome outcome = Outcome::kCancelled;
  std::string home_server;   // the distinguished name, when chosen
  int exchange_version = 0;  // MSX2k, when chosen
  std::string message;       // kLibraryMissing: the load message, shown before the skip question
};

// A mailbox chosen in the address book.
struct MailboxChoice {
  std::string display_name;
  std::string address;  // its directory name (PR_EMAIL_ADDRESS)
};

// The directory lookups the wizard's "..." buttons run: the Exchange version,
// the organisation, group and server choosers, and the address book.
class WizardLookups {
 public:
  virtual ~WizardLookups() = default;
  // Asks the Exchange version and runs the server choosers; shows its own
  // failure messages except a missing directory library, which it returns.
  virtual ServerChoice ChooseHomeServer() = 0;
  // The address book titled "Address Book" with the one well "Select a
  // mailbox:"; nothing when cancelled or nothing was chosen.
  virtual std::optional<MailboxChoice> ChooseMailbox(const std::string& server) = 0;
};

// Starts a program and waits for it: its exit status, or nothing when it
// could not be started.
class ProgramRunner {
 public:
  virtual ~ProgramRunner() = default;
  virtual std::optional<int> Run(const std::string& program, const std::vector<std::string>& args) = 0;
};

}  // namespace korvale::setup
