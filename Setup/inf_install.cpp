#include "Setup/inf_install.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <filesystem>
#include <system_error>

#include "platform/profile/profile.h"

namespace korvale::setup {
namespace fs = std::filesystem;
namespace {

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

std::string Field(const InfLine& line, size_t index) {
  return index < line.fields.size() ? line.fields[index] : std::string();
}

// INF paths use backslashes; the folders here use slashes.
std::string LocalPath(std::string path) {
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

// The folder a file list's files go to: its [DestinationDirs] line, else DefaultDestDir.
Expected<fs::path> DestinationFolder(const InfFile& inf, const std::string& list, const InfTargets& targets) {
  const InfLine* chosen = nullptr;
  const auto lines = inf.Lines("DestinationDirs");
  for (const auto& line : lines) {
    if (Upper(line.key) == Upper(list)) chosen = &line;
  }
  if (chosen == nullptr) {
    for (const auto& line : lines) {
      if (Upper(line.key) == "DEFAULTDESTDIR") chosen = &line;
    }
  }
  if (chosen == nullptr) return Status::Error("No destination folder is given for " + list + ".");
  int id = 0;
  const std::string text = Field(*chosen, 0);
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), id);
  if (ec != std::errc() || end != text.data() + text.size()) {
    return Status::Error("The destination of " + list + " is not a directory identifier: " + text);
  }
  auto folder = targets.dirids.find(id);
  if (folder == targets.dirids.end())
    return Status::Error("The directory identifier " + text + " is not known.");
  fs::path path = folder->second;
  if (!Field(*chosen, 1).empty()) path /= LocalPath(Field(*chosen, 1));
  return path;
}

struct FileToCopy {
  fs::path source;
  fs::path target;
};

Status CopyOne(const FileToCopy& file) {
  std::error_code ec;
  if (!fs::is_regular_file(file.source, ec)) return Status::Error("Can't find " + file.source.string() + ".");
  if (fs::exists(file.target, ec) &&
      fs::last_write_time(file.target, ec) > fs::last_write_time(file.source, ec)) {
    return Status::Ok();  // force-newer: a newer file in place stays
  }
  fs::create_directories(file.target.parent_path(), ec);
  const fs::path temporary = file.target.string() + ".korvale-new";
  fs::copy_file(file.source, temporary, fs::copy_options::overwrite_existing, ec);
  if (!ec) fs::last_write_time(temporary, fs::last_write_time(file.source), ec);
  if (!ec) fs::rename(temporary, file.target, ec);
  if (ec) {
    fs::remove(temporary);
    return Status::Error("The file " + file.target.string() + " could not be written: " + ec.message());
  }
  return Status::Ok();
}

Expected<std::vector<FileToCopy>> FilesToCopy(const InfFile& inf, const std::string& section,
                                              const InfTargets& targets) {
  std::vector<FileToCopy> files;
  const fs::path source_dir = targets.source_dir;
  for (const std::string& list : inf.Values(section, "CopyFiles")) {
    if (list.front() == '@') {  // a single file into the default folder
      auto folder = DestinationFolder(inf, "DefaultDestDir", targets);
      if (!folder.ok()) return folder.status();
      const std::string name = LocalPath(list.substr(1));
      files.push_back({source_dir / name, *folder / name});
      continue;
    }
    if (!inf.HasSection(list)) return Status::Error("The file list " + list + " is missing.");
    auto folder = DestinationFolder(inf, list, targets);
    if (!folder.ok()) return folder.status();
    for (const InfLine& line : inf.Lines(list)) {
      const std::string target = LocalPath(Field(line, 0));
      if (target.empty()) continue;
      const std::string source = Field(line, 1).empty() ? target : LocalPath(Field(line, 1));
      files.push_back({source_dir / source, *folder / target});
    }
  }
  return files;
}

Status UpdateIni(const InfLine& line, const InfTargets& targets) {
  auto file = ExpandDirIds(LocalPath(Field(line, 0)), targets.dirids);
  if (!file.ok()) return file.status();
  fs::path path = *file;
  auto folder = targets.dirids.find(kDirIdInstallation);
  if (path.is_relative() && folder != targets.dirids.end()) path = fs::path(folder->second) / path;
  const std::string section = Field(line, 1);
  auto entry = ExpandDirIds(Field(line, 3), targets.dirids);
  if (!entry.ok()) return entry.status();
  const std::string old_entry = Field(line, 2);
  bool written = true;
  if (const auto eq = entry->find('='); eq != std::string::npos) {
    written = profile::WriteString(path.string(), section, entry->substr(0, eq), entry->substr(eq + 1));
  } else if (const auto old_eq = old_entry.find('='); !old_entry.empty()) {
    written = profile::RemoveKey(path.string(), section, old_entry.substr(0, old_eq));
  }
  if (!written) return Status::Error("The file " + path.string() + " could not be written.");
  return Status::Ok();
}

Status AddRegistryValue(const InfLine& line, const InfTargets& targets) try {
  const std::string flags_text = Field(line, 3);
  unsigned long flags = 0;
  if (!flags_text.empty()) flags = std::stoul(flags_text, nullptr, 0);
  auto data = ExpandDirIds(Field(line, 4), targets.dirids);
  if (!data.ok()) return data.status();
  registry::Value value;
  if (flags == 0x00010001) {
    value.type = registry::ValueType::kDword;
    value.number = static_cast<std::uint32_t>(std::stoul(data->empty() ? "0" : *data, nullptr, 0));
  } else {
    value.type = flags == 0x00020000 ? registry::ValueType::kExpandString : registry::ValueType::kString;
    value.text = *data;
  }
  return targets.registry.Set(Field(line, 0), Field(line, 1), Field(line, 2), value);
} catch (const std::exception&) {  // a flag or number that does not parse (std::stoul)
  return Status::Error("The registry entry for " + Field(line, 1) + " is malformed.");
}

}  // namespace

Status CopyInfFileSet(const InfFile& inf, const std::string& section, const InfTargets& targets,
                      SetupUi& ui) {
  if (!inf.HasSection(section)) return Status::Error("The section " + section + " is missing.");
  auto files = FilesToCopy(inf, section, targets);
  if (!files.ok()) return files.status();
  const int total = static_cast<int>(files->size());
  for (int i = 0; i < total; ++i) {
    const FileToCopy& file = (*files)[i];
    ui.ShowProgress(file.target.string(), i, total);
    if (Status copied = CopyOne(file); !copied.ok()) {
      ui.CloseProgress();
      return copied;
    }
  }
  ui.ShowProgress("", total, total);
  ui.CloseProgress();
  return Status::Ok();
}

Status ApplyInfEntries(const InfFile& inf, const std::string& section, const InfTargets& targets) {
  Status first;
  auto keep_first = [&first](Status status) {
    if (first.ok() && !status.ok()) first = std::move(status);
  };
  for (const std::string& list : inf.Values(section, "UpdateInis")) {
    for (const InfLine& line : inf.Lines(list)) keep_first(UpdateIni(line, targets));
  }
  for (const std::string& list : inf.Values(section, "AddReg")) {
    for (const InfLine& line : inf.Lines(list)) keep_first(AddRegistryValue(line, targets));
  }
  for (const std::string& list : inf.Values(section, "DelReg")) {
    for (const InfLine& line : inf.Lines(list)) {
      keep_first(targets.registry.DeleteKey(Field(line, 0), Field(line, 1)));
    }
  }
  return first;
}

}  // namespace korvale::setup
