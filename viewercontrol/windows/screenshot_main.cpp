// Takes a picture of the calendar window the control opens in a windowed
// host, for the README: vistrel-screenshot NAME OUT.png, run in an
// installation folder whose class registry holds the control and the mail
// client (scripts/screenshots-viewer runs it under Xvfb in the demo's).
#include <QApplication>
#include <QWidget>
#include <cstdio>

#include "platform/automation/com.h"
#include "viewercontrol/identity.h"

using namespace korvale;

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: vistrel-screenshot NAME OUT.png\n");
    return 2;
  }
  automation::CoInitialize();
  std::shared_ptr<automation::IDispatch> control;
  bool saved = false;
  if (mapi::SUCCEEDED(automation::CoCreateInstance(vistrel::kControlProgId, &control)) &&
      mapi::SUCCEEDED(control->Invoke(vistrel::DISPID_DispName, automation::DISPATCH_PROPERTYPUT,
                                      {std::string(argv[1])}, nullptr, nullptr))) {
    automation::Variant result;
    control->Invoke(vistrel::DISPID_Show, automation::DISPATCH_METHOD, {}, &result, nullptr);
    for (QWidget* window : QApplication::topLevelWidgets()) {
      if (window->objectName() != "calendarWindow" || !window->isVisible()) continue;
      for (int i = 0; i < 5; ++i) QApplication::processEvents();
      saved = window->grab().save(argv[2]);
      window->close();
    }
  }
  QApplication::processEvents();
  std::printf("%s %s\n", saved ? "wrote" : "FAILED", argv[2]);
  control.reset();
  automation::CoUninitialize();
  return saved ? 0 : 1;
}
