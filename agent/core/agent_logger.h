// The agent's event and SQL reporting: every report goes to the event log
// under the instance name; SQL statements can also be traced to a file.
#pragma once

#include <memory>
#include <string>

#include "common/agent_log.h"
#include "common/agent_settings.h"
#include "platform/eventlog/eventlog.h"

namespace korvale {

// Opens the event source for a name; null when no sink is available.
using EventSourceFactory = std::unique_ptr<eventlog::EventSource> (*)(const std::string&);

class AgentLogger : public AgentLog {
 public:
  // `settings` and `instance_name` are read at each report, so they may change
  // after construction (the settings are read once the logger exists).
  AgentLogger(const AgentSettings& settings, const std::string& instance_name,
              EventSourceFactory factory = &eventlog::RegisterEventSource);

  void LogEvent(EventType type, uint32_t id, OptText text = std::nullopt, OptText text2 = std::nullopt,
                OptText text3 = std::nullopt) override;
  void LogSqlStatement(OptText part1, OptText part2 = std::nullopt, OptText part3 = std::nullopt) override;

  // The prefix of a report type ("The %s reported the following error:\r\n" ...).
  static std::string Prefix(EventType type, const std::string& instance_name);
  static std::string SqlPrefix(const std::string& instance_name);

 private:
  void Report(EventType type, uint32_t id, const std::string& prefix, OptText t1, OptText t2, OptText t3);
  void AppendSqlToFile(OptText part1, OptText part2, OptText part3);

  // The trace file stays open while its name stays the same: a cycle traces
  // tens of thousands of statements, and opening the file for each cost as
  // much as running them.
  class TraceFile {
   public:
    TraceFile() = default;
    ~TraceFile();
    TraceFile(const TraceFile&) = delete;
    TraceFile& operator=(const TraceFile&) = delete;
    // Appends `entry` in one write (O_APPEND keeps entries of several agents whole).
    void Append(const std::string& path, const std::string& entry);

   private:
    std::string path_;
    int fd_ = -1;
  };

  const AgentSettings& settings_;
  const std::string& instance_name_;
  EventSourceFactory factory_;
  std::unique_ptr<eventlog::EventSource> source_;  // registered at the first event
  TraceFile trace_file_;
};

}  // namespace korvale
