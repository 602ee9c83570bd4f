// KvCrVDir as the setup starts it: a real process on a metabase file named by
// KORVALE_METABASE, read back by its exit status.
#include <gtest/gtest.h>

#include "tests/support/process.h"
#include "tests/support/temp_dir.h"
#include "vdirtool/exit_code.h"
#include "vdirtool/vdir_values.h"

namespace korvale::vdirtool {
namespace {

class KvCrVDirProcess : public ::testing::Test {
 protected:
  void SetUp() override { testing::WriteFileBytes(file_, "[/LM/W3SVC/1/ROOT]\n[/LM/W3SVC/AppPools]\n"); }
  testing::ProcessResult Run(const std::vector<std::string>& args) {
    return testing::RunProcess(testing::BuiltProgram("vdirtool/KvCrVDir"), args,
                               {{"KORVALE_METABASE", file_}});
  }
  testing::TempDir dir_;
  std::string file_ = dir_.File("metabase.txt");
};

TEST_F(KvCrVDirProcess, AnyOtherNumberOfArgumentsPrintsTheUsageAndSucceeds) {
  const std::string usage =
      "Usage:\n\nKvCrVDir.exe <path> <name>\npath - physical path which Virtual Directory will refer to\n"
      "name - name for virtual directory\n";
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{}, {"/srv/k"}, {"a", "b", "c"}}) {
    SCOPED_TRACE(args.size());
    testing::ProcessResult r = Run(args);
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.output, usage);
  }
  EXPECT_EQ(testing::ReadFileBytes(file_), "[/LM/W3SVC/1/ROOT]\n[/LM/W3SVC/AppPools]\n")
      << "nothing is created";
}

TEST_F(KvCrVDirProcess, CreatesTheDirectoryOnceAndRefusesItThen) {
  testing::ProcessResult r = Run({"/srv/korvale", "Korvale"});
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.output, "") << "nothing is printed";
  std::string text = testing::ReadFileBytes(file_);
  EXPECT_NE(text.find("[/LM/W3SVC/1/ROOT/Korvale]\n1002 attr=1 user=2 STRING \"IIsWebVirtualDir\"\n"
                      "3001 attr=1 user=2 STRING \"/srv/korvale\"\n6016 attr=1 user=2 DWORD 519\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("7000 attr=1 user=101 DWORD 0\n"), std::string::npos) << text;

  r = Run({"/srv/other", "Korvale"});
  EXPECT_EQ(CodeFromExitStatus(r.exit_code), kExitCreateKey) << r.exit_code;
  EXPECT_EQ(r.output, "");
  EXPECT_EQ(testing::ReadFileBytes(file_), text);
}

TEST_F(KvCrVDirProcess, TheSetupLearnsOfAMissingMetabaseOrApplicationService) {
  testing::ProcessResult r =
      testing::RunProcess(testing::BuiltProgram("vdirtool/KvCrVDir"), {"/srv/k", "Korvale"},
                          {{"KORVALE_METABASE", dir_.File("missing.txt")}});
  EXPECT_EQ(CodeFromExitStatus(r.exit_code), kExitAdminBase);

  testing::WriteFileBytes(file_, "[/LM/W3SVC/1/ROOT]\n");
  r = Run({"/srv/k", "Korvale"});
  int code = CodeFromExitStatus(r.exit_code);
  EXPECT_EQ(code, Bit(LaterStep::kAppCreate));
  EXPECT_EQ(VirtualDirectoryResultMessage(code, "Korvale").text,
            "The following errors occured while creating the Virtual directory:\n\n"
            "Error creating application for the virtual root.\n");
  EXPECT_NE(testing::ReadFileBytes(file_).find("7000 attr=1 user=101 DWORD 0\n"), std::string::npos)
      << "the directory is configured all the same";
}

}  // namespace
}  // namespace korvale::vdirtool
