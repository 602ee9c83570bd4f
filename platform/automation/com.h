// Creating objects through the class registry, and the component category
// manager.
//
// A class is served either by an in-process server module
// ("CLSID\\{...}\\InprocServer32" names the shared library, which exports
// DllGetClassObject) or by a server built into this layer
// ("CLSID\\{...}\\LocalServer32" names it, e.g. the mail client of
// mail_client.h). Loaded modules stay loaded for the life of the process.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/automation/automation.h"
#include "platform/automation/class_registry.h"

namespace korvale::automation {

using LCID = uint32_t;

// Per-thread initialisation count; CoCreateInstance fails with
// CO_E_NOTINITIALIZED on a thread that has none.
HRESULT CoInitialize();
void CoUninitialize();

// "Outlook.Application" -> its CLSID ("<ProgID>\\CLSID"). CO_E_CLASSSTRING
// when the ProgID is not registered; REGDB_E_CLASSNOTREG (0x80040154) when
// the registry cannot be read.
HRESULT CLSIDFromProgID(const std::string& prog_id, CLSID* clsid);

// Creates an object of a registered class, from the registry at
// ClassRegistry::DefaultPath(). REGDB_E_CLASSNOTREG when the class has no
// server; CO_E_DLLNOTFOUND / CO_E_ERRORINDLL when its module cannot be
// loaded or has no DllGetClassObject; otherwise the factory's own result.
HRESULT CoCreateInstance(const CLSID& clsid, std::shared_ptr<IDispatch>* object);
// The same by ProgID (CLSIDFromProgID first).
HRESULT CoCreateInstance(const std::string& prog_id, std::shared_ptr<IDispatch>* object);

// A server built into the process, named by "LocalServer32". It gets the
// registry and the class it is asked for, so that it can read its settings.
using BuiltinServer = std::function<HRESULT(const ClassRegistry& registry, const CLSID& clsid,
                                            std::shared_ptr<IDispatch>* object)>;
void RegisterBuiltinServer(const std::string& name, BuiltinServer server);

// "CLSID\\{...}" for a class.
std::string ClassKey(const CLSID& clsid);

// The component category manager. Descriptions are cut to 127 characters
// and stored under the locale's hexadecimal number ("409" for 1033).
struct CATEGORYINFO {
  GUID catid;
  LCID lcid = 1033;
  std::string description;
};
void RegisterCategories(ClassRegistry& registry, const std::vector<CATEGORYINFO>& categories);
void RegisterClassImplCategories(ClassRegistry& registry, const CLSID& clsid,
                                 const std::vector<GUID>& catids);
void UnRegisterClassImplCategories(ClassRegistry& registry, const CLSID& clsid,
                                   const std::vector<GUID>& catids);
// Whether the registry says the class implements the category.
bool IsClassOfCategory(const ClassRegistry& registry, const CLSID& clsid, const GUID& catid);

}  // namespace korvale::automation
