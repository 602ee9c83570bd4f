#include "viewercontrol/registration.h"

#include <filesystem>

#include "platform/automation/com.h"

namespace korvale::vistrel {

using automation::ClassKey;
using automation::ClassRegistry;

namespace {

const std::string kVersion = std::to_string(kVersionMajor) + "." + std::to_string(kVersionMinor);
// The standard proxy of dispatch interfaces.
constexpr const char* kDispatchProxy = "{00020420-0000-0000-C000-000000000046}";

std::string TypeLibKey() { return "TypeLib\\" + mapi::ToString(LIBID_VISTRELLib); }

void WriteTypeLib(ClassRegistry& reg, const std::string& module_path) {
  std::string key = TypeLibKey() + "\\" + kVersion;
  reg.SetValue(key, "", kTypeLibHelpString);
  reg.SetValue(key, "Name", kTypeLibName);
  reg.SetValue(key + "\\0\\linux64", "", module_path);
  reg.SetValue(key + "\\FLAGS", "", "0");
  reg.SetValue(key + "\\HELPDIR", "", std::filesystem::path(module_path).parent_path().string());
  reg.SetValue(key, "HelpFile", kTypeLibHelpFile);
  struct Interface {
    GUID iid;
    const char* name;
    const char* help;
  };
  for (const Interface& i : {Interface{IID_DVistrel, kDispatchName, kDispatchHelpString},
                             Interface{IID_DVistrelEvents, kEventsName, kEventsHelpString}}) {
    std::string ikey = "Interface\\" + mapi::ToString(i.iid);
    reg.SetValue(ikey, "", i.name);
    reg.SetValue(ikey, "HelpString", i.help);
    reg.SetValue(ikey + "\\ProxyStubClsid32", "", kDispatchProxy);
    reg.SetValue(ikey + "\\TypeLib", "", mapi::ToString(LIBID_VISTRELLib));
    reg.SetValue(ikey + "\\TypeLib", "Version", kVersion);
  }
}

void WriteClasses(ClassRegistry& reg, const std::string& module_path) {
  automation::RegisterCategories(reg, {{CATID_SafeForScripting, 1033, kSafeForScriptingText},
                                       {CATID_SafeForInitializing, 1033, kSafeForInitializingText}});
  automation::RegisterClassImplCategories(reg, CLSID_Vistrel,
                                          {CATID_SafeForScripting, CATID_SafeForInitializing});

  std::string key = ClassKey(CLSID_Vistrel);
  reg.SetValue(key, "", kControlTypeName);
  reg.SetValue(key + "\\ProgID", "", kControlProgId);
  reg.SetValue(key + "\\InprocServer32", "", module_path);
  reg.SetValue(key + "\\InprocServer32", "ThreadingModel", "Apartment");
  reg.CreateKey(key + "\\Insertable");
  reg.CreateKey(key + "\\Control");
  reg.SetValue(key + "\\MiscStatus", "", "0");
  reg.SetValue(key + "\\MiscStatus\\1", "", std::to_string(kMiscStatus));
  reg.SetValue(key + "\\ToolboxBitmap32", "", module_path + ", " + std::to_string(kToolboxBitmap));
  reg.SetValue(key + "\\TypeLib", "", mapi::ToString(LIBID_VISTRELLib));
  reg.SetValue(key + "\\Version", "", kVersion);
  reg.SetValue(kControlProgId, "", kControlTypeName);
  reg.SetValue(std::string(kControlProgId) + "\\CLSID", "", mapi::ToString(CLSID_Vistrel));
  reg.CreateKey(std::string(kControlProgId) + "\\Insertable");

  std::string page = ClassKey(CLSID_VistrelPropPage);
  reg.SetValue(page, "", kPageName);
  reg.SetValue(page + "\\ProgID", "", kPageProgId);
  reg.SetValue(page + "\\InprocServer32", "", module_path);
  reg.SetValue(page + "\\InprocServer32", "ThreadingModel", "Apartment");
  reg.SetValue(kPageProgId, "", kPageName);
  reg.SetValue(std::string(kPageProgId) + "\\CLSID", "", mapi::ToString(CLSID_VistrelPropPage));
}

}  // namespace

HRESULT RegisterServer(const std::string& registry_path, const std::string& module_path) {
  ClassRegistry reg(registry_path);
  if (!reg.Load().ok()) return SELFREG_E_TYPELIB;
  WriteTypeLib(reg, module_path);
  if (!reg.Save().ok()) return SELFREG_E_TYPELIB;
  WriteClasses(reg, module_path);
  if (!reg.Save().ok()) return SELFREG_E_CLASS;
  return S_OK;
}

HRESULT UnregisterServer(const std::string& registry_path) {
  ClassRegistry reg(registry_path);
  if (!reg.Load().ok()) return SELFREG_E_CLASS;
  for (const char* prog_id : {kControlProgId, kPageProgId}) reg.DeleteTree(prog_id);
  for (const CLSID& clsid : {CLSID_Vistrel, CLSID_VistrelPropPage}) reg.DeleteTree(ClassKey(clsid));
  if (!reg.Save().ok()) return SELFREG_E_CLASS;
  reg.DeleteTree(TypeLibKey() + "\\" + kVersion);
  if (reg.SubKeys(TypeLibKey()).empty()) reg.DeleteTree(TypeLibKey());
  for (const GUID& iid : {IID_DVistrel, IID_DVistrelEvents})
    reg.DeleteTree("Interface\\" + mapi::ToString(iid));
  if (!reg.Save().ok()) return SELFREG_E_TYPELIB;
  return S_OK;
}

}  // namespace korvale::vistrel
