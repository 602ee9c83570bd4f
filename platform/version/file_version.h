// The four 16-bit parts of a program's file version, stored in an ELF note
// (".note.korvale.version") of every program and read back from its file.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace korvale {

using FileVersion = std::array<uint16_t, 4>;  // major, minor, build, revision

// Reads the version note of an executable file; nullopt when it has none.
std::optional<FileVersion> ReadFileVersion(const std::string& executable_path);

// The full path of the running program (from /proc/self/exe).
std::string CurrentExecutablePath();

}  // namespace korvale
