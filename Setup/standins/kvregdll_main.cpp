// KvRegDLL LIBRARY: the stand-in for the outside registration program. It
// loads the library, calls its DllRegisterServer and exits 0 on success,
// -1 when the library cannot be loaded, lacks the export or refuses.
#include <iostream>

#include "platform/process/library_call.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: KvRegDLL LIBRARY\n";
    return -1;
  }
  auto result = korvale::process::CallLibraryFunction(argv[1], "DllRegisterServer");
  if (!result.ok()) {
    std::cerr << "KvRegDLL: " << result.status().message() << "\n";
    return -1;
  }
  return *result < 0 ? -1 : 0;
}
