// A reporting sink for tests: keeps every event (type, number, texts) and
// every traced SQL statement in order, so a test can assert what was reported.
//
//   RecordingLog log;
//   ... code under test reports through `log` ...
//   EXPECT_TRUE(log.HasEvent(122));
//   EXPECT_EQ(log.EventsWithId(119).at(0).texts.at(0), "KorvaleTable1");
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/agent_log.h"

namespace korvale::testing {

struct RecordedEvent {
  EventType type;
  uint32_t id;
  std::vector<std::string> texts;  // the texts that were given, in order (absent ones left out)
};

class RecordingLog : public AgentLog {
 public:
  void LogEvent(EventType type, uint32_t id, OptText text = std::nullopt, OptText text2 = std::nullopt,
                OptText text3 = std::nullopt) override {
    RecordedEvent event{type, id, {}};
    for (const OptText& t : {text, text2, text3}) {
      if (t) event.texts.emplace_back(*t);
    }
    events_.push_back(std::move(event));
  }

  // The pieces of one statement are joined into one line, as a trace file shows them.
  void LogSqlStatement(OptText part1, OptText part2 = std::nullopt, OptText part3 = std::nullopt) override {
    std::string line;
    for (const OptText& t : {part1, part2, part3}) {
      if (t) line += *t;
    }
    sql_.push_back(std::move(line));
  }

  const std::vector<RecordedEvent>& events() const { return events_; }
  const std::vector<std::string>& sql() const { return sql_; }

  bool HasEvent(uint32_t id) const {
    for (const auto& e : events_) {
      if (e.id == id) return true;
    }
    return false;
  }
  std::vector<RecordedEvent> EventsWithId(uint32_t id) const {
    std::vector<RecordedEvent> found;
    for (const auto& e : events_) {
      if (e.id == id) found.push_back(e);
    }
    return found;
  }
  // Whether a traced statement contains `fragment`.
  bool Traced(const std::string& fragment) const {
    for (const auto& s : sql_) {
      if (s.find(fragment) != std::string::npos) return true;
    }
    return false;
  }
  // Every event as "id: text | text | text", one a line, for assertion messages.
  std::string Describe() const {
    std::string out;
    for (const auto& e : events_) {
      out += std::to_string(e.id) + ":";
      for (size_t i = 0; i < e.texts.size(); ++i) out += (i ? " | " : " ") + e.texts[i];
      out += "\n";
    }
    return out;
  }
  void Clear() {
    events_.clear();
    sql_.clear();
  }

 private:
  std::vector<RecordedEvent> events_;
  std::vector<std::string> sql_;
};

}  // namespace korvale::testing
