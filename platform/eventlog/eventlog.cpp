// Choosing the event sink; see eventlog.h.
#include "platform/eventlog/eventlog.h"

#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>

#include "platform/eventlog/event_sinks.h"

namespace korvale::eventlog {
namespace {

constexpr char kJournalSocket[] = "/run/systemd/journal/socket";

std::string DefaultEventFile() {
  std::error_code ec;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return "events.jsonl";
  return (exe.parent_path() / "events.jsonl").string();
}

}  // namespace

std::string LocalTimeNow() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
  return text;
}

std::unique_ptr<EventSource> RegisterEventSource(const std::string& source_name) {
  if (const char* choice = std::getenv("KORVALE_EVENTLOG"); choice != nullptr && *choice != '\0') {
    if (std::string(choice) == "journal") return OpenJournalSink(source_name);
    return OpenFileSink(choice, source_name);
  }
  if (::access(kJournalSocket, W_OK) == 0) return OpenJournalSink(source_name);
  return OpenFileSink(DefaultEventFile(), source_name);
}

}  // namespace korvale::eventlog
