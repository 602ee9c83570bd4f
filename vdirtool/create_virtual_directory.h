// KvCrVDir: creates the virtual directory of the booking pages in the first
// web site of the metabase and configures it for the script pages.
//
//   MetabaseServices services = FileMetabaseServices();
//   int code = RunKvCrVDir({"/srv/korvale", "Korvale"}, std::cout, services);
//
// The result is the tool's exit code: 0, a stopping failure 1047-1051, or the
// bits of the later steps that failed (vdir_values.h). Nothing is printed on
// failure.
#pragma once

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/metabase/metabase.h"

namespace korvale::vdirtool {

// How the tool reaches the metabase: the admin base (its failure stops the
// tool with 1048) and the application service (its failure only means that no
// application is created).
struct MetabaseServices {
  std::function<Expected<std::unique_ptr<metabase::MetabaseAdmin>>()> create_admin_base;
  std::function<Expected<std::unique_ptr<metabase::ApplicationAdmin>>(metabase::MetabaseAdmin&)>
      create_app_admin;
};

// The metabase file named by KORVALE_METABASE (or the default path).
MetabaseServices FileMetabaseServices();

// The whole program: `args` are the arguments after the program name. Any
// number other than two prints the usage to `out` and gives 0.
int RunKvCrVDir(const std::vector<std::string>& args, std::ostream& out, const MetabaseServices& services);

// Creates `/LM/W3SVC/1/ROOT/<name>` for `physical_path` with its values and
// application, then saves the metabase.
int CreateVirtualDirectory(std::string_view physical_path, std::string_view name,
                           const MetabaseServices& services);

}  // namespace korvale::vdirtool
