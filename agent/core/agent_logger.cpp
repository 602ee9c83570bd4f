#include "agent/core/agent_logger.h"

#include <fcntl.h>
#include <unistd.h>

#include <ctime>
#include <stdexcept>
#include <vector>

namespace korvale {

namespace {

// The prefixes are formatted into a 512-byte buffer.
std::string CutTo511(std::string text) {
  if (text.size() > 511) text.resize(511);
  return text;
}

std::string LocalTimeText() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char buffer[128];
  size_t n = std::strftime(buffer, sizeof buffer, "%c", &local);
  return std::string(buffer, n);
}

}  // namespace

AgentLogger::AgentLogger(const AgentSettings& settings, const std::string& instance_name,
                         EventSourceFactory factory)
    : settings_(settings), instance_name_(instance_name), factory_(factory) {}

std::string AgentLogger::Prefix(EventType type, const std::string& instance_name) {
  const char* word = type == EventType::kError     ? "error"
                     : type == EventType::kWarning ? "warning"
                                                   : "information";
  return CutTo511("The " + instance_name + " reported the following " + word + ":\r\n");
}

std::string AgentLogger::SqlPrefix(const std::string& instance_name) {
  return CutTo511("The " + instance_name + " is performing the following SQL statement:\r\n");
}

void AgentLogger::LogEvent(EventType type, uint32_t id, OptText text, OptText text2, OptText text3) {
  if (settings_.log_events == 0) return;
  Report(type, id, Prefix(type, instance_name_), text, text2, text3);
}

void AgentLogger::Report(EventType type, uint32_t id, const std::string& prefix, OptText t1, OptText t2,
                         OptText t3) {
  std::vector<std::string> texts{prefix};
  for (const OptText& t : {t1, t2, t3}) {
    if (t) texts.emplace_back(*t);
  }
  if (!source_) {
    source_ = factory_(instance_name_);
    if (!source_) return;  // dropped; registration is tried again at the next event
  }
  source_->Report(static_cast<int>(type), id, texts);
}

void AgentLogger::LogSqlStatement(OptText part1, OptText part2, OptText part3) {
  if (settings_.sql_log == 0) return;
  try {
    if (!settings_.sql_log_to_file.empty()) {
      AppendSqlToFile(part1, part2, part3);
    } else {
      // The trace reaches the event log even when LogEvents is 0.
      Report(EventType::kWarning, event_id::kSqlTraceOrTiming, SqlPrefix(instance_name_), part1, part2,
             part3);
    }
  } catch (const std::exception&) {
    auto piece = [](OptText t) { return t ? std::string(*t) : std::string(); };
    LogEvent(EventType::kWarning, event_id::kGeneral,
             "General Error logging SQL string " + piece(part1) + piece(part2) + piece(part3) + ".");
  }
}

void AgentLogger::AppendSqlToFile(OptText part1, OptText part2, OptText part3) {
  std::string entry = "\n" + LocalTimeText() + " " + instance_name_ + " ";
  for (const OptText& t : {part1, part2, part3}) {
    if (t) entry += *t;
  }
  trace_file_.Append(settings_.sql_log_to_file, entry);
}

AgentLogger::TraceFile::~TraceFile() {
  if (fd_ >= 0) ::close(fd_);
}

void AgentLogger::TraceFile::Append(const std::string& path, const std::string& entry) {
  if (fd_ < 0 || path != path_) {
    if (fd_ >= 0) ::close(fd_);
    path_ = path;
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd_ < 0) throw std::runtime_error("cannot open the SQL log file");
  }
  ssize_t written = ::write(fd_, entry.data(), entry.size());
  if (written != static_cast<ssize_t>(entry.size())) throw std::runtime_error("short write");
}

}  // namespace korvale
