#include "platform/process/library_call.h"

#include <dlfcn.h>

namespace korvale::process {

Expected<std::int32_t> CallLibraryFunction(const std::string& library, const std::string& function) {
  void* module = ::dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) {
    const char* why = ::dlerror();
    return Status::Error(why != nullptr ? why : library, static_cast<int>(LibraryCallError::kNotLoaded));
  }
  auto entry = reinterpret_cast<std::int32_t (*)()>(::dlsym(module, function.c_str()));
  if (entry == nullptr) {
    return Status::Error(library + " has no function " + function,
                         static_cast<int>(LibraryCallError::kNoSuchFunction));
  }
  return entry();
}

}  // namespace korvale::process
