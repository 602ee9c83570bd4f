// The global atom table: the calls' contract, and that separate processes
// share one consistent table (the service host stops the agent through it).
#include "platform/atoms/atoms.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>

#include "tests/support/temp_dir.h"

namespace korvale::atoms {
namespace {

class AtomsTest : public ::testing::Test {
 protected:
  void SetUp() override { ::setenv("KORVALE_ATOM_DIR", dir_.path().c_str(), 1); }
  void TearDown() override { ::unsetenv("KORVALE_ATOM_DIR"); }

  // Table files other than the lock; an empty table leaves none.
  int TableFiles() const {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
      if (entry.path().filename() != "lock") ++count;
    }
    return count;
  }

  // Runs `body` in a child process and returns its exit status.
  static pid_t Spawn(const std::function<int()>& body) {
    pid_t pid = ::fork();
    if (pid == 0) ::_exit(body());
    return pid;
  }
  static int Wait(pid_t pid) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100;
  }

  korvale::testing::TempDir dir_;
};

// Add, find and delete with reference counts, as the Windows calls behave.
TEST_F(AtomsTest, AddFindDeleteWithReferenceCount) {
  EXPECT_EQ(GlobalFindAtom("Caldrun_Stop"), 0);
  ATOM atom = GlobalAddAtom("Caldrun_Stop");
  ASSERT_GE(atom, 0xC000);
  EXPECT_EQ(GlobalAddAtom("Caldrun_Stop"), atom) << "second add raises the count";
  EXPECT_EQ(GlobalFindAtom("Caldrun_Stop"), atom);
  EXPECT_EQ(GlobalDeleteAtom(atom), 0);
  EXPECT_EQ(GlobalFindAtom("Caldrun_Stop"), atom) << "one reference left";
  EXPECT_EQ(GlobalDeleteAtom(atom), 0);
  EXPECT_EQ(GlobalFindAtom("Caldrun_Stop"), 0);
  EXPECT_EQ(GlobalDeleteAtom(atom), atom) << "deleting a missing atom fails with the atom";
  EXPECT_EQ(GlobalDeleteAtom(0x1234), 0x1234);
  EXPECT_EQ(TableFiles(), 0);
}

// Names differ only in case match; different names get different numbers.
TEST_F(AtomsTest, NamesIgnoreCase) {
  ATOM atom = GlobalAddAtom("KorvaleSrv Stop");
  EXPECT_EQ(GlobalFindAtom("korvalesrv STOP"), atom);
  EXPECT_EQ(GlobalAddAtom("KORVALESRV stop"), atom);
  ATOM other = GlobalAddAtom("Other\xc3\xa9/../\n\x01");
  EXPECT_NE(other, 0) << "any bytes are safe in a name";
  EXPECT_NE(other, atom);
  EXPECT_EQ(GlobalFindAtom("Other\xc3\xa9/../\n\x01"), other);
}

// Names longer than 255 characters and empty names are refused.
TEST_F(AtomsTest, NameLengthLimit) {
  EXPECT_NE(GlobalAddAtom(std::string(255, 'a')), 0);
  EXPECT_EQ(GlobalAddAtom(std::string(256, 'a')), 0);
  EXPECT_EQ(GlobalFindAtom(std::string(256, 'a')), 0);
  EXPECT_EQ(GlobalAddAtom(""), 0);
  std::string accented;
  for (int i = 0; i < 255; ++i) accented += "\xc3\xa9";
  EXPECT_NE(GlobalAddAtom(accented), 0) << "the limit counts characters, not bytes";
}

// An atom one process adds is visible to another, as the stop request needs.
TEST_F(AtomsTest, OtherProcessSeesAtom) {
  pid_t child = Spawn([] { return GlobalAddAtom("Caldrun_Stop") != 0 ? 0 : 1; });
  ASSERT_EQ(Wait(child), 0);
  ATOM atom = GlobalFindAtom("CALDRUN_STOP");
  ASSERT_NE(atom, 0);
  EXPECT_EQ(GlobalDeleteAtom(atom), 0);
  EXPECT_EQ(GlobalFindAtom("Caldrun_Stop"), 0);
}

// Two processes adding and deleting at once leave every count right.
TEST_F(AtomsTest, ConcurrentProcessesKeepTableConsistent) {
  auto worker = [](const char* own) {
    return [own] {
      for (int i = 0; i < 150; ++i) {
        ATOM shared = GlobalAddAtom("Shared");
        ATOM mine = GlobalAddAtom(own + std::to_string(i % 7));
        if (shared == 0 || mine == 0) return 1;
        if (GlobalDeleteAtom(mine) != 0) return 2;
        if (i % 2 == 1 && GlobalDeleteAtom(shared) != 0) return 3;
      }
      return 0;
    };
  };
  pid_t a = Spawn(worker("a"));
  pid_t b = Spawn(worker("b"));
  ASSERT_EQ(Wait(a), 0);
  ASSERT_EQ(Wait(b), 0);
  // Each process kept 75 references to "Shared" and none of its own atoms.
  ATOM shared = GlobalFindAtom("shared");
  ASSERT_NE(shared, 0);
  for (int i = 0; i < 150; ++i) ASSERT_EQ(GlobalDeleteAtom(shared), 0) << "reference " << i;
  EXPECT_EQ(GlobalDeleteAtom(shared), shared) << "no reference was lost or gained";
  for (int i = 0; i < 7; ++i) EXPECT_EQ(GlobalFindAtom("a" + std::to_string(i)), 0);
  EXPECT_EQ(TableFiles(), 0);
}

// Damaged table files cost their atoms, never a crash, and the table recovers.
TEST_F(AtomsTest, DamagedFilesAreTolerated) {
  ATOM atom = GlobalAddAtom("Victim");
  for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
    if (entry.path().filename() != "lock") std::filesystem::resize_file(entry.path(), 3);
  }
  EXPECT_EQ(GlobalFindAtom("Victim"), 0);
  EXPECT_EQ(GlobalDeleteAtom(atom), atom);
  EXPECT_NE(GlobalAddAtom("Victim"), 0);
}

}  // namespace
}  // namespace korvale::atoms
