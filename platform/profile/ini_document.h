// The lines of one INI file, parsed without losing a byte: every line keeps
// its own text and line end, so a file written back after one change differs
// from the original only in the changed line. Sections and keys are indexed
// by their folded names, so a lookup costs the same in a file of millions of
// lines as in a short one. Used by profile.cpp only.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace korvale::profile {

enum class LineKind { kOther, kSection, kKey };

struct IniLine {
  std::string text;  // the bytes of the line without its line end
  std::string eol;   // "\r\n", "\n", "\r" or "" for the last line
  LineKind kind = LineKind::kOther;
  std::string name;   // section or key name, trimmed
  std::string value;  // key value, trimmed, quotes removed
};

// Half-open range of line indexes [begin, end): the header and its lines.
struct SectionRange {
  size_t header = 0;
  size_t end = 0;
};

class IniDocument {
 public:
  static IniDocument Parse(std::string_view bytes);
  std::string Serialize() const;

  // The first section with this name (without regard to case).
  std::optional<SectionRange> FindSection(std::string_view section) const;
  // The index of the first line of that key in the range (a range that
  // FindSection gave is looked up in the index, any other one line by line).
  std::optional<size_t> FindKey(const SectionRange& range, std::string_view key) const;
  const IniLine& line(size_t index) const { return lines_[index]; }
  const std::vector<IniLine>& lines() const { return lines_; }

  // Replaces the first occurrence of the key or appends it to its section,
  // appending the section when missing.
  void SetValue(std::string_view section, std::string_view key, std::string_view value);
  // Removes every line of the key in the first section of that name; false
  // when there was none.
  bool RemoveKey(std::string_view section, std::string_view key);
  // Removes every section of that name with its lines; false when none.
  bool RemoveSection(std::string_view section);

 private:
  // The first section of a folded name with the first line of each folded key in it.
  struct SectionIndex {
    SectionRange range;
    std::unordered_map<std::string, size_t> keys;
  };

  void InsertLine(size_t index, std::string text);
  // Rebuilds the index after the lines changed.
  void Reindex();
  std::vector<IniLine> lines_;
  std::unordered_map<std::string, SectionIndex> sections_;
};

}  // namespace korvale::profile
