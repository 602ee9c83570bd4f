// KvCrVDir <path> <name>: creates the web application's virtual directory in
// the metabase named by KORVALE_METABASE (default /var/lib/korvale/metabase.txt).
#include <iostream>
#include <string>
#include <vector>

#include "vdirtool/create_virtual_directory.h"
#include "vdirtool/exit_code.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  int code = korvale::vdirtool::RunKvCrVDir(args, std::cout, korvale::vdirtool::FileMetabaseServices());
  std::cout.flush();
  return korvale::vdirtool::ExitStatusFromCode(code);
}
