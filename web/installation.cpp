#include "web/installation.h"

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include "agent/core/read_settings.h"
#include "agent/database/open_database.h"

namespace korvale::web {

namespace {

// The settings reader reports what it cannot read; the web front has no
// event log of its own and says what matters itself.
class QuietLog final : public AgentLog {
 public:
  void LogEvent(EventType, uint32_t, OptText, OptText, OptText) override {}
  void LogSqlStatement(OptText, OptText, OptText) override {}
};

std::string ReadText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

std::vector<std::string> SortedMenuGroups(const std::string& include_text) {
  static const std::regex kLine(R"(^\s*SortedMenu\((\d+)\)\s*=\s*"([^"\r\n]*)\"\s*$)",
                                std::regex::icase | std::regex::multiline);
  std::map<int, std::string> by_index;
  for (auto it = std::sregex_iterator(include_text.begin(), include_text.end(), kLine);
       it != std::sregex_iterator(); ++it) {
    by_index.emplace(std::stoi((*it)[1].str().substr(0, 6)), (*it)[2].str());
  }
  std::vector<std::string> groups;
  for (auto& [index, name] : by_index) {
    if (!name.empty()) groups.push_back(name);
  }
  return groups;
}

Expected<Installation> LoadInstallation(const std::string& folder) {
  const std::filesystem::path ini = std::filesystem::path(folder) / "Caldrun.ini";
  std::error_code ec;
  if (!std::filesystem::is_regular_file(ini, ec)) {
    return Status::Error("No settings file " + ini.string() + ": give the folder of an installation.");
  }
  Installation inst;
  inst.folder = folder;
  QuietLog log;
  SettingsFileFacts facts = ReadSettings(ini.string(), inst.settings, log);
  if (!facts.readable) return Status::Error("The settings file " + ini.string() + " cannot be read.");
  if (inst.settings.db.empty()) {
    return Status::Error("The settings file " + ini.string() + " names no data source (key DB).");
  }
  inst.dialect = StatementDialect(inst.settings);
  const std::filesystem::path inc = std::filesystem::path(folder) / "Korvale.inc";
  if (std::filesystem::is_regular_file(inc, ec)) inst.groups = SortedMenuGroups(ReadText(inc));
  if (inst.groups.empty()) inst.groups = inst.settings.group_names;
  return inst;
}

Expected<std::unique_ptr<SqlConnection>> ConnectDatabase(const Installation& installation) {
  auto connection = OpenSqlConnection(BuildConnectString(installation.settings));
  if (!connection.ok()) {
    return Status::Error(
        "Cannot connect to the data source " + installation.settings.db + ": " + connection.error().text,
        connection.error().return_code);
  }
  return std::move(*connection);
}

}  // namespace korvale::web
