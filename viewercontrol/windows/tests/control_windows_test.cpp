// The control in a host that runs a Qt application, as a browser with a
// display does: libVistrel.so itself is registered and created through the
// class registry, and on the offscreen platform its messages are Qt message
// boxes and the mail client opens the calendar in a window of its own.
#include <dlfcn.h>

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include "platform/automation/com.h"
#include "platform/automation/test_organisation.h"
#include "tests/support/qt_modal.h"
#include "viewercontrol/identity.h"

namespace korvale::vistrel {

using automation::IDispatch;
using automation::Variant;

namespace {

QWidget* CalendarWindow() {
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (window->objectName() == "calendarWindow" && window->isVisible()) return window;
  }
  return nullptr;
}

// Registers the built module in the organisation's class registry through its own entry point.
bool RegisterModule() {
  void* module = ::dlopen(VISTREL_MODULE, RTLD_NOW | RTLD_LOCAL);
  if (!module) return false;
  auto entry = reinterpret_cast<automation::DllRegisterFunction>(::dlsym(module, "DllRegisterServer"));
  const bool registered = entry && mapi::SUCCEEDED(entry());
  ::dlclose(module);
  return registered;
}

// DispName and Show as a page calls them; the Show result, or -2 when the call failed.
int32_t ShowThroughTheModule(const std::string& name) {
  automation::CoInitialize();
  std::shared_ptr<IDispatch> control;
  int32_t shown = -2;
  if (mapi::SUCCEEDED(automation::CoCreateInstance(kControlProgId, &control)) &&
      mapi::SUCCEEDED(
          control->Invoke(DISPID_DispName, automation::DISPATCH_PROPERTYPUT, {name}, nullptr, nullptr))) {
    Variant result;
    if (mapi::SUCCEEDED(control->Invoke(DISPID_Show, automation::DISPATCH_METHOD, {}, &result, nullptr))) {
      if (const auto* value = std::get_if<int32_t>(&result)) shown = *value;
    }
  }
  // The window is the module's: it goes before the module may be unloaded.
  if (QWidget* window = CalendarWindow()) window->close();
  QApplication::processEvents();
  control.reset();
  automation::CoUninitialize();
  return shown;
}

}  // namespace

class ControlWindowsTest : public QObject {
  Q_OBJECT

 private slots:
  void theCalendarOpensInAWindow() {
    automation::testing::TestOrganisation org;
    org.UseRegistry(true);
    QVERIFY(RegisterModule());
    QStringList lines;
    QString title;
    // Show returns once the window is up; look at it before it is closed.
    automation::CoInitialize();
    std::shared_ptr<IDispatch> control;
    QVERIFY(mapi::SUCCEEDED(automation::CoCreateInstance(kControlProgId, &control)));
    QVERIFY(mapi::SUCCEEDED(control->Invoke(DISPID_DispName, automation::DISPATCH_PROPERTYPUT,
                                            {std::string("Anna Berg")}, nullptr, nullptr)));
    Variant result;
    QVERIFY(mapi::SUCCEEDED(control->Invoke(DISPID_Show, automation::DISPATCH_METHOD, {}, &result, nullptr)));
    QCOMPARE(std::get<int32_t>(result), 0);
    QWidget* window = CalendarWindow();
    QVERIFY2(window, "the calendar window is shown");
    title = window->windowTitle();
    auto* list = window->findChild<QListWidget*>("appointments");
    QVERIFY(list);
    for (int i = 0; i < list->count(); ++i) lines << list->item(i)->text();
    window->close();
    QApplication::processEvents();
    control.reset();
    automation::CoUninitialize();
    QCOMPARE(title, QString("Calendar - Anna Berg"));
    QCOMPARE(lines, (QStringList{"2026-03-02 12:00  Lunch", "2026-03-03 08:00  Private Appointment"}));
  }

  void theMessagesAreQtMessageBoxes() {
    automation::testing::TestOrganisation org;
    org.UseRegistry(false);  // no mail client on this machine
    QVERIFY(RegisterModule());
    QString shown;
    korvale::testing::OnModal<QMessageBox>([&shown](QMessageBox* box) {
      shown = box->windowTitle() + ": " + box->text();
      box->button(QMessageBox::Ok)->click();
    });
    QCOMPARE(ShowThroughTheModule("Anna Berg"), 0);
    QCOMPARE(shown, QString("Vistrel: Couldn't start Microsoft Outlook."));
    QVERIFY(!CalendarWindow());
  }
};

}  // namespace korvale::vistrel

QTEST_MAIN(korvale::vistrel::ControlWindowsTest)
#include "control_windows_test.moc"
