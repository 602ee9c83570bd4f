#include "Setup/inf_file.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <fstream>
#include <sstream>

#include "common/text.h"

namespace korvale::setup {
namespace {

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

// Fields and names lose spaces, tabs and line ends at either end.
std::string Trimmed(std::string_view text) { return std::string(Trim(text, " \t\r\n")); }

// The line without its comment: ";" outside double quotes starts one.
std::string StripComment(const std::string& line) {
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '"') quoted = !quoted;
    if (line[i] == ';' && !quoted) return line.substr(0, i);
  }
  return line;
}

// Splits at commas outside quotes; each field trimmed and unquoted ("" inside quotes is one quote).
std::vector<std::string> SplitFields(const std::string& text) {
  std::vector<std::string> fields;
  std::string field;
  bool quoted = false;
  bool had_quotes = false;
  auto finish = [&] {
    fields.push_back(had_quotes ? field : Trimmed(field));
    field.clear();
    had_quotes = false;
  };
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '"') {
      if (quoted && i + 1 < text.size() && text[i + 1] == '"') {
        field += '"';
        ++i;
      } else {
        if (!quoted && !had_quotes) field = Trimmed(field);
        quoted = !quoted;
        had_quotes = true;
      }
    } else if (c == ',' && !quoted) {
      finish();
    } else if (!(had_quotes && !quoted && (c == ' ' || c == '\t'))) {
      field += c;
    }
  }
  finish();
  return fields;
}

// The position of "=" outside quotes, or npos.
size_t EqualsOutsideQuotes(const std::string& line) {
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '"') quoted = !quoted;
    if (line[i] == '=' && !quoted) return i;
  }
  return std::string::npos;
}

bool IsNumber(const std::string& text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); });
}

}  // namespace

Expected<InfFile> InfFile::Open(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return Status::Error("The file " + path + " cannot be opened.");
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) return Status::Error("The file " + path + " cannot be read.");
  return Parse(text.str());
}

Expected<InfFile> InfFile::Parse(const std::string& text) {
  InfFile inf;
  std::istringstream in(text);
  std::string raw;
  std::string pending;  // a line continued with a trailing backslash
  std::vector<std::string>* section = nullptr;
  while (std::getline(in, raw)) {
    std::string line = Trimmed(StripComment(pending + raw));
    pending.clear();
    if (!line.empty() && line.back() == '\\') {
      pending = line.substr(0, line.size() - 1);
      continue;
    }
    if (line.empty()) continue;
    if (line.front() == '[') {
      const auto close = line.find(']');
      if (close == std::string::npos) return Status::Error("A section name is not closed: " + line);
      section = &inf.sections_[Upper(Trimmed(line.substr(1, close - 1)))];
      continue;
    }
    if (section == nullptr) continue;  // text before the first section is ignored
    section->push_back(line);
  }
  auto version = inf.sections_.find("VERSION");
  std::string signature;
  if (version != inf.sections_.end()) {
    for (const auto& line : version->second) {
      const auto eq = EqualsOutsideQuotes(line);
      if (eq != std::string::npos && Upper(Trimmed(line.substr(0, eq))) == "SIGNATURE") {
        const auto fields = SplitFields(line.substr(eq + 1));
        signature = fields.empty() ? "" : Upper(fields.front());
      }
    }
  }
  if (signature != "$WINDOWS NT$" && signature != "$CHICAGO$") {
    return Status::Error("The file is not a setup information file (no [Version] signature).");
  }
  for (const auto& line : inf.sections_["STRINGS"]) {
    const auto eq = EqualsOutsideQuotes(line);
    if (eq == std::string::npos) continue;
    const auto fields = SplitFields(line.substr(eq + 1));
    inf.strings_[Upper(Trimmed(line.substr(0, eq)))] = fields.empty() ? "" : fields.front();
  }
  return inf;
}

bool InfFile::HasSection(const std::string& section) const { return sections_.count(Upper(section)) != 0; }

std::vector<InfLine> InfFile::Lines(const std::string& section) const {
  std::vector<InfLine> lines;
  auto found = sections_.find(Upper(section));
  if (found == sections_.end()) return lines;
  for (const std::string& raw : found->second) {
    // [Strings] keys are replaced before the fields are split: a string may hold commas.
    std::string line;
    for (size_t i = 0; i < raw.size(); ++i) {
      const auto close = raw[i] == '%' ? raw.find('%', i + 1) : std::string::npos;
      if (close != std::string::npos) {
        const std::string name = raw.substr(i + 1, close - i - 1);
        auto string = strings_.find(Upper(name));
        if (string != strings_.end() && !IsNumber(name)) {
          line += string->second;
          i = close;
          continue;
        }
      }
      line += raw[i];
    }
    InfLine parsed;
    const auto eq = EqualsOutsideQuotes(line);
    if (eq != std::string::npos) {
      parsed.key = Trimmed(line.substr(0, eq));
      parsed.fields = SplitFields(line.substr(eq + 1));
    } else {
      parsed.fields = SplitFields(line);
    }
    lines.push_back(std::move(parsed));
  }
  return lines;
}

std::vector<std::string> InfFile::Values(const std::string& section, const std::string& key) const {
  std::vector<std::string> values;
  for (const InfLine& line : Lines(section)) {
    if (Upper(line.key) != Upper(key)) continue;
    for (const auto& field : line.fields) {
      if (!field.empty()) values.push_back(field);
    }
  }
  return values;
}

Expected<std::string> ExpandDirIds(const std::string& text, const std::map<int, std::string>& dirids) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    const auto close = text.find('%', i + 1);
    if (close == std::string::npos) {
      out += text.substr(i);
      break;
    }
    const std::string name = text.substr(i + 1, close - i - 1);
    if (name.empty()) {
      out += '%';
    } else if (IsNumber(name)) {
      int id = 0;
      std::from_chars(name.data(), name.data() + name.size(), id);
      auto folder = dirids.find(id);
      if (folder == dirids.end()) return Status::Error("The directory identifier " + name + " is not known.");
      out += folder->second;
    } else {
      out += text.substr(i, close - i + 1);  // not ours: kept as it stands
    }
    i = close;
  }
  return out;
}

}  // namespace korvale::setup
