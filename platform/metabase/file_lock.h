// The lock file that keeps writers of the metabase file apart (one process,
// or one write handle of a process, at a time).
#pragma once

#include <cstdint>
#include <string>

#include "common/status.h"
#include "platform/metabase/metabase.h"

namespace korvale::metabase {

class FileLock {
 public:
  FileLock() = default;
  FileLock(FileLock&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  FileLock& operator=(FileLock&& other) noexcept;
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  ~FileLock();

  // Locks `path` (created when missing), waiting up to `timeout_ms` for another
  // holder. Fails with kPathBusy after the timeout, kWriteFault when the lock
  // file cannot be created.
  static Expected<FileLock> Acquire(const std::string& path, uint32_t timeout_ms);

 private:
  explicit FileLock(int fd) : fd_(fd) {}
  int fd_ = -1;
};

// Replaces `path` with `bytes` through a file beside it ("<path>.new") that is
// written, synced and renamed, so readers see the old or the new file whole.
Status ReplaceFile(const std::string& path, const std::string& bytes);
// Reads the whole file; kReadFault with the reason when it cannot.
Expected<std::string> ReadWholeFile(const std::string& path);

}  // namespace korvale::metabase
