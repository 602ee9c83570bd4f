// The machine-wide global atom table: named atoms with reference counts,
// shared by every process of the machine and safe for concurrent use.
// Names are up to 255 characters and compared without regard to case.
// The table lives in KORVALE_ATOM_DIR, else /run/korvale/atoms when writable,
// else $XDG_RUNTIME_DIR/korvale-atoms, else /tmp/korvale-atoms-<uid>.
#pragma once

#include <cstdint>
#include <string>

namespace korvale::atoms {

using ATOM = uint16_t;  // 0 means failure / not found

// Adds the atom or raises its reference count; returns its number.
ATOM GlobalAddAtom(const std::string& name);
// Finds the atom; 0 when absent.
ATOM GlobalFindAtom(const std::string& name);
// Lowers the reference count and removes the atom at zero; returns 0 on success,
// the atom itself on failure (as the Windows call does).
ATOM GlobalDeleteAtom(ATOM atom);

}  // namespace korvale::atoms
