// libVistrel.so: the in-process server's exports, a thin layer over the
// control's library.
#include <dlfcn.h>

#include <iostream>
#include <memory>

#include "platform/automation/automation.h"
#include "viewercontrol/identity.h"
#include "viewercontrol/registration.h"
#include "viewercontrol/vistrel_ctrl.h"
#ifdef KORVALE_WITH_WINDOWS
#include "platform/automation/mail_client.h"
#include "viewercontrol/windows/control_windows.h"
#endif

using namespace korvale::vistrel;
using korvale::automation::IClassFactory;

namespace {

std::string ModulePath() {
  Dl_info info{};
  if (::dladdr(reinterpret_cast<void*>(&ModulePath), &info) == 0 || !info.dli_fname) return "";
  return info.dli_fname;
}

// In a host with windows the control shows Qt message boxes and the mail
// client its calendar in a window; elsewhere messages go to standard error.
MessageBoxes& ModuleMessageBoxes() {
  static ConsoleMessageBoxes console(std::cerr);
#ifdef KORVALE_WITH_WINDOWS
  static QtMessageBoxes windows;
  if (HostHasWindows()) {
    korvale::automation::InstallCalendarPresenter(ShowCalendarWindow);
    return windows;
  }
  korvale::automation::InstallCalendarPresenter(nullptr);
#endif
  return console;
}

class ControlFactory : public IClassFactory {
 public:
  HRESULT CreateInstance(std::shared_ptr<IDispatch>* object) override {
    *object = std::make_shared<CVistrelCtrl>(ModuleMessageBoxes(),
                                             [] { return std::make_unique<PlatformMapiClient>(); });
    return korvale::mapi::S_OK;
  }
};

class PageFactory : public IClassFactory {
 public:
  HRESULT CreateInstance(std::shared_ptr<IDispatch>* object) override {
    *object = std::make_shared<CVistrelPropPage>();
    return korvale::mapi::S_OK;
  }
};

}  // namespace

extern "C" {

__attribute__((visibility("default"))) HRESULT DllRegisterServer() {
  return RegisterServer(korvale::automation::ClassRegistry::DefaultPath(), ModulePath());
}

__attribute__((visibility("default"))) HRESULT DllUnregisterServer() {
  return UnregisterServer(korvale::automation::ClassRegistry::DefaultPath());
}

__attribute__((visibility("default"))) HRESULT DllCanUnloadNow() {
  return CVistrelCtrl::LiveObjects() == 0 ? korvale::mapi::S_OK : korvale::mapi::S_FALSE;
}

__attribute__((visibility("default"))) HRESULT DllGetClassObject(const CLSID* clsid,
                                                                 std::shared_ptr<IClassFactory>* factory) {
  if (!clsid || !factory) return korvale::mapi::E_INVALIDARG;
  if (*clsid == CLSID_Vistrel)
    *factory = std::make_shared<ControlFactory>();
  else if (*clsid == CLSID_VistrelPropPage)
    *factory = std::make_shared<PageFactory>();
  else
    return korvale::automation::CLASS_E_CLASSNOTAVAILABLE;
  return korvale::mapi::S_OK;
}

}  // extern "C"
