#include "platform/metabase/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

namespace korvale::metabase {
namespace {

Status Fault(MetabaseError code, const std::string& what, const std::string& path) {
  return Status::Error(what + " " + path + ": " + std::strerror(errno), static_cast<int>(code));
}

// Closes a descriptor when it goes out of scope.
struct Fd {
  int fd;
  ~Fd() {
    if (fd >= 0) ::close(fd);
  }
};

}  // namespace

FileLock& FileLock::operator=(FileLock&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

FileLock::~FileLock() {
  if (fd_ >= 0) ::close(fd_);  // closing the descriptor releases the lock
}

Expected<FileLock> FileLock::Acquire(const std::string& path, uint32_t timeout_ms) {
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return Fault(MetabaseError::kWriteFault, "cannot create the lock file", path);
  FileLock lock(fd);
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno != EWOULDBLOCK && errno != EINTR) return Fault(MetabaseError::kWriteFault, "cannot lock", path);
    if (std::chrono::steady_clock::now() >= deadline) {
      return Status::Error("another writer holds " + path, static_cast<int>(MetabaseError::kPathBusy));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return lock;
}

Status ReplaceFile(const std::string& path, const std::string& bytes) {
  const std::string next = path + ".new";
  struct stat old {};
  mode_t mode = ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
  Fd out{::open(next.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode)};
  if (out.fd < 0) return Fault(MetabaseError::kWriteFault, "cannot write", next);
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(out.fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return Fault(MetabaseError::kWriteFault, "cannot write", next);
    done += static_cast<size_t>(n);
  }
  if (::fsync(out.fd) != 0) return Fault(MetabaseError::kWriteFault, "cannot sync", next);
  if (::rename(next.c_str(), path.c_str()) != 0) {
    Status s = Fault(MetabaseError::kWriteFault, "cannot replace", path);
    ::unlink(next.c_str());
    return s;
  }
  return Status::Ok();
}

Expected<std::string> ReadWholeFile(const std::string& path) {
  Fd in{::open(path.c_str(), O_RDONLY | O_CLOEXEC)};
  if (in.fd < 0) return Fault(MetabaseError::kReadFault, "cannot open", path);
  std::string bytes;
  char buffer[8192];
  for (;;) {
    ssize_t n = ::read(in.fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return Fault(MetabaseError::kReadFault, "cannot read", path);
    if (n == 0) return bytes;
    bytes.append(buffer, static_cast<size_t>(n));
  }
}

}  // namespace korvale::metabase
