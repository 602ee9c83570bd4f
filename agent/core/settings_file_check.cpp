#include "agent/core/settings_file_check.h"

#include <vector>

namespace korvale {
namespace {

std::vector<std::string> Problems(const SettingsFileFacts& facts, const AgentSettings& settings) {
  if (!facts.exists) return {"it does not exist"};
  if (!facts.readable) return {"it cannot be read"};
  std::vector<std::string> problems;
  if (!facts.has_config_section) problems.emplace_back("it holds no [Config] section");
  if (facts.ends_inside_line) problems.emplace_back("it ends inside a line (it may have been cut off)");
  if (settings.group_names.empty()) {
    problems.emplace_back("it names no scan group (no Group1 key)");
  } else if (settings.member_name_lists.empty()) {
    problems.emplace_back("its scan groups have no members (no DL1 key)");
  }
  return problems;
}

}  // namespace

void ReportSettingsFileProblems(const std::string& ini_path, const SettingsFileFacts& facts,
                                const AgentSettings& settings, AgentLog& log) {
  std::vector<std::string> problems = Problems(facts, settings);
  if (problems.empty()) return;
  std::string text = "The settings file " + ini_path + " is incomplete or damaged: ";
  for (size_t i = 0; i < problems.size(); ++i) text += (i == 0 ? "" : "; ") + problems[i];
  text += ". Every setting it does not give keeps its default.";
  log.LogEvent(EventType::kWarning, event_id::kSettingsFile, text);
}

}  // namespace korvale
