#include "Setup/desktop_link.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace korvale::setup {
namespace fs = std::filesystem;
namespace {

constexpr const char* kShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

std::string Home() {
  const char* home = std::getenv("HOME");
  return home != nullptr ? home : "";
}

// XDG_DESKTOP_DIR="$HOME/Desktop" from user-dirs.dirs, with $HOME replaced.
std::string XdgDesktopFolder() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  const fs::path dirs =
      (config != nullptr && *config != '\0' ? fs::path(config) : fs::path(Home()) / ".config") /
      "user-dirs.dirs";
  std::ifstream in(dirs);
  for (std::string line; std::getline(in, line);) {
    static constexpr std::string_view kKey = "XDG_DESKTOP_DIR=";
    if (line.rfind(kKey, 0) != 0) continue;
    std::string value = line.substr(kKey.size());
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
      value = value.substr(1, value.size() - 2);
    if (value.rfind("$HOME", 0) == 0) value = Home() + value.substr(5);
    if (!value.empty() && value.front() == '/') return value;
  }
  return (fs::path(Home()) / "Desktop").string();
}

// One word of an Exec line: quoted, with the characters the desktop entry
// format reserves escaped, then escaped once more as a string value.
std::string ExecWord(const std::string& word) {
  std::string quoted = "\"";
  for (char c : word) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
    if (c == '%') quoted += '%';
    quoted += c;
  }
  quoted += '"';
  std::string value;
  for (char c : quoted) {
    if (c == '\\') value += '\\';
    value += c;
  }
  return value;
}

// A string value keeps to one line.
std::string OneLine(const std::string& text) {
  std::string out;
  for (char c : text) out += (c == '\n' || c == '\r') ? ' ' : c;
  return out;
}

}  // namespace

std::string DesktopFolder(const registry::Registry& registry) {
  auto folder = registry.GetString(registry::kCurrentUser, kShellFolders, "Desktop");
  if (folder && !folder->empty()) return *folder;
  return XdgDesktopFolder();
}

std::string DesktopEntryText(const std::string& folder) {
  const std::string program = (fs::path(folder) / "KorvaleCfg").string();
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=Korvale Configuration\n"
         "Comment=Korvale Configuration\n"
         "Exec=" +
         ExecWord(OneLine(program)) +
         "\n"
         "Path=" +
         OneLine(folder) +
         "\n"
         "Terminal=false\n";
}

bool CreateDesktopLink(const std::string& folder, const registry::Registry& registry, SetupUi& ui) {
  const fs::path desktop = DesktopFolder(registry);
  const fs::path link = desktop / "Korvale Configuration.desktop";
  std::error_code ec;
  fs::create_directories(desktop, ec);
  bool written = false;
  {
    std::ofstream out(link, std::ios::binary | std::ios::trunc);
    out << DesktopEntryText(folder);
    written = static_cast<bool>(out.flush());
  }
  // Desktops start only links their owner may run.
  if (written) fs::permissions(link, fs::perms::owner_exec, fs::perm_options::add, ec);
  if (!written) {
    ui.ShowMessage("A link to the Korvale Configuration Program could not be created on the Desktop.",
                   kSetupErrorTitle, MessageIcon::kError);
  }
  return written;
}

}  // namespace korvale::setup
