// What the server setup shows and asks while it installs: message boxes,
// yes/no questions, the "Confirm File Replace" dialog of the cabinet
// extraction and the file copy progress. The installation steps live in a
// library without widgets; the wizard's implementation only shows and
// collects, the quiet installation's writes to standard error, tests script it.
#pragma once

#include <cstdint>
#include <string>

namespace korvale::setup {

enum class MessageIcon { kNone, kError, kWarning, kInformation, kQuestion };

// The four answers of "Confirm File Replace".
enum class ReplaceAnswer { kYes, kNo, kYesToAll, kNoToAll };

// One "Confirm File Replace" question: the texts are formatted already, the
// raw values are there for a window that lays them out itself.
struct FileReplaceQuestion {
  std::string folder;       // the folder the file lies in
  std::string file_name;    // its name within that folder
  std::string heading;      // "The folder '%s' already contains a file named '%s'"
  std::string existing;     // "%d Bytes, %s": size and date of the file on disk
  std::string replacement;  // the same for the cabinet's file
  std::uint64_t existing_size = 0;
  std::uint64_t replacement_size = 0;
};

// The dialog's fixed lines around the two file descriptions.
inline constexpr const char* kConfirmFileReplaceTitle = "Confirm File Replace";
inline constexpr const char* kReplaceExistingText = "Would you like to replace the existing file";
inline constexpr const char* kWithThisOneText = "with this one?";

// Titles of the setup's message boxes.
inline constexpr const char* kSetupTitle = "Korvale Server Setup";
inline constexpr const char* kSetupErrorTitle = "Korvale Server Setup Error";

class SetupUi {
 public:
  virtual ~SetupUi() = default;
  // A modal message box; returns when the user has closed it.
  virtual void ShowMessage(const std::string& text, const std::string& title, MessageIcon icon) = 0;
  // A modal yes/no question; true only for "yes".
  virtual bool AskYesNo(const std::string& text, const std::string& title, MessageIcon icon) = 0;
  // "Confirm File Replace" with "&Yes", "&No", "Yes to &All" and "No to A&ll".
  virtual ReplaceAnswer ConfirmFileReplace(const FileReplaceQuestion& question) = 0;
  // The file copy progress: `text` says what is being done (the file copied),
  // `done` of `total` steps. The first call shows the progress window.
  virtual void ShowProgress(const std::string& text, int done, int total) = 0;
  // Closes the progress window (nothing when none is shown).
  virtual void CloseProgress() = 0;
};

}  // namespace korvale::setup
