#include "Setup/cabinet_extraction.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "platform/cabinet/cabinet.h"

namespace korvale::setup {
namespace fs = std::filesystem;
namespace {

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

// The entry's place below the folder; empty for a name that would leave it
// (absolute, or with a ".." part), which a damaged or hostile cabinet may hold.
fs::path RelativeTarget(const std::string& name) {
  std::string path = name;
  std::replace(path.begin(), path.end(), '\\', '/');
  const fs::path relative(path);
  if (path.empty() || relative.is_absolute()) return {};
  for (const auto& part : relative) {
    if (part == "..") return {};
  }
  return relative.lexically_normal();
}

fs::file_time_type FileTime(std::time_t time) {
  return std::chrono::file_clock::from_sys(std::chrono::system_clock::from_time_t(time));
}

std::time_t TimeOf(const fs::path& file) {
  std::error_code ec;
  const auto time = fs::last_write_time(file, ec);
  if (ec) return 0;
  return std::chrono::system_clock::to_time_t(std::chrono::file_clock::to_sys(time));
}

std::string DateText(std::time_t time) {
  std::tm tm{};
  localtime_r(&time, &tm);
  char text[32];
  std::strftime(text, sizeof(text), "%Y-%m-%d %H:%M:%S", &tm);
  return text;
}

std::string SizeAndDate(std::uint64_t size, std::time_t time) {
  return std::to_string(size) + " Bytes, " + DateText(time);
}

// A program keeps running after extraction: the format has an execute bit
// that cabinet makers rarely set, so a file that starts as a program does is one too.
bool IsProgram(const fs::path& file, int attributes) {
  if (attributes & cabinet::kAttribExecute) return true;
  std::ifstream in(file, std::ios::binary);
  char head[4] = {};
  in.read(head, sizeof(head));
  return (in.gcount() == 4 && head[0] == 0x7f && head[1] == 'E' && head[2] == 'L' && head[3] == 'F') ||
         (in.gcount() >= 2 && head[0] == '#' && head[1] == '!');
}

void SetDateAndAttributes(const fs::path& file, const cabinet::CabinetEntry& entry) {
  std::error_code ec;
  mode_t mode = IsProgram(file, entry.attributes) ? 0755 : 0644;
  if (entry.attributes & cabinet::kAttribReadOnly) mode &= ~static_cast<mode_t>(0222);
  fs::permissions(file, static_cast<fs::perms>(mode), ec);
  fs::last_write_time(file, FileTime(entry.LocalTime()), ec);
}

class Extraction {
 public:
  Extraction(cabinet::Cabinet& cab, fs::path folder, SetupUi& ui)
      : cab_(cab), folder_(std::move(folder)), ui_(ui) {}

  // False at the first entry that cannot be written.
  bool Run() {
    const auto& entries = cab_.entries();
    for (size_t i = 0; i < entries.size(); ++i) {
      const fs::path relative = RelativeTarget(entries[i].name);
      if (relative.empty()) return false;
      const fs::path target = folder_ / relative;
      if (!ShouldWrite(entries[i], target)) continue;
      if (!Write(i, target)) return false;
      SetDateAndAttributes(target, entries[i]);
    }
    return true;
  }

 private:
  bool ShouldWrite(const cabinet::CabinetEntry& entry, const fs::path& target) {
    std::error_code ec;
    if (!fs::exists(target, ec)) return true;
    if (IsSiteSettingsFile(entry.name)) return false;  // the site's own settings stay
    if (yes_to_all_) return true;
    if (no_to_all_) return false;
    const std::uint64_t size = fs::file_size(target, ec);
    const std::time_t time = TimeOf(target);
    if (size == entry.size && time == entry.LocalTime()) return true;  // identical: replaced silently
    FileReplaceQuestion question;
    question.folder = target.parent_path().string();
    question.file_name = target.filename().string();
    question.heading =
        "The folder '" + question.folder + "' already contains a file named '" + question.file_name + "'";
    question.existing = SizeAndDate(size, time);
    question.replacement = SizeAndDate(entry.size, entry.LocalTime());
    question.existing_size = size;
    question.replacement_size = entry.size;
    switch (ui_.ConfirmFileReplace(question)) {
      case ReplaceAnswer::kYes: return true;
      case ReplaceAnswer::kNo: return false;
      case ReplaceAnswer::kYesToAll: yes_to_all_ = true; return true;
      case ReplaceAnswer::kNoToAll: no_to_all_ = true; return false;
    }
    return false;
  }

  bool Write(size_t index, const fs::path& target) {
    std::error_code ec;
    fs::remove(target, ec);  // the old file goes first, so a read-only one does not block
    if (cab_.Extract(index, target.string()).ok()) return true;
    // The entry's folder may not exist yet: create it and try once more.
    fs::create_directories(target.parent_path(), ec);
    return cab_.Extract(index, target.string()).ok();
  }

  cabinet::Cabinet& cab_;
  fs::path folder_;
  SetupUi& ui_;
  bool yes_to_all_ = false;
  bool no_to_all_ = false;
};

}  // namespace

bool IsSiteSettingsFile(const std::string& cabinet_name) {
  const std::string name = Upper(cabinet_name);
  return name == "KORVALE\\CONFIG.INC" || name == "KORVALE\\CANMODIF.INC";
}

bool ExtractCabinet(const std::string& cabinet_path, const std::string& folder, SetupUi& ui) {
  auto cab = cabinet::Cabinet::Open(cabinet_path);
  if (!cab.ok()) {
    std::string text;
    switch (static_cast<cabinet::CabinetError>(cab.status().code())) {
      case cabinet::CabinetError::kMissing: text = "Can't find " + cabinet_path + "."; break;
      case cabinet::CabinetError::kCorrupt: text = "Cabinet- File " + cabinet_path + " is corrupt."; break;
      default: text = "Cabinet- File " + cabinet_path + " cannot be opened"; break;
    }
    ui.ShowMessage(text, kSetupErrorTitle, MessageIcon::kError);
    return false;
  }
  Extraction extraction(**cab, folder, ui);
  if (!extraction.Run()) {
    ui.ShowMessage("Copying files from cabinet\n" + cabinet_path + " failed.", kSetupErrorTitle,
                   MessageIcon::kError);
    return false;
  }
  return true;
}

}  // namespace korvale::setup
