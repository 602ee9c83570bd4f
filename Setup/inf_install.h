// Applying one install section of the setup information file: its file set
// (CopyFiles) copied from the installation medium into the folders of
// [DestinationDirs], then its INI entries (UpdateInis) and registry entries
// (AddReg, DelReg).
//
//   InfTargets targets{setup_dir, {{kDirIdInstallation, folder}}, registry};
//   Status copied = CopyInfFileSet(inf, "KorvaleInstall.eng", targets, ui);
#pragma once

#include <map>
#include <string>

#include "Setup/inf_file.h"
#include "Setup/setup_ui.h"
#include "common/status.h"
#include "platform/registry/registry.h"

namespace korvale::setup {

// The directory identifier the setup gives the installation folder.
inline constexpr int kDirIdInstallation = 65600;
// The standard identifier of the folder the INF file was read from.
inline constexpr int kDirIdSource = 1;

struct InfTargets {
  std::string source_dir;             // where the file set's files lie (the medium)
  std::map<int, std::string> dirids;  // directory identifier -> folder
  registry::Registry& registry;
};

// Copies every file of the section's CopyFiles lists. A target newer than
// the medium's file is kept (force-newer); a file is written beside its
// target and renamed over it, so a program in use is replaced without a
// restart. Progress goes to `ui`. Fails at the first file that cannot be
// copied, saying which and why; the files copied before stay.
Status CopyInfFileSet(const InfFile& inf, const std::string& section, const InfTargets& targets, SetupUi& ui);

// Applies the section's UpdateInis (ini file, section, old entry, new entry:
// a new "key=value" is written, an old entry alone removes its key; relative
// ini files lie in the installation folder) and its AddReg and DelReg lines
// (root, key, value name, flags, value; flags 0 string, 0x20000 expandable
// string, 0x10001 number). Goes on over a line that fails and reports the
// first failure.
Status ApplyInfEntries(const InfFile& inf, const std::string& section, const InfTargets& targets);

}  // namespace korvale::setup
