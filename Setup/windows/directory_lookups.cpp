#include "Setup/windows/directory_lookups.h"

namespace korvale::setup {

// Stand-in until the directory lookups are joined: behaves as a missing discovery library.
ServerChoice DirectoryLookups::ChooseHomeServer() {
  ServerChoice choice;
  choice.outcome = ServerChoice::Outcome::kLibraryMissing;
  choice.message = "An error occured while trying to load a DLL\n(KrvADS.dll).";
  return choice;
}

std::optional<MailboxChoice> DirectoryLookups::ChooseMailbox(const std::string&) { return std::nullopt; }

}  // namespace korvale::setup
