// The bootstrap's check: the required files searched where the Part says
// (current folder, PATH, then the linker's folders), the missing ones listed
// in order in one message, and the server setup started without arguments.
#include "bootstrap/prerequisites.h"

#include <chrono>
#include <filesystem>
#include <thread>

#include <gtest/gtest.h>

#include "tests/support/process.h"
#include "tests/support/temp_dir.h"

namespace korvale::bootstrap {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;
using testing::WriteFileBytes;

void PutAllBut(const fs::path& dir, const std::vector<std::string>& left_out) {
  for (const std::string& name : RequiredFiles()) {
    if (std::find(left_out.begin(), left_out.end(), name) == left_out.end()) WriteFileBytes(dir / name, "");
  }
}

struct BootstrapRun {
  std::vector<std::string> started;
  std::vector<std::string> shown;
  int code = -1;
};

BootstrapRun RunWith(const SearchPlaces& places, bool start_works = true) {
  BootstrapRun run;
  run.code = RunBootstrap(
      places, "/medium/Ravlin",
      [&](const std::string& program) {
        run.started.push_back(program);
        return start_works;
      },
      [&](const std::string& text, const std::string& title) { run.shown.push_back(title + "|" + text); });
  return run;
}

TEST(BootstrapTest, TwoMissingFilesAreListedInOrderBetweenTheTwoTexts) {
  TempDir cwd, bin;
  PutAllBut(bin.path(), {"libsqlite3.so.0", "libsystemd.so.0"});
  const BootstrapRun run = RunWith({cwd.path().string(), "/nonexistent:" + bin.path().string(), {}});
  EXPECT_EQ(run.code, 0) << "the bootstrap always ends with 0";
  EXPECT_TRUE(run.started.empty()) << "nothing is started while files are missing";
  ASSERT_EQ(run.shown.size(), 1u);
  EXPECT_EQ(
      run.shown[0],
      "Korvale Setup Error|The following files are required by Korvale\nand could not be found on this "
      "system.\n\nlibsystemd.so.0\nlibsqlite3.so.0\n\nPlease install either the \"Exchange 5.5 "
      "Administrator\" Option\nfrom your Exchange 2000/2003 Setup program\nor\nthe MAPI / CDO download from "
      "Microsoft.\nA link is provided in the Installation Guide of Korvale.");
}

TEST(BootstrapTest, AFileOnlyInTheCurrentFolderOrALibraryFolderCountsAsFound) {
  TempDir cwd, libs;
  PutAllBut(cwd.path(), {"libc.so.6"});
  WriteFileBytes(libs.path() / "libc.so.6", "");
  const BootstrapRun run = RunWith({cwd.path().string(), "", {libs.path().string()}});
  EXPECT_TRUE(run.shown.empty()) << (run.shown.empty() ? "" : run.shown[0]);
  EXPECT_EQ(run.started, std::vector<std::string>{"/medium/Ravlin"});
}

TEST(BootstrapTest, CombinationsOverTheLengthLimitAreSkipped) {
  TempDir base;
  fs::path deep = base.path();
  while (deep.string().size() < 260) deep /= std::string(40, 'd');
  fs::create_directories(deep);
  WriteFileBytes(deep / "libc.so.6", "");
  EXPECT_FALSE(FindRequiredFile("libc.so.6", {"", deep.string(), {}})) << "on PATH";
  EXPECT_FALSE(FindRequiredFile("libc.so.6", {deep.string() + "/", "", {}})) << "in the current folder";
  WriteFileBytes(base.path() / "libc.so.6", "");
  EXPECT_TRUE(FindRequiredFile("libc.so.6", {"", "", {base.path().string()}})) << "a short path is found";
}

TEST(BootstrapTest, ASetupThatCannotBeStartedSaysSo) {
  TempDir cwd;
  PutAllBut(cwd.path(), {});
  const BootstrapRun run = RunWith({cwd.path().string(), "", {}}, false);
  ASSERT_EQ(run.shown.size(), 1u);
  EXPECT_EQ(run.shown[0], std::string("Korvale Setup Error|") + kRavlinMissingMessage);
}

TEST(BootstrapTest, TheMachineHasWhatTheSystemNeeds) {
  EXPECT_EQ(MissingFiles(RequiredFiles(), MachineSearchPlaces()), "") << "the build machine runs the system";
}

// The real program: "/Q" given to Setup is not passed on to the server setup.
TEST(BootstrapTest, SetupStartsRavlinFromItsOwnFolderWithoutArguments) {
  TempDir medium;
  fs::copy_file(testing::BuiltProgram("bootstrap/Setup"), medium.path() / "Setup");
  WriteFileBytes(medium.path() / "Ravlin",
                 "#!/bin/sh\necho \"$#:$*\" > \"$(dirname \"$0\")/args.tmp\"\n"
                 "mv \"$(dirname \"$0\")/args.tmp\" \"$(dirname \"$0\")/args\"\n");
  fs::permissions(medium.path() / "Ravlin", fs::perms::owner_all);
  TempDir elsewhere;
  auto run = testing::RunProcess((medium.path() / "Setup").string(), {"/Q"}, {}, elsewhere.path().string());
  EXPECT_EQ(run.exit_code, 0) << run.output;
  // Setup does not wait for the server setup: wait here until it has written what it got.
  for (int i = 0; i < 600 && !fs::exists(medium.path() / "args"); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  EXPECT_EQ(testing::ReadFileBytes(medium.path() / "args"), "0:\n") << "no arguments reach the server setup";
}

}  // namespace
}  // namespace korvale::bootstrap
