// One running process per name on this machine: a claim on a name that the
// kernel gives up when the process ends in any way (exit, crash, kill -9), so
// a claim can never be left behind by a process that is gone.
//
// The claims live beside the atom table, in its "instances" folder, one lock
// file per name; names are compared without regard to case (ASCII), as atom
// names are.
//
//   auto claim = InstanceLock::TryAcquire("Korvale Update Service");
//   if (!claim.ok()) ...                 // the folder cannot be used: say so
//   else if (!claim->held()) ...         // another process runs this name
//   // else: the name is ours until `claim` is destroyed or the process ends
#pragma once

#include <string>

#include "common/status.h"

namespace korvale::atoms {

class InstanceLock {
 public:
  // Claims the name without waiting. A claim another process holds gives an
  // InstanceLock that holds nothing; an error only when the lock file cannot
  // be created or locked at all.
  static Expected<InstanceLock> TryAcquire(const std::string& name);
  // Whether some process holds the name now, without claiming it.
  static Expected<bool> IsHeld(const std::string& name);

  InstanceLock(InstanceLock&& other) noexcept;
  InstanceLock& operator=(InstanceLock&&) = delete;
  InstanceLock(const InstanceLock&) = delete;
  ~InstanceLock();

  // True when this object holds the claim.
  bool held() const { return fd_ >= 0; }

 private:
  explicit InstanceLock(int fd) : fd_(fd) {}
  int fd_;
};

}  // namespace korvale::atoms
