// What DllRegisterServer and DllUnregisterServer write into the class
// registry: the type library with its interfaces, the control class with the
// component categories it implements, and the property page class.
#pragma once

#include <string>

#include "platform/automation/class_registry.h"
#include "viewercontrol/identity.h"

namespace korvale::vistrel {

// Registers everything for the module at `module_path` in the registry file
// at `registry_path`. S_OK, SELFREG_E_TYPELIB when the type library cannot be
// registered (the registry cannot be read or written), SELFREG_E_CLASS when
// the classes cannot.
HRESULT RegisterServer(const std::string& registry_path, const std::string& module_path);
// Removes the classes, then the type library (version 4.5); the same codes.
// The component categories stay: other controls may implement them.
HRESULT UnregisterServer(const std::string& registry_path);

}  // namespace korvale::vistrel
