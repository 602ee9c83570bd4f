#include "viewercontrol/message_boxes.h"

#include <ostream>

namespace korvale::vistrel {

void ConsoleMessageBoxes::Show(const std::string& text, MessageIcon icon) {
  out_ << "Vistrel (" << (icon == MessageIcon::kError ? "error" : "information") << "): " << text
       << std::endl;
}

}  // namespace korvale::vistrel
