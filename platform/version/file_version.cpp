// Reading the version note back from an ELF64 file; see file_version.h.
// Every offset and size comes from the file, so each is checked against the
// file's length before use: garbage or a cut-off file gives nullopt.
#include "platform/version/file_version.h"

#include <elf.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string_view>
#include <vector>

namespace korvale {
namespace {

constexpr std::string_view kNoteName("Korvale\0", 8);
constexpr uint32_t kNoteType = 1;
constexpr uint64_t kMaxNoteSection = 1 << 20;  // a notes section is small; refuse absurd sizes

class File {
 public:
  explicit File(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {
    struct stat st {};
    if (fd_ >= 0 && ::fstat(fd_, &st) == 0 && S_ISREG(st.st_mode)) size_ = static_cast<uint64_t>(st.st_size);
  }
  ~File() {
    if (fd_ >= 0) ::close(fd_);
  }
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // `count` bytes at `offset`, or false when they are not all in the file.
  bool Read(uint64_t offset, void* out, uint64_t count) const {
    if (offset > size_ || count > size_ - offset) return false;
    return ::pread(fd_, out, count, static_cast<off_t>(offset)) == static_cast<ssize_t>(count);
  }
  bool ReadBytes(uint64_t offset, uint64_t count, std::vector<unsigned char>& out) const {
    if (offset > size_ || count > size_ - offset) return false;
    out.resize(count);
    return Read(offset, out.data(), count);
  }

 private:
  int fd_;
  uint64_t size_ = 0;
};

uint32_t Le32(const unsigned char* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

std::optional<FileVersion> FindInNotes(const std::vector<unsigned char>& notes, uint64_t align) {
  uint64_t pos = 0;
  auto padded = [align](uint64_t n) { return (n + align - 1) / align * align; };
  while (notes.size() - pos >= 12) {
    uint64_t name_size = Le32(&notes[pos]);
    uint64_t desc_size = Le32(&notes[pos + 4]);
    uint32_t type = Le32(&notes[pos + 8]);
    uint64_t name_at = pos + 12;
    if (padded(name_size) > notes.size() - name_at) return std::nullopt;
    uint64_t desc_at = name_at + padded(name_size);
    if (padded(desc_size) > notes.size() - desc_at) return std::nullopt;
    std::string_view name(reinterpret_cast<const char*>(&notes[name_at]), name_size);
    if (type == kNoteType && name == kNoteName && desc_size >= 8) {
      FileVersion version;
      for (size_t i = 0; i < 4; ++i) {
        version[i] = static_cast<uint16_t>(notes[desc_at + 2 * i] | (notes[desc_at + 2 * i + 1] << 8));
      }
      return version;
    }
    pos = desc_at + padded(desc_size);
  }
  return std::nullopt;
}

}  // namespace

std::optional<FileVersion> ReadFileVersion(const std::string& executable_path) {
  File file(executable_path);
  Elf64_Ehdr header;
  if (!file.Read(0, &header, sizeof header)) return std::nullopt;
  // Programs of this system are little-endian ELF64; anything else has no note of ours.
  if (std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 || header.e_ident[EI_CLASS] != ELFCLASS64 ||
      header.e_ident[EI_DATA] != ELFDATA2LSB || header.e_shentsize != sizeof(Elf64_Shdr)) {
    return std::nullopt;
  }
  for (uint16_t i = 0; i < header.e_shnum; ++i) {
    Elf64_Shdr section;
    if (!file.Read(header.e_shoff + uint64_t{i} * sizeof section, &section, sizeof section)) {
      return std::nullopt;
    }
    if (section.sh_type != SHT_NOTE || section.sh_size > kMaxNoteSection) continue;
    std::vector<unsigned char> notes;
    if (!file.ReadBytes(section.sh_offset, section.sh_size, notes)) continue;
    if (auto version = FindInNotes(notes, section.sh_addralign == 8 ? 8 : 4)) return version;
  }
  return std::nullopt;
}

std::string CurrentExecutablePath() {
  std::error_code ec;
  std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : path.string();
}

}  // namespace korvale
