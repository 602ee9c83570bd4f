// Writes Caldrun.ini key by key through the profile functions and remembers
// the first write that failed, so a save can stop there and say which file.
#pragma once

#include <string>

namespace korvale::config {

class SettingsWriter {
 public:
  explicit SettingsWriter(std::string path) : path_(std::move(path)) {}

  // Each call does nothing once a write has failed.
  void Text(const std::string& section, const std::string& key, const std::string& value);
  void Text(const std::string& key, const std::string& value);  // in [Config]
  void Int(const std::string& key, int value);
  void Flag(const std::string& key, bool value) { Int(key, value ? 1 : 0); }
  void Remove(const std::string& section, const std::string& key);
  void Remove(const std::string& key);  // in [Config]
  void RemoveSection(const std::string& section);

  bool failed() const { return failed_; }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  bool failed_ = false;
};

}  // namespace korvale::config
