// Claims on instance names: one holder per name on the machine, whatever the
// letter case, and a claim that ends with its process however that ends.
#include "platform/atoms/instance_lock.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace korvale::atoms {
namespace {

class InstanceLockTest : public ::testing::Test {
 protected:
  void SetUp() override { ::setenv("KORVALE_ATOM_DIR", dir_.path().c_str(), 1); }
  void TearDown() override { ::unsetenv("KORVALE_ATOM_DIR"); }

  static bool Claim(const std::string& name) {
    Expected<InstanceLock> lock = InstanceLock::TryAcquire(name);
    EXPECT_TRUE(lock.ok()) << lock.status().message();
    return lock.ok() && lock->held();
  }
  static bool Held(const std::string& name) {
    Expected<bool> held = InstanceLock::IsHeld(name);
    EXPECT_TRUE(held.ok()) << held.status().message();
    return held.ok() && *held;
  }

  korvale::testing::TempDir dir_;
};

// A second claim on a held name is refused, in any letter case; other names are free.
TEST_F(InstanceLockTest, OneHolderPerNameWithoutRegardToCase) {
  Expected<InstanceLock> first = InstanceLock::TryAcquire("Korvale Update Service");
  ASSERT_TRUE(first.ok()) << first.status().message();
  ASSERT_TRUE(first->held());
  EXPECT_FALSE(Claim("Korvale Update Service")) << "the name is taken";
  EXPECT_FALSE(Claim("KORVALE update SERVICE")) << "names are compared without regard to case";
  EXPECT_TRUE(Claim("Korvale Update Service 2")) << "another name is independent";
  EXPECT_TRUE(Held("korvale update service"));
  {
    InstanceLock moved = std::move(*first);
    EXPECT_TRUE(moved.held());
    EXPECT_FALSE(first->held()) << "a moved-from claim holds nothing";
  }
  EXPECT_FALSE(Held("Korvale Update Service")) << "destroying the holder frees the name";
  EXPECT_TRUE(Claim("Korvale Update Service"));
}

// Looking whether a name is held must never take it: the service host and the
// tests watch a running agent that way.
TEST_F(InstanceLockTest, IsHeldDoesNotClaim) {
  EXPECT_FALSE(Held("watched"));
  EXPECT_FALSE(Held("watched"));
  Expected<InstanceLock> lock = InstanceLock::TryAcquire("watched");
  ASSERT_TRUE(lock.ok());
  EXPECT_TRUE(lock->held());
}

// Names are any bytes: separators, the empty name, non-ASCII and very long names.
TEST_F(InstanceLockTest, AnyNameMapsToItsOwnFile) {
  const std::string long_a(300, 'a');
  const std::string long_b = std::string(299, 'a') + "b";
  std::vector<InstanceLock> held;
  for (const std::string& name :
       {std::string(""), std::string("../../etc/passwd"), std::string("Grüße \xff\x01"), long_a}) {
    SCOPED_TRACE(name);
    Expected<InstanceLock> lock = InstanceLock::TryAcquire(name);
    ASSERT_TRUE(lock.ok()) << lock.status().message();
    EXPECT_TRUE(lock->held());
    EXPECT_FALSE(Claim(name));
    held.push_back(std::move(*lock));
  }
  EXPECT_TRUE(Claim(long_b)) << "long names that differ do not share a claim";
  EXPECT_FALSE(Claim("gRüßE \xff\x01")) << "ASCII letters fold";
  EXPECT_TRUE(Claim("GRÜßE \xff\x01")) << "only ASCII letters fold, as in the atom table";
}

// A holder killed without any chance to clean up leaves the name free: the
// kernel ends the claim with the process.
TEST_F(InstanceLockTest, KilledHolderReleasesTheName) {
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::close(ready[0]);
    Expected<InstanceLock> lock = InstanceLock::TryAcquire("Korvale Update Service");
    char result = lock.ok() && lock->held() ? '1' : '0';
    (void)!::write(ready[1], &result, 1);
    for (;;) ::pause();
  }
  ::close(ready[1]);
  char result = 0;
  ASSERT_EQ(::read(ready[0], &result, 1), 1);
  ::close(ready[0]);
  ASSERT_EQ(result, '1') << "the child took the name";
  EXPECT_TRUE(Held("Korvale Update Service"));
  EXPECT_FALSE(Claim("Korvale Update Service")) << "held by another process";
  ASSERT_EQ(::kill(child, SIGKILL), 0);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_FALSE(Held("Korvale Update Service"));
  EXPECT_TRUE(Claim("Korvale Update Service"));
}

// A folder that cannot hold the claims is an error the caller can report, not a crash.
TEST_F(InstanceLockTest, UnusableFolderIsAnError) {
  std::string file = dir_.File("not-a-folder");
  korvale::testing::WriteFileBytes(file, "x");
  ::setenv("KORVALE_ATOM_DIR", file.c_str(), 1);
  Expected<InstanceLock> lock = InstanceLock::TryAcquire("x");
  EXPECT_FALSE(lock.ok());
  EXPECT_FALSE(InstanceLock::IsHeld("x").ok());
}

}  // namespace
}  // namespace korvale::atoms
