// Private-profile (INI) files with the semantics the settings readers and
// writers rely on: sections and keys compared without regard to case, the
// first occurrence wins, blanks around names and values trimmed, a value in
// matching double quotes read without them, bytes kept as they are, CRLF line
// ends when written, a missing file reads as empty and is created by the first
// write. Every write replaces the file through a new file renamed over it, so
// a failed write never loses the rest of the file.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace korvale::profile {

class IniDocument;

// One reading of a profile file, for callers that look up many values: the
// file is read and indexed once, and every lookup then costs what it costs in
// a short file, so reading all the settings stays linear in the file's size.
// Lookups follow the free functions below; later changes of the file are not
// seen. A file that does not exist or cannot be read reads as empty.
//
//   ProfileSnapshot ini(path);
//   int days = ini.GetInt("Config", "DaysPast", 15);
class ProfileSnapshot {
 public:
  explicit ProfileSnapshot(const std::string& file);

  std::string GetString(const std::string& section, const std::string& key, const std::string& default_value,
                        size_t buffer_size) const;
  int GetInt(const std::string& section, const std::string& key, int default_value) const;
  std::vector<std::string> GetKeyNames(const std::string& section, size_t buffer_size = 32767) const;
  std::vector<std::string> GetSectionNames() const;

  // What a reader may want to warn about: whether the file was there and
  // could be read, and whether its last line lacks a line end (a file cut off
  // while being written or copied).
  bool exists() const { return exists_; }
  bool readable() const { return readable_; }
  bool HasSection(const std::string& section) const;
  bool EndsInsideLine() const;

 private:
  std::shared_ptr<const IniDocument> doc_;
  bool exists_ = false;
  bool readable_ = false;
};

// The value of [section] key, or `default_value` when the section or key is
// missing; cut to `buffer_size` - 1 characters (a UTF-8 sequence counts as
// one character and is never split; any other byte counts as one).
std::string GetString(const std::string& file, const std::string& section, const std::string& key,
                      const std::string& default_value, size_t buffer_size);

// The value read as a decimal integer: optional sign, then leading digits; a
// value that does not start with digits gives 0; a missing key gives the default.
int GetInt(const std::string& file, const std::string& section, const std::string& key, int default_value);

// All key names of a section in file order (duplicates kept once, first wins),
// with the total length of the names (each plus its terminating zero) cut to
// `buffer_size` - 1 characters as the Windows call would.
std::vector<std::string> GetKeyNames(const std::string& file, const std::string& section,
                                     size_t buffer_size = 32767);

// All section names in file order.
std::vector<std::string> GetSectionNames(const std::string& file);

// Writes [section] key=value (creating file and section as needed). Returns
// false when the file could not be written; the old file is then unchanged.
bool WriteString(const std::string& file, const std::string& section, const std::string& key,
                 const std::string& value);

// Removes the key (the Windows "write without value").
bool RemoveKey(const std::string& file, const std::string& section, const std::string& key);

// Removes the whole section.
bool RemoveSection(const std::string& file, const std::string& section);

}  // namespace korvale::profile
