// Finding, creating and locking the atom table folder; see atom_dir.h.
#include "platform/atoms/atom_dir.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace korvale::atoms {
namespace {

bool Usable(const std::string& dir) {
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  return std::filesystem::is_directory(dir, ec) && ::access(dir.c_str(), W_OK | X_OK) == 0;
}

// A folder in the shared /tmp must be ours and not a link someone planted.
bool OwnedByUs(const std::string& dir) {
  ::mkdir(dir.c_str(), 0700);
  struct stat st {};
  return ::lstat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid() &&
         ::access(dir.c_str(), W_OK | X_OK) == 0;
}

}  // namespace

Expected<std::string> AtomDirectory() {
  if (const char* dir = std::getenv("KORVALE_ATOM_DIR"); dir != nullptr && *dir != '\0') {
    if (Usable(dir)) return std::string(dir);
    return Status::Error(std::string("atom folder not usable: ") + dir);
  }
  if (Usable("/run/korvale/atoms")) return std::string("/run/korvale/atoms");
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime != nullptr && *runtime != '\0') {
    std::string dir = std::string(runtime) + "/korvale-atoms";
    if (Usable(dir)) return dir;
  }
  std::string dir = "/tmp/korvale-atoms-" + std::to_string(::getuid());
  if (OwnedByUs(dir)) return dir;
  return Status::Error("no usable atom folder (last tried " + dir + ")");
}

Expected<TableLock> TableLock::Acquire(const std::string& directory) {
  std::string path = directory + "/lock";
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return Status::Error("cannot open " + path + ": " + std::strerror(errno), errno);
  while (::flock(fd, LOCK_EX) != 0) {
    if (errno == EINTR) continue;
    int err = errno;
    ::close(fd);
    return Status::Error("cannot lock " + path + ": " + std::strerror(err), err);
  }
  return TableLock(fd);
}

TableLock::TableLock(TableLock&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }

TableLock::~TableLock() {
  if (fd_ >= 0) ::close(fd_);  // closing the last descriptor releases the flock
}

}  // namespace korvale::atoms
