#include "bootstrap/prerequisites.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace korvale::bootstrap {
namespace fs = std::filesystem;
namespace {

constexpr size_t kMaxPath = 260;

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::istringstream in(text);
  for (std::string part; std::getline(in, part, separator);) {
    if (!part.empty()) parts.push_back(part);
  }
  return parts;
}

bool FoundIn(const std::string& dir, const std::string& name) {
  std::string combined = dir;
  if (combined.empty() || combined.back() != '/') combined += '/';
  combined += name;
  if (combined.size() > kMaxPath) return false;
  std::error_code ec;
  return fs::exists(combined, ec);
}

// The folders of ld.so.conf and the files it includes ("include DIR/*.conf").
void LinkerConfigDirs(const fs::path& file, std::vector<std::string>& dirs, int depth = 0) {
  std::ifstream in(file);
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line.front() == '#') continue;
    if (line.rfind("include ", 0) == 0 && depth < 4) {
      const fs::path pattern = line.substr(8);
      std::error_code ec;
      std::vector<fs::path> included;
      for (const auto& entry : fs::directory_iterator(pattern.parent_path(), ec)) {
        if (entry.path().extension() == ".conf") included.push_back(entry.path());
      }
      std::sort(included.begin(), included.end());
      for (const auto& conf : included) LinkerConfigDirs(conf, dirs, depth + 1);
    } else if (line.front() == '/') {
      dirs.push_back(line);
    }
  }
}

}  // namespace

const std::vector<std::string>& RequiredFiles() {
  static const std::vector<std::string> files = {
      // The system libraries.
      "libc.so.6",
      "libstdc++.so.6",
      // Data sources and their installer, services, cabinets.
      "libodbc.so.2",
      "libodbcinst.so.2",
      "libsystemd.so.0",
      "libmspack.so.0",
      // The mail system layer: its organisation store.
      "libsqlite3.so.0",
  };
  return files;
}

SearchPlaces MachineSearchPlaces() {
  SearchPlaces places;
  std::error_code ec;
  places.current_dir = fs::current_path(ec).string();
  if (const char* path = std::getenv("PATH")) places.path = path;
  if (const char* libs = std::getenv("LD_LIBRARY_PATH")) places.library_dirs = Split(libs, ':');
  LinkerConfigDirs("/etc/ld.so.conf", places.library_dirs);
  for (const char* dir : {"/lib", "/usr/lib", "/lib64", "/usr/lib64"}) places.library_dirs.push_back(dir);
  return places;
}

bool FindRequiredFile(const std::string& name, const SearchPlaces& places) {
  if (FoundIn(places.current_dir, name)) return true;
  for (const std::string& dir : Split(places.path, ':')) {
    if (FoundIn(dir, name)) return true;
  }
  for (const std::string& dir : places.library_dirs) {
    if (FoundIn(dir, name)) return true;
  }
  return false;
}

std::string MissingFiles(const std::vector<std::string>& required, const SearchPlaces& places) {
  std::string missing;
  for (const std::string& name : required) {
    if (!FindRequiredFile(name, places)) missing += name + "\n";
  }
  return missing;
}

std::string MissingFilesMessage(const std::string& missing) {
  return "The following files are required by Korvale\nand could not be found on this system.\n\n" + missing +
         "\nPlease install either the \"Exchange 5.5 Administrator\" Option\n"
         "from your Exchange 2000/2003 Setup program\nor\nthe MAPI / CDO download from Microsoft.\n"
         "A link is provided in the Installation Guide of Korvale.";
}

int RunBootstrap(const SearchPlaces& places, const std::string& ravlin,
                 const std::function<bool(const std::string& program)>& start,
                 const std::function<void(const std::string& text, const std::string& title)>& show) {
  const std::string missing = MissingFiles(RequiredFiles(), places);
  if (!missing.empty()) {
    show(MissingFilesMessage(missing), kSetupErrorTitle);
    return 0;
  }
  if (!start(ravlin)) show(kRavlinMissingMessage, kSetupErrorTitle);
  return 0;
}

}  // namespace korvale::bootstrap
