// The previous installation: its folder from the registry ("DestinationPath"
// under either vendor's UserInfo key) and the answers its Caldrun.ini
// presets, so that the wizard starts from them and an upgrade is known.
#pragma once

#include <optional>
#include <string>

#include "Setup/install_answers.h"
#include "platform/registry/registry.h"

namespace korvale::setup {

// The previous installation folder, or nullopt when neither key holds one.
std::optional<std::string> PreviousInstallationFolder(const registry::Registry& registry);

// Presets `answers` from the Caldrun.ini of `folder`: DB, the database type,
// HomeServer (non-empty: `upgrade`), MSX2k, DBUserName, the password from
// GUID2, LCID (decimal, 0x hexadecimal or 0 octal), LogonMailbox, LogonServer.
// A missing file changes nothing.
void PresetFromSettings(const std::string& folder, InstallAnswers& answers);

}  // namespace korvale::setup
