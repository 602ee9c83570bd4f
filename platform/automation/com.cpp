#include "platform/automation/com.h"

#include <dlfcn.h>

#include <cstdio>
#include <map>
#include <mutex>

#include "platform/automation/mail_client.h"

namespace korvale::automation {
namespace {

thread_local int com_initialized = 0;

std::mutex& ServersLock() {
  static std::mutex lock;
  return lock;
}
std::map<std::string, BuiltinServer>& Servers() {
  static std::map<std::string, BuiltinServer> servers{{kMailClientServer, CreateMailClient}};
  return servers;
}

HRESULT FromModule(const std::string& path, const CLSID& clsid, std::shared_ptr<IDispatch>* object) {
  // Like the system's object runtime, a loaded server stays loaded: objects
  // it created may outlive every caller that knows where they came from.
  void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!module) return CO_E_DLLNOTFOUND;
  auto entry = reinterpret_cast<DllGetClassObjectFunction>(::dlsym(module, "DllGetClassObject"));
  if (!entry) return CO_E_ERRORINDLL;
  std::shared_ptr<IClassFactory> factory;
  HRESULT hr = entry(&clsid, &factory);
  if (mapi::FAILED(hr)) return hr;
  if (!factory) return CLASS_E_CLASSNOTAVAILABLE;
  return factory->CreateInstance(object);
}

}  // namespace

HRESULT CoInitialize() {
  ++com_initialized;
  return com_initialized == 1 ? mapi::S_OK : mapi::S_FALSE;
}

void CoUninitialize() {
  if (com_initialized > 0) --com_initialized;
}

std::string ClassKey(const CLSID& clsid) { return "CLSID\\" + mapi::ToString(clsid); }

HRESULT CLSIDFromProgID(const std::string& prog_id, CLSID* clsid) {
  ClassRegistry registry(ClassRegistry::DefaultPath());
  if (!registry.Load().ok()) return REGDB_E_CLASSNOTREG;
  auto text = registry.GetValue(prog_id + "\\CLSID");
  if (!text || !mapi::GuidFromString(*text, clsid)) return CO_E_CLASSSTRING;
  return mapi::S_OK;
}

HRESULT CoCreateInstance(const CLSID& clsid, std::shared_ptr<IDispatch>* object) {
  if (!object) return mapi::E_INVALIDARG;
  object->reset();
  if (com_initialized == 0) return CO_E_NOTINITIALIZED;
  ClassRegistry registry(ClassRegistry::DefaultPath());
  if (!registry.Load().ok()) return REGDB_E_CLASSNOTREG;
  std::string key = ClassKey(clsid);
  if (auto module = registry.GetValue(key + "\\InprocServer32")) return FromModule(*module, clsid, object);
  if (auto name = registry.GetValue(key + "\\LocalServer32")) {
    BuiltinServer server;
    {
      std::lock_guard<std::mutex> hold(ServersLock());
      auto it = Servers().find(*name);
      if (it != Servers().end()) server = it->second;
    }
    if (!server) return REGDB_E_CLASSNOTREG;
    return server(registry, clsid, object);
  }
  return REGDB_E_CLASSNOTREG;
}

HRESULT CoCreateInstance(const std::string& prog_id, std::shared_ptr<IDispatch>* object) {
  if (!object) return mapi::E_INVALIDARG;
  object->reset();
  CLSID clsid;
  HRESULT hr = CLSIDFromProgID(prog_id, &clsid);
  if (mapi::FAILED(hr)) return hr;
  return CoCreateInstance(clsid, object);
}

void RegisterBuiltinServer(const std::string& name, BuiltinServer server) {
  std::lock_guard<std::mutex> hold(ServersLock());
  Servers()[name] = std::move(server);
}

void RegisterCategories(ClassRegistry& registry, const std::vector<CATEGORYINFO>& categories) {
  for (const auto& category : categories) {
    char locale[16];
    std::snprintf(locale, sizeof locale, "%x", category.lcid);
    registry.SetValue("Component Categories\\" + mapi::ToString(category.catid), locale,
                      category.description.substr(0, 127));
  }
}

void RegisterClassImplCategories(ClassRegistry& registry, const CLSID& clsid,
                                 const std::vector<GUID>& catids) {
  for (const auto& catid : catids)
    registry.CreateKey(ClassKey(clsid) + "\\Implemented Categories\\" + mapi::ToString(catid));
}

void UnRegisterClassImplCategories(ClassRegistry& registry, const CLSID& clsid,
                                   const std::vector<GUID>& catids) {
  for (const auto& catid : catids)
    registry.DeleteTree(ClassKey(clsid) + "\\Implemented Categories\\" + mapi::ToString(catid));
}

bool IsClassOfCategory(const ClassRegistry& registry, const CLSID& clsid, const GUID& catid) {
  return registry.HasKey(ClassKey(clsid) + "\\Implemented Categories\\" + mapi::ToString(catid));
}

HRESULT RaiseException(EXCEPINFO* exception, uint16_t code, std::string source, std::string description) {
  if (exception) *exception = EXCEPINFO{code, std::move(source), std::move(description), DISP_E_EXCEPTION};
  return DISP_E_EXCEPTION;
}

std::string HResultText(HRESULT hr) {
  char text[16];
  std::snprintf(text, sizeof text, "%08lx", static_cast<unsigned long>(static_cast<uint32_t>(hr)));
  return text;
}

}  // namespace korvale::automation
