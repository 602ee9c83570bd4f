// korvale-bench-settings: how long the agent takes to read large settings
// files, to show that reading stays linear in the file's size.
//
//   korvale-bench-settings [--dir DIR] [--lines N]
//
// Writes, in DIR (default: a temporary folder, removed afterwards), files of
// N/4, N/2 and N DLn=/Groupn= lines (default N = 296 000, about 10.5 MB, the
// size a large organisation reached) and one with a single 12 MB value, reads
// each with the agent's settings reader and prints the seconds and the
// megabytes per second. Linear reading keeps the rate about the same for every
// size; a reader that parses the file once per key falls off at once.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include "agent/core/read_settings.h"

namespace korvale::bench {
namespace {

namespace fs = std::filesystem;

class SilentLog : public AgentLog {
 public:
  void LogEvent(EventType, uint32_t, OptText, OptText, OptText) override {}
  void LogSqlStatement(OptText, OptText, OptText) override {}
};

std::string GroupLines(int lines) {
  std::string text = "[Config]\r\nDB=Calendar\r\nLogonServer=SRV1\r\nLogonMailbox=Korvale Service\r\n";
  for (int n = 1; 2 * n <= lines; ++n) {
    const std::string number = std::to_string(n);
    text += "DL" + number + "=Member " + number + "\r\n";
    text += "Group" + number + "=Scan group " + number + "\r\n";
  }
  return text;
}

std::string SingleValue(size_t bytes) {
  return "[Config]\r\nDB=Calendar\r\nExcludeCategories=" + std::string(bytes, 'x') +
         "\r\nDL1=Anna\r\nGroup1=Team\r\n";
}

void Measure(const fs::path& file, const std::string& what, const std::string& text) {
  std::ofstream(file, std::ios::binary) << text;
  SilentLog log;
  AgentSettings settings;
  const auto start = std::chrono::steady_clock::now();
  (void)ReadSettings(file.string(), settings, log);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double megabytes = static_cast<double>(text.size()) / 1e6;
  std::printf("%-28s %8.2f MB %8zu groups %8.3f s %8.1f MB/s\n", what.c_str(), megabytes,
              settings.group_names.size(), seconds, megabytes / seconds);
}

int Main(int argc, char** argv) {
  std::string dir;
  int lines = 296000;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--dir") == 0)
      dir = argv[i + 1];
    else if (std::strcmp(argv[i], "--lines") == 0)
      lines = std::atoi(argv[i + 1]);
  }
  const bool temporary = dir.empty();
  if (temporary)
    dir = (fs::temp_directory_path() / ("korvale-bench-settings-" + std::to_string(::getpid()))).string();
  fs::create_directories(dir);
  const fs::path file = fs::path(dir) / "Caldrun.ini";
  for (int part : {4, 2, 1}) {
    Measure(file, std::to_string(lines / part) + " group lines", GroupLines(lines / part));
  }
  Measure(file, "one 12 MB value", SingleValue(12u << 20));
  if (temporary) fs::remove_all(dir);
  return 0;
}

}  // namespace
}  // namespace korvale::bench

int main(int argc, char** argv) { return korvale::bench::Main(argc, argv); }
