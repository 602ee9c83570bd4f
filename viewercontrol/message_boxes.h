// The control's message boxes: its only user interface. The control calls
// this small interface; a console implementation serves hosts without a
// display, a recording one the tests.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace korvale::vistrel {

enum class MessageIcon { kInformation, kError };

class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  // Shows `text` with the default caption and `icon`, and waits for OK.
  virtual void Show(const std::string& text, MessageIcon icon) = 0;
};

// Writes "<caption> (<icon>): <text>" to a stream.
class ConsoleMessageBoxes : public MessageBoxes {
 public:
  explicit ConsoleMessageBoxes(std::ostream& out) : out_(out) {}
  void Show(const std::string& text, MessageIcon icon) override;

 private:
  std::ostream& out_;
};

struct ShownMessage {
  std::string text;
  MessageIcon icon;
  friend bool operator==(const ShownMessage&, const ShownMessage&) = default;
};

class RecordingMessageBoxes : public MessageBoxes {
 public:
  void Show(const std::string& text, MessageIcon icon) override { shown.push_back({text, icon}); }
  std::vector<ShownMessage> shown;
};

}  // namespace korvale::vistrel
