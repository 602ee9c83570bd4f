// The private-profile calls on top of IniDocument; see profile.h.
#include "platform/profile/profile.h"

#include <climits>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "common/text.h"
#include "common/utf8.h"
#include "platform/profile/ini_document.h"
#include "platform/profile/profile_file.h"

namespace korvale::profile {
namespace {

// Limits count characters and a cut never falls inside a sequence; a byte
// that starts no UTF-8 sequence is one character (text in another code page
// counts byte by byte, as it reads).
size_t CharCount(std::string_view s) { return Utf8Length(s, IllFormed::kEachByte); }

std::string CutChars(std::string_view s, size_t max_chars) {
  return std::string(Utf8Prefix(s, max_chars, IllFormed::kEachByte));
}

bool HasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

// Names that could not be read back as written are refused rather than
// written into a file they would garble.
bool IsWritableSection(std::string_view section) {
  return !HasLineBreak(section) && section.find(']') == std::string_view::npos &&
         Trim(section, kSpacesAndTabs) == section;
}

bool IsWritableKey(std::string_view key) {
  return !key.empty() && !HasLineBreak(key) && key.find('=') == std::string_view::npos &&
         key.front() != '[' && key.front() != ';' && Trim(key, kSpacesAndTabs) == key;
}

template <typename Edit>
bool Rewrite(const std::string& file, Edit edit) {
  Expected<std::string> bytes = ReadProfileFile(file);
  if (!bytes.ok()) return false;
  IniDocument doc = IniDocument::Parse(*bytes);
  if (!edit(doc)) return true;  // nothing to change: leave the file alone
  return ReplaceProfileFile(file, doc.Serialize()).ok();
}

}  // namespace

ProfileSnapshot::ProfileSnapshot(const std::string& file) {
  Expected<std::string> bytes = ReadProfileFile(file);
  std::error_code ec;
  exists_ = std::filesystem::exists(file, ec);
  readable_ = bytes.ok();
  doc_ = std::make_shared<const IniDocument>(IniDocument::Parse(bytes.ok() ? *bytes : std::string()));
}

bool ProfileSnapshot::HasSection(const std::string& section) const {
  return doc_->FindSection(section).has_value();
}

bool ProfileSnapshot::EndsInsideLine() const {
  const std::vector<IniLine>& lines = doc_->lines();
  return !lines.empty() && lines.back().eol.empty() && !lines.back().text.empty();
}

std::string ProfileSnapshot::GetString(const std::string& section, const std::string& key,
                                       const std::string& default_value, size_t buffer_size) const {
  if (buffer_size == 0) return std::string();
  const IniDocument& doc = *doc_;
  std::string_view value = default_value;
  std::optional<SectionRange> range = doc.FindSection(section);
  std::optional<size_t> at = range ? doc.FindKey(*range, key) : std::nullopt;
  if (at) value = doc.line(*at).value;
  return CutChars(value, buffer_size - 1);
}

int ProfileSnapshot::GetInt(const std::string& section, const std::string& key, int default_value) const {
  const IniDocument& doc = *doc_;
  std::optional<SectionRange> range = doc.FindSection(section);
  std::optional<size_t> at = range ? doc.FindKey(*range, key) : std::nullopt;
  if (!at) return default_value;
  std::string_view text = Trim(doc.line(*at).value, kSpacesAndTabs);
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  // Accumulate as a negative number so INT_MIN is reachable; clamp on overflow.
  long long magnitude = 0;
  for (char c : text) {
    if (c < '0' || c > '9') break;
    magnitude = magnitude * 10 + (c - '0');
    if (magnitude > static_cast<long long>(INT_MAX) + 1) magnitude = static_cast<long long>(INT_MAX) + 1;
  }
  long long result = negative ? -magnitude : magnitude;
  if (result > INT_MAX) return INT_MAX;
  if (result < INT_MIN) return INT_MIN;
  return static_cast<int>(result);
}

std::vector<std::string> ProfileSnapshot::GetKeyNames(const std::string& section, size_t buffer_size) const {
  std::vector<std::string> names;
  if (buffer_size < 2) return names;
  const IniDocument& doc = *doc_;
  std::optional<SectionRange> range = doc.FindSection(section);
  if (!range) return names;
  // The Windows buffer holds each name with its zero plus one closing zero.
  size_t room = buffer_size - 1;
  for (size_t i = range->header + 1; i < range->end && room > 0; ++i) {
    const IniLine& line = doc.line(i);
    if (line.kind != LineKind::kKey || doc.FindKey(*range, line.name) != i) continue;
    const size_t chars = CharCount(line.name);
    if (chars + 1 <= room) {
      names.push_back(line.name);
      room -= chars + 1;
      continue;
    }
    std::string cut = CutChars(line.name, room - 1);
    if (!cut.empty()) names.push_back(std::move(cut));
    break;
  }
  return names;
}

std::vector<std::string> ProfileSnapshot::GetSectionNames() const {
  const IniDocument& doc = *doc_;
  std::vector<std::string> names;
  for (size_t i = 0; i < doc.lines().size(); ++i) {
    const IniLine& line = doc.line(i);
    if (line.kind == LineKind::kSection && doc.FindSection(line.name)->header == i) {
      names.push_back(line.name);
    }
  }
  return names;
}

std::string GetString(const std::string& file, const std::string& section, const std::string& key,
                      const std::string& default_value, size_t buffer_size) {
  return ProfileSnapshot(file).GetString(section, key, default_value, buffer_size);
}

int GetInt(const std::string& file, const std::string& section, const std::string& key, int default_value) {
  return ProfileSnapshot(file).GetInt(section, key, default_value);
}

std::vector<std::string> GetKeyNames(const std::string& file, const std::string& section,
                                     size_t buffer_size) {
  return ProfileSnapshot(file).GetKeyNames(section, buffer_size);
}

std::vector<std::string> GetSectionNames(const std::string& file) {
  return ProfileSnapshot(file).GetSectionNames();
}

bool WriteString(const std::string& file, const std::string& section, const std::string& key,
                 const std::string& value) {
  if (!IsWritableSection(section) || !IsWritableKey(key) || HasLineBreak(value)) return false;
  return Rewrite(file, [&](IniDocument& doc) {
    doc.SetValue(section, key, value);
    return true;
  });
}

bool RemoveKey(const std::string& file, const std::string& section, const std::string& key) {
  return Rewrite(file, [&](IniDocument& doc) { return doc.RemoveKey(section, key); });
}

bool RemoveSection(const std::string& file, const std::string& section) {
  return Rewrite(file, [&](IniDocument& doc) { return doc.RemoveSection(section); });
}

}  // namespace korvale::profile
