// KorvaleCfg on a headless server: a real process in an installation folder
// of its own (it works on the folder it lies in), with the exit codes the
// project's tools use: 0 done, 1 refused or failed, 2 usage.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/process.h"
#include "tests/support/temp_dir.h"

namespace korvale::config {
namespace {

class KorvaleCfgProcess : public ::testing::Test {
 protected:
  void SetUp() override { std::filesystem::copy_file(testing::BuiltProgram("config/KorvaleCfg"), program_); }
  testing::ProcessResult Run(const std::vector<std::string>& args) {
    // No display: the windows cannot open, the options are named.
    return testing::RunProcess(program_, args,
                               {{"ODBCINI", dir_.File("odbc.ini")},
                                {"DISPLAY", ""},
                                {"WAYLAND_DISPLAY", ""},
                                {"QT_QPA_PLATFORM", ""}});
  }
  testing::TempDir dir_;
  std::string program_ = dir_.File("KorvaleCfg");
};

TEST_F(KorvaleCfgProcess, WithoutAnOptionOrADisplayNamesTheOptions) {
  testing::ProcessResult r = Run({});
  EXPECT_EQ(r.exit_code, 2);
#ifdef KORVALE_WITH_WINDOWS
  EXPECT_NE(r.output.find("needs a display"), std::string::npos) << r.output;
#endif
  EXPECT_NE(r.output.find("--check"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("--write-inc"), std::string::npos) << r.output;
  EXPECT_EQ(Run({"--bogus"}).exit_code, 2);
  EXPECT_EQ(Run({"--check", "--write-inc"}).exit_code, 2);
}

TEST_F(KorvaleCfgProcess, CheckReportsWhatASaveWouldRefuse) {
  testing::WriteFileBytes(dir_.File("Caldrun.ini"), "[Config]\r\nDB=korvale\r\n");
  testing::ProcessResult r = Run({"--check"});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.output.find("Configuration Error: Please select your Home Exchange Server"), std::string::npos)
      << r.output;
  EXPECT_FALSE(std::filesystem::exists(dir_.File("Korvale.inc")));

  testing::WriteFileBytes(dir_.File("Caldrun.ini"), "[Config]\r\nDB=korvale\r\nHomeServer=HQ1\r\n");
  r = Run({"--check"});
  EXPECT_EQ(r.exit_code, 0) << r.output;
  EXPECT_NE(r.output.find("can be saved"), std::string::npos) << r.output;
}

TEST_F(KorvaleCfgProcess, WriteIncWritesTheIncludeFileBesideTheProgram) {
  const std::string ini =
      "[Config]\r\nDB=korvale\r\nHomeServer=HQ1\r\nGroup1=Staff\r\nServer1=HQ1\r\n"
      "[Server1]\r\nTimeDiff=-3.5\r\n";
  testing::WriteFileBytes(dir_.File("Caldrun.ini"), ini);
  testing::ProcessResult r = Run({"--write-inc"});
  ASSERT_EQ(r.exit_code, 0) << r.output;
  std::string inc = testing::ReadFileBytes(dir_.File("Korvale.inc"));
  EXPECT_NE(inc.find("SortedMenu(1) = \"Staff\"\r\n"), std::string::npos) << inc;
  EXPECT_NE(inc.find("Servers(1,2) = -3.5\r\n"), std::string::npos) << inc;
  EXPECT_EQ(testing::ReadFileBytes(dir_.File("Caldrun.ini")), ini) << "Caldrun.ini is not touched";

  std::filesystem::remove(dir_.File("Korvale.inc"));
  std::filesystem::create_directory(dir_.File("Korvale.inc"));
  r = Run({"--write-inc"});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.output.find("File Error: Could not write to " + dir_.File("Korvale.inc") + "."),
            std::string::npos)
      << r.output;
}

}  // namespace
}  // namespace korvale::config
