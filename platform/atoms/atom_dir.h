// Where the machine-wide atom table lives and how it is locked. Used by the
// atom table only.
#pragma once

#include <string>

#include "common/status.h"

namespace korvale::atoms {

// The table folder: KORVALE_ATOM_DIR, else /run/korvale/atoms when it can be
// created and written, else $XDG_RUNTIME_DIR/korvale-atoms, else
// /tmp/korvale-atoms-<uid>; created when missing.
Expected<std::string> AtomDirectory();

// An exclusive flock() on the table's lock file for as long as it lives, so
// every change is one step for all processes of the machine.
class TableLock {
 public:
  static Expected<TableLock> Acquire(const std::string& directory);
  TableLock(TableLock&& other) noexcept;
  TableLock& operator=(TableLock&&) = delete;
  TableLock(const TableLock&) = delete;
  ~TableLock();

 private:
  explicit TableLock(int fd) : fd_(fd) {}
  int fd_;
};

}  // namespace korvale::atoms
