// korvale-eventview: lists the events of a JSON-lines event file, filtered by
// source, type and event number.
#include <CLI/CLI.hpp>
#include <cstdlib>
#include <filesystem>
#include <iostream>

#include "platform/eventlog/eventlog.h"
#include "platform/version/file_version.h"
#include "tools/eventview/event_view.h"

namespace {

// The file the programs of this installation write when no journal runs.
std::string DefaultEventFile() {
  if (const char* choice = std::getenv("KORVALE_EVENTLOG"); choice != nullptr && *choice != '\0') {
    return choice;
  }
  return (std::filesystem::path(korvale::CurrentExecutablePath()).parent_path() / "events.jsonl").string();
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Lists the events of a Korvale event file."};
  std::string file = DefaultEventFile();
  std::string source, type_text;
  uint32_t id = 0;
  app.add_option("file", file, "event file (default: KORVALE_EVENTLOG or events.jsonl beside this program)");
  CLI::Option* source_option = app.add_option("--source", source, "only events of this source");
  CLI::Option* type_option =
      app.add_option("--type", type_text, "only events of this type: 1/error, 2/warning, 4/information");
  CLI::Option* id_option = app.add_option("--id", id, "only events with this event number");
  CLI11_PARSE(app, argc, argv);

  korvale::eventview::EventFilter filter;
  if (*source_option) filter.source = source;
  if (*id_option) filter.id = id;
  if (*type_option) {
    filter.type = korvale::eventview::ParseEventType(type_text);
    if (!filter.type) {
      std::cerr << "unknown event type \"" << type_text
                << "\" (use 1, 2, 4, error, warning or information)\n";
      return 2;
    }
  }
  if (file == "journal") {
    std::cerr << "events go to the systemd journal; list them with: journalctl KORVALE_SOURCE=<source>\n";
    return 2;
  }
  if (!std::filesystem::exists(file)) {
    std::cerr << "no event file " << file << "\n";
    return 1;
  }
  int shown = 0;
  for (const korvale::eventlog::EventRecord& event : korvale::eventlog::ReadEventFile(file)) {
    if (!korvale::eventview::Matches(filter, event)) continue;
    std::cout << (shown++ == 0 ? "" : "\n") << korvale::eventview::FormatEvent(event);
  }
  return 0;
}
