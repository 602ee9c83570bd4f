// Setup, the bootstrap of the installation medium: it checks that the files
// the server setup and the update agent need are on this machine, lists the
// missing ones in one message, and otherwise starts Ravlin from its own
// folder without waiting for it.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace korvale::bootstrap {

// The required files in search order: the system libraries (always), then
// the libraries of the data sources, services and cabinet, then the mail
// system layer's organisation store library.
const std::vector<std::string>& RequiredFiles();

// Where a file is looked for: the current folder, then each PATH folder in
// order, then the dynamic linker's library folders (on this system libraries
// do not live on PATH).
struct SearchPlaces {
  std::string current_dir;
  std::string path;                       // the PATH value, folders separated by ":"
  std::vector<std::string> library_dirs;  // LD_LIBRARY_PATH, ld.so.conf, /lib, /usr/lib ...
};

// The machine's places: the current folder, $PATH, the dynamic linker's folders.
SearchPlaces MachineSearchPlaces();

// True when `name` is found in one of the places. A folder not ending in "/"
// gets one; a combination longer than 260 characters is skipped.
bool FindRequiredFile(const std::string& name, const SearchPlaces& places);

// The missing files, each followed by a line break, in list order.
std::string MissingFiles(const std::vector<std::string>& required, const SearchPlaces& places);

// The message listing the missing files.
std::string MissingFilesMessage(const std::string& missing);

inline constexpr const char* kSetupErrorTitle = "Korvale Setup Error";
inline constexpr const char* kRavlinMissingMessage =
    "RAVLIN.EXE is missing in the current directory.\n"
    "Please make sure that all files needed for Setup are in the current directory.";

// The whole run: check, then start `ravlin` (no arguments, not waited for)
// through `start`; every message goes to `show(text, title)`. Always 0.
int RunBootstrap(const SearchPlaces& places, const std::string& ravlin,
                 const std::function<bool(const std::string& program)>& start,
                 const std::function<void(const std::string& text, const std::string& title)>& show);

}  // namespace korvale::bootstrap
