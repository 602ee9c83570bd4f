// The version note: stamped by korvale_program() into this very test program
// and read back, and damaged files that must give nullopt instead of crashing.
#include "platform/version/file_version.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/temp_dir.h"

namespace korvale {
namespace {

using korvale::testing::ReadFileBytes;
using korvale::testing::TempDir;
using korvale::testing::WriteFileBytes;

// The banner shows the version read from the program file, so the round trip must hold.
TEST(FileVersionTest, ReadsOwnProgramsNote) {
  std::string self = CurrentExecutablePath();
  ASSERT_TRUE(std::filesystem::exists(self)) << self;
  std::optional<FileVersion> version = ReadFileVersion(self);
  ASSERT_TRUE(version.has_value());
  EXPECT_EQ(*version, (FileVersion{KORVALE_VERSION_MAJOR, KORVALE_VERSION_MINOR, KORVALE_VERSION_BUILD,
                                   KORVALE_VERSION_REVISION}));
}

// Files without the note, garbage and every cut of a real program give nullopt, never a crash.
TEST(FileVersionTest, DamagedFilesGiveNothing) {
  TempDir dir;
  EXPECT_FALSE(ReadFileVersion(dir.File("missing")).has_value());
  EXPECT_FALSE(ReadFileVersion(dir.path().string()).has_value()) << "a folder";
  WriteFileBytes(dir.File("empty"), "");
  EXPECT_FALSE(ReadFileVersion(dir.File("empty")).has_value());
  std::string garbage(5000, '\xa5');
  garbage.replace(0, 4,
                  "\x7f"
                  "ELF");
  WriteFileBytes(dir.File("garbage"), garbage);
  EXPECT_FALSE(ReadFileVersion(dir.File("garbage")).has_value());

  std::string program = ReadFileBytes(CurrentExecutablePath());
  ASSERT_GT(program.size(), 4096u);
  // Section headers sit at the end, so these cuts lose them.
  for (size_t size : {size_t{16}, size_t{64}, size_t{1000}, program.size() / 2}) {
    WriteFileBytes(dir.File("cut"), program.substr(0, size));
    EXPECT_FALSE(ReadFileVersion(dir.File("cut")).has_value()) << "cut at " << size;
  }
  // Cut inside the last section header: the note's own header may still be
  // whole, and then reading it is right; it must only stay within bounds.
  WriteFileBytes(dir.File("cut"), program.substr(0, program.size() - 1));
  (void)ReadFileVersion(dir.File("cut"));
  // Scribbling over every note section's size fields must stay within bounds.
  std::string scribbled = program;
  for (size_t at = 0; at + 64 < scribbled.size(); at += 97) scribbled[at] = '\xff';
  WriteFileBytes(dir.File("scribbled"), scribbled);
  (void)ReadFileVersion(dir.File("scribbled"));
}

}  // namespace
}  // namespace korvale
