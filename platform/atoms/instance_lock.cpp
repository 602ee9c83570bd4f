// Claims on names through open-file-description locks; see instance_lock.h.
//
// An open-file-description lock (like flock) belongs to the open file, not to
// the process's other descriptors, and is released when the last descriptor
// of that open file closes, which the kernel does when the process dies.
// Unlike flock it can be tested without being taken (F_OFD_GETLK), so a
// watcher never steals the name from the process it watches.
#include "platform/atoms/instance_lock.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/atoms/atom_dir.h"
#include "platform/atoms/atom_store.h"

namespace korvale::atoms {
namespace {

constexpr size_t kMaxHexNameBytes = 100;  // keeps the file name well under 255 bytes

std::string FoldAscii(const std::string& name) {
  std::string folded = name;
  for (char& c : folded) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return folded;
}

// A short name is spelled out in hex, so no two names share a file; a long
// one is hashed, and only a hash collision of two long names would make them
// exclude each other.
std::string LockFileName(const std::string& name) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string folded = FoldAscii(name);
  if (folded.size() > kMaxHexNameBytes) {
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "h-%016llx-%zu", static_cast<unsigned long long>(HashName(folded)),
                  folded.size());
    return buffer;
  }
  std::string file = "n-";
  for (unsigned char c : folded) {
    file += kHex[c >> 4];
    file += kHex[c & 15];
  }
  return file;
}

Status ErrnoError(const std::string& what, const std::string& path, int err) {
  return Status::Error(what + " " + path + ": " + std::strerror(err), err);
}

Expected<int> OpenLockFile(const std::string& name) {
  Expected<std::string> dir = AtomDirectory();
  if (!dir.ok()) return dir.status();
  std::string folder = *dir + "/instances";
  if (::mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) {
    return ErrnoError("cannot create", folder, errno);
  }
  std::string path = folder + "/" + LockFileName(name);
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
  if (fd < 0) return ErrnoError("cannot open", path, errno);
  return fd;
}

struct flock WholeFileWriteLock() {
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  lock.l_start = 0;
  lock.l_len = 0;  // to the end, however long the file grows
  return lock;
}

}  // namespace

Expected<InstanceLock> InstanceLock::TryAcquire(const std::string& name) {
  Expected<int> fd = OpenLockFile(name);
  if (!fd.ok()) return fd.status();
  struct flock lock = WholeFileWriteLock();
  while (::fcntl(*fd, F_OFD_SETLK, &lock) != 0) {
    int err = errno;
    if (err == EINTR) continue;
    ::close(*fd);
    if (err == EAGAIN || err == EACCES) return InstanceLock(-1);
    return Status::Error(std::string("cannot lock the instance file: ") + std::strerror(err), err);
  }
  return InstanceLock(*fd);
}

Expected<bool> InstanceLock::IsHeld(const std::string& name) {
  Expected<int> fd = OpenLockFile(name);
  if (!fd.ok()) return fd.status();
  struct flock lock = WholeFileWriteLock();
  int rc = ::fcntl(*fd, F_OFD_GETLK, &lock);
  int err = errno;
  ::close(*fd);
  if (rc != 0) return Status::Error(std::string("cannot test the instance file: ") + std::strerror(err), err);
  return lock.l_type != F_UNLCK;
}

InstanceLock::InstanceLock(InstanceLock&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }

InstanceLock::~InstanceLock() {
  if (fd_ >= 0) ::close(fd_);  // closing the open file releases the claim
}

}  // namespace korvale::atoms
