// The cabinet extraction's rules for an installation folder that may hold a
// previous installation: the site's settings stay, a differing file is asked
// about, an identical one replaced silently, failures named.
#include "Setup/cabinet_extraction.h"

#include <sys/stat.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "Setup/recording_ui.h"
#include "tests/support/process.h"
#include "tests/support/temp_dir.h"

namespace korvale::setup {
namespace {

namespace fs = std::filesystem;
using testing::ReadFileBytes;
using testing::TempDir;
using testing::WriteFileBytes;

class CabinetExtractionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const fs::path src = source_.path();
    fs::create_directories(src / "KORVALE");
    WriteFileBytes(src / "KORVALE/config.inc", "<% new config %>");
    WriteFileBytes(src / "KORVALE/canmodif.inc", "<% new canmodif %>");
    WriteFileBytes(src / "KORVALE/index.htm", "<html>new</html>");
    WriteFileBytes(src / "KorvaleSrv", std::string("\x7f"
                                                   "ELF") +
                                           std::string(100, 'p'));
    auto made = testing::RunProcess("/usr/bin/gcab",
                                    {"-c", "-z", cabinet_.File("Korvale.cab"), "KorvaleSrv",
                                     "KORVALE/config.inc", "KORVALE/canmodif.inc", "KORVALE/index.htm"},
                                    {}, src.string());
    ASSERT_EQ(made.exit_code, 0) << made.output;
  }
  std::string Cab() const { return cabinet_.File("Korvale.cab"); }
  fs::path Folder() const { return folder_.path(); }

  TempDir source_;
  TempDir cabinet_;
  TempDir folder_;
};

TEST_F(CabinetExtractionTest, AFreshFolderGetsEveryFileWithItsDateAndProgramsStayRunnable) {
  RecordingUi ui;
  ASSERT_TRUE(ExtractCabinet(Cab(), Folder().string(), ui)) << ui.AllMessages();
  EXPECT_EQ(ReadFileBytes(Folder() / "KORVALE/config.inc"), "<% new config %>")
      << "a fresh installation gets the web folder's settings files";
  EXPECT_EQ(ReadFileBytes(Folder() / "KORVALE/index.htm"), "<html>new</html>");
  EXPECT_TRUE(ui.replace_questions.empty());
  struct stat st {};
  ASSERT_EQ(stat((Folder() / "KorvaleSrv").string().c_str(), &st), 0);
  EXPECT_TRUE(st.st_mode & S_IXUSR) << "the service host must stay a program";
  const auto written = fs::last_write_time(Folder() / "KORVALE/index.htm");
  const auto made = fs::last_write_time(source_.path() / "KORVALE/index.htm");
  EXPECT_LE(written, made);
  EXPECT_LT(made - written, std::chrono::seconds(2))
      << "the cabinet's date (two-second steps) is the file's date";
}

TEST_F(CabinetExtractionTest, AnUpgradeKeepsTheSiteSettingsAfterYesToAllAndAsksOnce) {
  RecordingUi first;
  ASSERT_TRUE(ExtractCabinet(Cab(), Folder().string(), first));
  WriteFileBytes(Folder() / "KORVALE/config.inc", "<% the site's own %>");
  WriteFileBytes(Folder() / "KORVALE/index.htm", "<html>changed by hand</html>");
  WriteFileBytes(Folder() / "KorvaleSrv", "old program");

  RecordingUi ui;
  ui.replace_answers = {ReplaceAnswer::kYesToAll};
  ASSERT_TRUE(ExtractCabinet(Cab(), Folder().string(), ui)) << ui.AllMessages();
  EXPECT_EQ(ReadFileBytes(Folder() / "KORVALE/config.inc"), "<% the site's own %>");
  EXPECT_EQ(ReadFileBytes(Folder() / "KORVALE/index.htm"), "<html>new</html>");
  EXPECT_EQ(ReadFileBytes(Folder() / "KorvaleSrv").substr(0, 4),
            "\x7f"
            "ELF");
  ASSERT_EQ(ui.replace_questions.size(), 1u) << "Yes to All answers for the rest";
  EXPECT_EQ(ui.replace_questions[0].heading,
            "The folder '" + Folder().string() + "' already contains a file named 'KorvaleSrv'");
  EXPECT_EQ(ui.replace_questions[0].existing.substr(0, 18),
            "11 Bytes, " + ui.replace_questions[0].existing.substr(10, 8));
}

TEST_F(CabinetExtractionTest, IdenticalFilesAreReplacedSilentlyAndNoToAllKeepsTheRest) {
  RecordingUi first;
  ASSERT_TRUE(ExtractCabinet(Cab(), Folder().string(), first));
  RecordingUi again;
  ASSERT_TRUE(ExtractCabinet(Cab(), Folder().string(), again));
  EXPECT_TRUE(again.replace_questions.empty()) << "nothing differs, nothing is asked";

  WriteFileBytes(Folder() / "KorvaleSrv", "mine");
  WriteFileBytes(Folder() / "KORVALE/index.htm", "mine too");
  RecordingUi ui;
  ui.replace_answers = {ReplaceAnswer::kNoToAll};
  ASSERT_TRUE(ExtractCabinet(Cab(), Folder().string(), ui));
  EXPECT_EQ(ui.replace_questions.size(), 1u);
  EXPECT_EQ(ReadFileBytes(Folder() / "KorvaleSrv"), "mine");
  EXPECT_EQ(ReadFileBytes(Folder() / "KORVALE/index.htm"), "mine too");
}

TEST_F(CabinetExtractionTest, MissingCorruptAndCutOffCabinetsGiveTheirMessages) {
  RecordingUi missing;
  EXPECT_FALSE(ExtractCabinet(cabinet_.File("none.cab"), Folder().string(), missing));
  EXPECT_EQ(missing.AllMessages(),
            "[Korvale Server Setup Error] Can't find " + cabinet_.File("none.cab") + ".\n");

  WriteFileBytes(cabinet_.path() / "junk.cab", std::string(5000, 'j'));
  RecordingUi corrupt;
  EXPECT_FALSE(ExtractCabinet(cabinet_.File("junk.cab"), Folder().string(), corrupt));
  EXPECT_EQ(corrupt.AllMessages(),
            "[Korvale Server Setup Error] Cabinet- File " + cabinet_.File("junk.cab") + " is corrupt.\n");

  const std::string whole = ReadFileBytes(Cab());
  WriteFileBytes(cabinet_.path() / "cut.cab", whole.substr(0, whole.size() - 40));
  RecordingUi cut;
  EXPECT_FALSE(ExtractCabinet(cabinet_.File("cut.cab"), Folder().string(), cut));
  EXPECT_EQ(cut.AllMessages(), "[Korvale Server Setup Error] Copying files from cabinet\n" +
                                   cabinet_.File("cut.cab") + " failed.\n");
}

}  // namespace
}  // namespace korvale::setup
