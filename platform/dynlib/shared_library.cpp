#include "platform/dynlib/shared_library.h"

#include <dlfcn.h>

namespace korvale::dynlib {

namespace {
std::string LastError(const char* fallback) {
  const char* text = dlerror();
  return text ? text : fallback;
}
}  // namespace

void SharedLibrary::Closer::operator()(void* handle) const { dlclose(handle); }

Expected<SharedLibrary> SharedLibrary::Open(const std::string& path) {
  dlerror();
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) return Status::Error(LastError("the library could not be loaded"));
  return SharedLibrary(handle);
}

Expected<void*> SharedLibrary::Symbol(const std::string& name) const {
  dlerror();
  void* symbol = dlsym(handle_.get(), name.c_str());
  // A symbol may be null by right; only dlerror says it is missing.
  if (const char* error = dlerror()) return Status::Error(error);
  if (!symbol) return Status::Error("undefined symbol: " + name);
  return symbol;
}

}  // namespace korvale::dynlib
