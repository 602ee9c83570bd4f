// Loading a shared library at run time and finding its exports (dlopen and
// dlsym), with the system's error texts for what fails.
//
//   auto library = SharedLibrary::Open(program_dir + "/libKrvADS.so");
//   if (!library.ok()) show(library.status().message());   // the system's text
//   auto fn = library->Function<int32_t (*)(char*)>("ADSGetOrgAndServers");
#pragma once

#include <memory>
#include <string>

#include "common/status.h"

namespace korvale::dynlib {

class SharedLibrary {
 public:
  // Loads the library at `path` (all symbols resolved now). The message of a
  // failure is the system's text.
  static Expected<SharedLibrary> Open(const std::string& path);

  // The address of an export; the message of a failure is the system's text.
  Expected<void*> Symbol(const std::string& name) const;

  template <typename Fn>
  Expected<Fn> Function(const std::string& name) const {
    auto symbol = Symbol(name);
    if (!symbol.ok()) return symbol.status();
    return reinterpret_cast<Fn>(*symbol);
  }

 private:
  struct Closer {
    void operator()(void* handle) const;
  };
  explicit SharedLibrary(void* handle) : handle_(handle) {}
  std::unique_ptr<void, Closer> handle_;
};

}  // namespace korvale::dynlib
