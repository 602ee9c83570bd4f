// Starting programs: exit codes as the program gave them (-1 included), and a
// program that cannot be started is a failure, not an exit code.
#include "platform/process/process.h"

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

namespace korvale::process {
namespace {

TEST(ProcessTest, ExitCodesComeBackAsTheProgramGaveThem) {
  EXPECT_EQ(*RunAndWait("/bin/sh", {"-c", "exit 0"}), 0);
  EXPECT_EQ(*RunAndWait("/bin/sh", {"-c", "exit 3"}), 3);
  EXPECT_EQ(*RunAndWait("/bin/sh", {"-c", "exit 255"}), -1) << "a registration failure reports -1";
  EXPECT_EQ(*RunAndWait("/bin/sh", {"-c", "kill -TERM $$"}), -(128 + 15));
  EXPECT_EQ(*RunAndWait("/bin/sh", {"-c", "test \"$1\" = 'a \"b\" c'", "sh", "a \"b\" c"}), 0)
      << "arguments reach the program as they are";
}

TEST(ProcessTest, AProgramThatCannotBeStartedIsAFailure) {
  testing::TempDir dir;
  EXPECT_FALSE(RunAndWait(dir.File("missing"), {}).ok());
  EXPECT_FALSE(StartDetached(dir.File("missing"), {}).ok());
  EXPECT_TRUE(StartDetached("/bin/true", {}).ok());
}

}  // namespace
}  // namespace korvale::process
