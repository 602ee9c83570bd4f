// What the control shows when its host runs a Qt application (a display is
// present): its message boxes as Qt message boxes, and the mail client's
// opened calendar as a small window listing the appointments. The module
// uses them only when a QApplication exists in the host process.
#pragma once

#include "platform/automation/mail_client.h"
#include "viewercontrol/message_boxes.h"

namespace korvale::vistrel {

// Whether the host process runs a Qt application with widgets.
bool HostHasWindows();

// Modal Qt message boxes with the control's default caption "Vistrel".
class QtMessageBoxes : public MessageBoxes {
 public:
  void Show(const std::string& text, MessageIcon icon) override;
};

// Shows `calendar` in a window of its own (modeless, deleted when closed;
// object name "calendarWindow").
void ShowCalendarWindow(const automation::OpenedCalendar& calendar);

}  // namespace korvale::vistrel
