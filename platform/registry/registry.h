// The registry keys the setup and the configuration program read and write
// (the previous installation, the service's event source, the shell folders),
// kept in one small file of keys and typed values: a profile file whose
// section names are full key paths ("HKEY_LOCAL_MACHINE\Software\...") and
// whose entries are value names with "REG_SZ:", "REG_EXPAND_SZ:" or
// "REG_DWORD:" before the value. Key paths and value names are compared
// without regard to case, as the registry compares them.
//
//   registry::Registry reg(registry::RegistryFile());
//   auto path = reg.GetString(registry::kLocalMachine, "Software\\Tarnwick\\Korvale\\UserInfo",
//   "DestinationPath");
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "common/status.h"

namespace korvale::registry {

inline constexpr const char* kLocalMachine = "HKEY_LOCAL_MACHINE";
inline constexpr const char* kCurrentUser = "HKEY_CURRENT_USER";

enum class ValueType { kString, kExpandString, kDword };

struct Value {
  ValueType type = ValueType::kString;
  std::string text;          // REG_SZ, REG_EXPAND_SZ
  std::uint32_t number = 0;  // REG_DWORD
};

class Registry {
 public:
  explicit Registry(std::string file) : file_(std::move(file)) {}

  // The value, or nullopt when the key or value does not exist (a file that
  // cannot be read reads as empty, as an unreadable key does).
  std::optional<Value> Get(const std::string& root, const std::string& key, const std::string& name) const;
  // A string value's text (REG_SZ or REG_EXPAND_SZ, unexpanded); nullopt otherwise.
  std::optional<std::string> GetString(const std::string& root, const std::string& key,
                                       const std::string& name) const;

  // Creates the key as needed and sets the value. Fails, saying which file,
  // when the file cannot be written; nothing else is changed then.
  Status Set(const std::string& root, const std::string& key, const std::string& name, const Value& value);
  Status SetString(const std::string& root, const std::string& key, const std::string& name,
                   const std::string& text) {
    return Set(root, key, name, {ValueType::kString, text, 0});
  }
  Status SetDword(const std::string& root, const std::string& key, const std::string& name,
                  std::uint32_t number) {
    return Set(root, key, name, {ValueType::kDword, "", number});
  }
  // Removes a key with its values (not its sub-keys); a missing key is no failure.
  Status DeleteKey(const std::string& root, const std::string& key);

  const std::string& file() const { return file_; }

 private:
  std::string file_;
};

// The registry file in use: KORVALE_REGISTRY when set; else
// /var/lib/korvale/registry.ini for the system administrator, and
// $XDG_CONFIG_HOME/korvale/registry.ini (~/.config/...) for anyone else.
std::string RegistryFile();

// The root "HKLM" or "HKEY_LOCAL_MACHINE" (and the same for HKCU) as its full
// name; empty for a root this registry does not keep.
std::string RootName(const std::string& root);

}  // namespace korvale::registry
