#include "config/commands.h"

#include <filesystem>

#include "common/settings_keys.h"
#include "config/include_file.h"
#include "config/load_settings.h"

namespace korvale::config {

namespace {

std::string InProgramDir(const std::string& program_dir, const char* name) {
  return (std::filesystem::path(program_dir) / name).string();
}

}  // namespace

int CheckCommand(const std::string& program_dir, DataSourceDefinitions& definitions, ConfigUi& ui,
                 std::ostream& out) {
  const std::string ini = InProgramDir(program_dir, settings_keys::kFileName);
  ConfigSettings settings = LoadSettings(ini);
  if (!ValidateSettings(settings, definitions, ui)) return 1;
  out << ini << ": the settings can be saved.\n";
  return 0;
}

int WriteIncludeCommand(const std::string& program_dir, DataSourceDefinitions& definitions,
                        AdminUsersExpander& admin_users, ConfigUi& ui, std::ostream& out) {
  ConfigSettings settings = LoadSettings(InProgramDir(program_dir, settings_keys::kFileName));
  if (!ValidateSettings(settings, definitions, ui)) return 1;
  std::string expanded;
  if (!settings.admin_users.empty()) {
    WaitCursor wait(ui);
    AdminExpansion expansion = admin_users.Expand(settings.admin_users, ui);
    if (expansion.outcome == AdminExpansion::Outcome::kSaveEnded) return 1;
    expanded = expansion.expanded;
  }
  Status written = WriteIncludeFile(settings, expanded, program_dir);
  if (!written.ok()) {
    ui.ShowMessage(written.message(), kFileErrorTitle, MessageIcon::kError);
    return 1;
  }
  out << "Wrote " << InProgramDir(program_dir, kIncludeFileName) << "\n";
  return 0;
}

}  // namespace korvale::config
