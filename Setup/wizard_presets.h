// What the wizard presets from the previous installation: its folder, found
// through "DestinationPath" under either vendor key, and the values of that
// folder's Caldrun.ini. A previous Caldrun.ini with a non-empty HomeServer
// makes the run an upgrade.
//
//   auto folder = FindPreviousFolder(registry::Registry(registry::RegistryFile()));
//   PreviousInstallation previous = folder ? ReadPreviousInstallation(*folder) : PreviousInstallation{};
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "Setup/install_answers.h"
#include "platform/registry/registry.h"

namespace korvale::setup {

inline constexpr std::string_view kUserInfoKey = "Software\\Tarnwick\\Korvale\\UserInfo\\";
inline constexpr std::string_view kOlderUserInfoKey = "Software\\Oskerby\\Korvale\\UserInfo\\";
inline constexpr std::string_view kDestinationPathValue = "DestinationPath";

// The previous installation folder: "DestinationPath" of the current vendor
// key, else of the older one; an empty value counts as missing.
std::optional<std::string> FindPreviousFolder(const registry::Registry& registry);

struct PreviousInstallation {
  std::string folder;  // empty: no previous installation
  DatabaseType database_type = DatabaseType::kAccess;
  std::string datasource;
  std::string home_server;
  int exchange_version = 0;  // MSX2k
  std::string db_user;
  std::string db_password;  // plain
  std::uint32_t lcid = 0;   // 0: none stored
  std::string logon_mailbox;
  std::string logon_server;

  bool upgrade() const { return !home_server.empty(); }
};

// The presets of the installation in `folder` (its Caldrun.ini; a missing
// file gives only the folder).
PreviousInstallation ReadPreviousInstallation(const std::string& folder);

// A stored LCID: decimal, hexadecimal after "0x" or octal after a leading
// "0", read up to the first character that is not a digit of that base, as
// the C library reads numbers with base 0. Nothing readable, a sign or a
// value beyond 32 bits gives 0.
std::uint32_t ParseLcid(std::string_view text);

}  // namespace korvale::setup
