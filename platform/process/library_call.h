// Calling a registration entry of a shared library (DllRegisterServer): the
// library is loaded, the function without arguments called and its 32-bit
// result returned. The library stays loaded, as the objects it registered
// may be created later in the same process.
#pragma once

#include <cstdint>
#include <string>

#include "common/status.h"

namespace korvale::process {

enum class LibraryCallError { kNotLoaded = 1, kNoSuchFunction = 2 };

// The function's result; fails with kNotLoaded or kNoSuchFunction (the
// Status code) and the loader's own words.
Expected<std::int32_t> CallLibraryFunction(const std::string& library, const std::string& function);

}  // namespace korvale::process
