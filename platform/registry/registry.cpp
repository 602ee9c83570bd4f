#include "platform/registry/registry.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <string_view>

#include "platform/profile/profile.h"

namespace korvale::registry {
namespace {

constexpr size_t kValueBuffer = 32768;

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

// The profile section of a key: root and path joined, slashes and doubled
// backslashes folded so that one key has one section.
std::string Section(const std::string& root, const std::string& key) {
  std::string path = RootName(root);
  path += '\\';
  for (char c : key) {
    const char ch = c == '/' ? '\\' : c;
    if (ch == '\\' && path.back() == '\\') continue;
    path += ch;
  }
  while (!path.empty() && path.back() == '\\') path.pop_back();
  return path;
}

// The default value ("") has no name in a profile file; "@" stands for it, as in .reg files.
std::string ValueName(const std::string& name) { return name.empty() ? "@" : name; }

std::optional<Value> Parse(std::string_view stored) {
  const auto colon = stored.find(':');
  if (colon == std::string_view::npos) return std::nullopt;
  const std::string type = Upper(std::string(stored.substr(0, colon)));
  const std::string_view data = stored.substr(colon + 1);
  if (type == "REG_SZ") return Value{ValueType::kString, std::string(data), 0};
  if (type == "REG_EXPAND_SZ") return Value{ValueType::kExpandString, std::string(data), 0};
  if (type == "REG_DWORD") {
    std::uint32_t number = 0;
    const auto [end, ec] = std::from_chars(data.data(), data.data() + data.size(), number);
    if (ec != std::errc() || end != data.data() + data.size()) return std::nullopt;
    return Value{ValueType::kDword, "", number};
  }
  return std::nullopt;
}

std::string Format(const Value& value) {
  switch (value.type) {
    case ValueType::kString: return "REG_SZ:" + value.text;
    case ValueType::kExpandString: return "REG_EXPAND_SZ:" + value.text;
    case ValueType::kDword: return "REG_DWORD:" + std::to_string(value.number);
  }
  return {};
}

bool HasLineBreak(const std::string& text) { return text.find_first_of("\r\n") != std::string::npos; }

}  // namespace

std::string RootName(const std::string& root) {
  const std::string upper = Upper(root);
  if (upper == "HKLM" || upper == kLocalMachine) return kLocalMachine;
  if (upper == "HKCU" || upper == kCurrentUser) return kCurrentUser;
  return {};
}

std::optional<Value> Registry::Get(const std::string& root, const std::string& key,
                                   const std::string& name) const {
  if (RootName(root).empty()) return std::nullopt;
  // A value that is missing reads as the default; a default no stored value can have tells them apart.
  static constexpr const char* kMissing = "\n";
  const std::string stored =
      profile::GetString(file_, Section(root, key), ValueName(name), kMissing, kValueBuffer);
  if (stored == kMissing) return std::nullopt;
  return Parse(stored);
}

std::optional<std::string> Registry::GetString(const std::string& root, const std::string& key,
                                               const std::string& name) const {
  const auto value = Get(root, key, name);
  if (!value || value->type == ValueType::kDword) return std::nullopt;
  return value->text;
}

Status Registry::Set(const std::string& root, const std::string& key, const std::string& name,
                     const Value& value) {
  if (RootName(root).empty()) return Status::Error("The registry root " + root + " is not kept here.");
  // A line break would end the value early and garble the file.
  if (HasLineBreak(value.text) || HasLineBreak(key) || HasLineBreak(name)) {
    return Status::Error("A registry value cannot hold a line break.");
  }
  const std::filesystem::path file(file_);
  std::error_code ec;
  if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path(), ec);
  if (!profile::WriteString(file_, Section(root, key), ValueName(name), Format(value))) {
    return Status::Error("The registry file " + file_ + " could not be written.");
  }
  return Status::Ok();
}

Status Registry::DeleteKey(const std::string& root, const std::string& key) {
  if (RootName(root).empty()) return Status::Ok();
  if (!std::filesystem::exists(file_)) return Status::Ok();
  if (!profile::RemoveSection(file_, Section(root, key))) {
    return Status::Error("The registry file " + file_ + " could not be written.");
  }
  return Status::Ok();
}

std::string RegistryFile() {
  if (const char* file = std::getenv("KORVALE_REGISTRY"); file != nullptr && *file != '\0') return file;
  if (geteuid() == 0) return "/var/lib/korvale/registry.ini";
  if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && *config != '\0') {
    return std::string(config) + "/korvale/registry.ini";
  }
  const char* home = std::getenv("HOME");
  return std::string(home != nullptr ? home : ".") + "/.config/korvale/registry.ini";
}

}  // namespace korvale::registry
