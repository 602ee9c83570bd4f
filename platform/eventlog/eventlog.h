// The event log: a sink that keeps source, type, event number and texts in order.
//
// Sink choice: KORVALE_EVENTLOG names a file or "journal"; without it the
// systemd journal where its socket exists, else `events.jsonl` in the folder
// of the running program. The file sink appends one JSON object per line:
//   {"time":"2026-12-06T10:00:00","source":"S","type":4,"id":123,"texts":["..."]}
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace korvale::eventlog {

struct EventRecord {
  std::string time;  // ISO 8601 local time
  std::string source;
  int type = 0;  // 1 error, 2 warning, 4 information
  uint32_t id = 0;
  std::vector<std::string> texts;
};

class EventSource {
 public:
  virtual ~EventSource() = default;
  // Reports one event; texts are the non-null strings, in order (at most four).
  virtual bool Report(int type, uint32_t id, const std::vector<std::string>& texts) = 0;
};

// RegisterEventSource: null when no sink can be opened (the caller retries later).
std::unique_ptr<EventSource> RegisterEventSource(const std::string& source_name);

// Reads the events of a JSON-lines file; malformed lines are skipped.
std::vector<EventRecord> ReadEventFile(const std::string& path);

// One event as the file sink writes it (without the line end).
std::string FormatEventJson(const EventRecord& record);

}  // namespace korvale::eventlog
