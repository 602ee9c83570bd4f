// What the configuration program shows and asks while it loads, saves and
// restarts: message boxes, yes/no questions, the small progress window and the
// wait cursor. The rules live in this library; a window implementation only
// shows and collects, a console implementation prints, and tests script it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace korvale::config {

enum class MessageIcon { kNone, kError, kWarning, kInformation, kQuestion };

class ConfigUi {
 public:
  virtual ~ConfigUi() = default;
  // A modal message box; returns when the user has closed it.
  virtual void ShowMessage(const std::string& text, const std::string& title, MessageIcon icon) = 0;
  // A modal yes/no question; true only for "yes".
  virtual bool AskYesNo(const std::string& text, const std::string& title, MessageIcon icon) = 0;
  // Shows the modeless progress window without caption, or changes its one line.
  virtual void ShowProgress(const std::string& text) = 0;
  // Closes the progress window (nothing when none is shown).
  virtual void CloseProgress() = 0;
  virtual void SetWaitCursor(bool on) = 0;
  // A modal chooser: `caption` above a list of `items`, `preselected` marked
  // when it is a valid position. The position of the chosen item on OK,
  // nothing on Cancel. Serves the Exchange version screen and the
  // organisation, administrative group, site and server choosers.
  virtual std::optional<std::size_t> ChooseFromList(const std::string& title, const std::string& caption,
                                                    const std::vector<std::string>& items,
                                                    std::size_t preselected) = 0;
  // A modal one-line text question preset with `preset`; the text on OK,
  // nothing on Cancel.
  virtual std::optional<std::string> AskText(const std::string& title, const std::string& caption,
                                             const std::string& preset) = 0;
};

// Shows the wait cursor for its lifetime, so every way out of a step restores it.
class WaitCursor {
 public:
  explicit WaitCursor(ConfigUi& ui) : ui_(ui) { ui_.SetWaitCursor(true); }
  ~WaitCursor() { ui_.SetWaitCursor(false); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

 private:
  ConfigUi& ui_;
};

}  // namespace korvale::config
