#include "config/settings_writer.h"

#include "common/settings_keys.h"
#include "platform/profile/profile.h"

namespace korvale::config {

void SettingsWriter::Text(const std::string& section, const std::string& key, const std::string& value) {
  if (!failed_) failed_ = !profile::WriteString(path_, section, key, value);
}

void SettingsWriter::Text(const std::string& key, const std::string& value) {
  Text(settings_keys::kConfigSection, key, value);
}

void SettingsWriter::Int(const std::string& key, int value) { Text(key, std::to_string(value)); }

void SettingsWriter::Remove(const std::string& section, const std::string& key) {
  if (!failed_) failed_ = !profile::RemoveKey(path_, section, key);
}

void SettingsWriter::Remove(const std::string& key) { Remove(settings_keys::kConfigSection, key); }

void SettingsWriter::RemoveSection(const std::string& section) {
  if (!failed_) failed_ = !profile::RemoveSection(path_, section);
}

}  // namespace korvale::config
