// vistrel-show: tries the calendar viewer control as a web page would use it.
//
//   vistrel-show NAME                      create the control, set DispName, call Show
//   vistrel-show --register LIBRARY        register a control module (its DllRegisterServer)
//   vistrel-show --unregister LIBRARY      unregister it (its DllUnregisterServer)
//   vistrel-show --mail-client STORE [MAILBOX]
//                                          register the mail client for an organisation store
//
// With a display the calendar opens in a window and messages are message
// boxes; without one both are printed.
// The class registry is $KORVALE_CLASS_REGISTRY, else class-registry.json
// beside this program. Exit codes: 0 done (Show returned 0), 1 Show returned
// -1, 2 the control or a registration failed, 64 usage.
#include <dlfcn.h>

#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#ifdef KORVALE_WITH_WINDOWS
#include <QApplication>
#include <QWidget>
#endif

#include "platform/automation/com.h"
#include "platform/automation/mail_client.h"
#include "viewercontrol/identity.h"

using namespace korvale::automation;

namespace {

int Usage() {
  std::cerr << "usage: vistrel-show NAME\n"
               "       vistrel-show --register LIBRARY | --unregister LIBRARY\n"
               "       vistrel-show --mail-client STORE [MAILBOX]\n";
  return 64;
}

int CallModule(const std::string& library, const char* entry) {
  void* module = ::dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!module) {
    std::cerr << "Cannot load " << library << ": " << ::dlerror() << "\n";
    return 2;
  }
  auto function = reinterpret_cast<DllRegisterFunction>(::dlsym(module, entry));
  HRESULT hr = function ? function() : CO_E_ERRORINDLL;
  ::dlclose(module);
  std::cout << entry << " of " << library << ": " << HResultText(hr) << "\n";
  return korvale::mapi::FAILED(hr) ? 2 : 0;
}

int RegisterMail(const std::string& store, const std::string& mailbox) {
  ClassRegistry registry(ClassRegistry::DefaultPath());
  korvale::Status s = registry.Load();
  if (s.ok()) {
    RegisterMailClient(registry, store, mailbox);
    s = registry.Save();
  }
  if (!s.ok()) {
    std::cerr << s.message() << "\n";
    return 2;
  }
  std::cout << "Registered " << kMailClientProgId << " for " << store << " in " << registry.Path() << "\n";
  return 0;
}

#ifdef KORVALE_WITH_WINDOWS
bool DisplayAvailable() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    const char* value = std::getenv(name);
    if (value && *value) return true;
  }
  return false;
}

void WaitForWindows() {
  if (!QApplication::instance()) return;
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (window->isVisible()) {
      QApplication::exec();
      return;
    }
  }
}
#else
void WaitForWindows() {}
#endif

int ShowCalendar(const std::string& name) {
  CoInitialize();
  int code = 2;
  std::shared_ptr<IDispatch> control;
  HRESULT hr = CoCreateInstance(korvale::vistrel::kControlProgId, &control);
  if (korvale::mapi::FAILED(hr)) {
    std::cerr << "The control " << korvale::vistrel::kControlProgId << " cannot be created ("
              << HResultText(hr) << "); register it with --register.\n";
  } else {
    Variant result;
    hr = control->Invoke(korvale::vistrel::DISPID_DispName, DISPATCH_PROPERTYPUT, {name}, nullptr, nullptr);
    if (korvale::mapi::SUCCEEDED(hr))
      hr = control->Invoke(korvale::vistrel::DISPID_Show, DISPATCH_METHOD, {}, &result, nullptr);
    if (korvale::mapi::FAILED(hr)) {
      std::cerr << "The control refused the call (" << HResultText(hr) << ").\n";
    } else {
      const auto* shown = std::get_if<int32_t>(&result);
      code = shown && *shown == 0 ? 0 : 1;
    }
  }
  // The calendar window belongs to the control's module: it is shown until
  // closed while the module is still loaded.
  WaitForWindows();
  control.reset();
  CoUninitialize();
  return code;
}

}  // namespace

int main(int argc, char** argv) {
  std::string first = argc > 1 ? argv[1] : "";
  if (argc == 3 && first == "--register") return CallModule(argv[2], "DllRegisterServer");
  if (argc == 3 && first == "--unregister") return CallModule(argv[2], "DllUnregisterServer");
  if ((argc == 3 || argc == 4) && first == "--mail-client")
    return RegisterMail(argv[2], argc == 4 ? argv[3] : "");
  if (argc != 2 || first.rfind("--", 0) == 0) return Usage();
#ifdef KORVALE_WITH_WINDOWS
  // With a display the host is a windowed program, as a browser is: the
  // control shows its messages and the calendar in windows.
  std::unique_ptr<QApplication> app;
  if (DisplayAvailable()) app = std::make_unique<QApplication>(argc, argv);
#endif
  return ShowCalendar(first);
}
