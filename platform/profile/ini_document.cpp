// Parsing and editing of INI lines; see ini_document.h.
#include "platform/profile/ini_document.h"

#include "common/text.h"

namespace korvale::profile {
namespace {

constexpr std::string_view kCrLf = "\r\n";

// Names are bytes, not text of a known language: case folds for ASCII only.
std::string Folded(std::string_view name) { return Lower(std::string(name)); }

IniLine Classify(std::string text, std::string eol) {
  IniLine line;
  line.text = std::move(text);
  line.eol = std::move(eol);
  std::string_view trimmed = Trim(line.text, kSpacesAndTabs);
  if (!trimmed.empty() && trimmed.front() == '[') {
    std::string_view inner = trimmed.substr(1);
    size_t close = inner.find(']');
    // A header without its bracket still opens a section, as the Windows reader does.
    line.kind = LineKind::kSection;
    line.name = std::string(Trim(inner.substr(0, close), kSpacesAndTabs));
    return line;
  }
  if (trimmed.empty() || trimmed.front() == ';') return line;
  size_t eq = trimmed.find('=');
  if (eq == std::string_view::npos) return line;
  std::string_view name = Trim(trimmed.substr(0, eq), kSpacesAndTabs);
  if (name.empty()) return line;
  std::string_view value = Trim(trimmed.substr(eq + 1), kSpacesAndTabs);
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
    value = value.substr(1, value.size() - 2);
  }
  line.kind = LineKind::kKey;
  line.name = std::string(name);
  line.value = std::string(value);
  return line;
}

}  // namespace

IniDocument IniDocument::Parse(std::string_view bytes) {
  IniDocument doc;
  size_t pos = 0;
  while (pos < bytes.size()) {
    size_t end = bytes.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) {
      doc.lines_.push_back(Classify(std::string(bytes.substr(pos)), ""));
      break;
    }
    size_t eol_len = (bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n') ? 2 : 1;
    doc.lines_.push_back(
        Classify(std::string(bytes.substr(pos, end - pos)), std::string(bytes.substr(end, eol_len))));
    pos = end + eol_len;
  }
  doc.Reindex();
  return doc;
}

void IniDocument::Reindex() {
  sections_.clear();
  SectionIndex* current = nullptr;  // null in lines before the first header and in repeated sections
  for (size_t i = 0; i < lines_.size(); ++i) {
    const IniLine& line = lines_[i];
    if (line.kind == LineKind::kSection) {
      if (current != nullptr) current->range.end = i;
      auto [it, inserted] = sections_.try_emplace(Folded(line.name));
      current = inserted ? &it->second : nullptr;
      if (current != nullptr) current->range = SectionRange{i, lines_.size()};
    } else if (line.kind == LineKind::kKey && current != nullptr) {
      current->keys.try_emplace(Folded(line.name), i);  // the first occurrence wins
    }
  }
}

std::string IniDocument::Serialize() const {
  std::string out;
  for (const IniLine& line : lines_) {
    out += line.text;
    out += line.eol;
  }
  return out;
}

std::optional<SectionRange> IniDocument::FindSection(std::string_view section) const {
  auto it = sections_.find(Folded(section));
  if (it == sections_.end()) return std::nullopt;
  return it->second.range;
}

std::optional<size_t> IniDocument::FindKey(const SectionRange& range, std::string_view key) const {
  if (range.header < lines_.size() && lines_[range.header].kind == LineKind::kSection) {
    auto section = sections_.find(Folded(lines_[range.header].name));
    if (section != sections_.end() && section->second.range.header == range.header &&
        section->second.range.end == range.end) {
      auto at = section->second.keys.find(Folded(key));
      if (at == section->second.keys.end()) return std::nullopt;
      return at->second;
    }
  }
  for (size_t i = range.header + 1; i < range.end; ++i) {
    if (lines_[i].kind == LineKind::kKey && EqualsNoCase(lines_[i].name, key)) return i;
  }
  return std::nullopt;
}

void IniDocument::InsertLine(size_t index, std::string text) {
  // The line before must end, or the new one would join it.
  if (index > 0 && lines_[index - 1].eol.empty()) lines_[index - 1].eol = kCrLf;
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(index),
                Classify(std::move(text), std::string(kCrLf)));
}

void IniDocument::SetValue(std::string_view section, std::string_view key, std::string_view value) {
  std::string text = std::string(key) + "=" + std::string(value);
  std::optional<SectionRange> range = FindSection(section);
  if (!range) {
    InsertLine(lines_.size(), "[" + std::string(section) + "]");
    InsertLine(lines_.size(), std::move(text));
  } else if (std::optional<size_t> at = FindKey(*range, key)) {
    std::string eol = lines_[*at].eol;
    lines_[*at] = Classify(std::move(text), std::move(eol));
  } else {
    // After the last non-blank line, so blank lines before the next section stay there.
    size_t insert_at = range->end;
    while (insert_at > range->header + 1 && Trim(lines_[insert_at - 1].text, kSpacesAndTabs).empty())
      --insert_at;
    InsertLine(insert_at, std::move(text));
  }
  Reindex();
}

bool IniDocument::RemoveKey(std::string_view section, std::string_view key) {
  std::optional<SectionRange> range = FindSection(section);
  if (!range) return false;
  bool removed = false;
  for (size_t i = range->end; i-- > range->header + 1;) {
    if (lines_[i].kind == LineKind::kKey && EqualsNoCase(lines_[i].name, key)) {
      lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(i));
      removed = true;
    }
  }
  Reindex();
  return removed;
}

bool IniDocument::RemoveSection(std::string_view section) {
  bool removed = false;
  while (std::optional<SectionRange> range = FindSection(section)) {
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(range->header),
                 lines_.begin() + static_cast<std::ptrdiff_t>(range->end));
    Reindex();
    removed = true;
  }
  return removed;
}

}  // namespace korvale::profile
