// The agent as the service host starts it: a real process in an installation
// folder, reporting to an event file.
#include <gtest/gtest.h>

#include <filesystem>

#include "agent/core/stop_atom.h"
#include "platform/atoms/atoms.h"
#include "platform/eventlog/eventlog.h"
#include "tests/support/process.h"
#include "tests/support/temp_dir.h"

namespace korvale {
namespace {

namespace fs = std::filesystem;

class CaldrunProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::copy_file(testing::BuiltProgram("agent/core/Caldrun"), dir_.path() / "Caldrun");
    fs::create_directory(atom_dir_);
    setenv("KORVALE_ATOM_DIR", atom_dir_.c_str(), 1);
  }
  void TearDown() override { unsetenv("KORVALE_ATOM_DIR"); }

  testing::ProcessResult Run(const std::vector<std::string>& args) {
    return testing::RunProcess((dir_.path() / "Caldrun").string(), args,
                               {{"KORVALE_EVENTLOG", events_}, {"KORVALE_ATOM_DIR", atom_dir_}});
  }
  std::vector<eventlog::EventRecord> Events() { return eventlog::ReadEventFile(events_); }
  void WriteIni(const std::string& text) { testing::WriteFileBytes(dir_.path() / "Caldrun.ini", text); }

  testing::TempDir dir_;
  std::string events_ = dir_.File("events.jsonl");
  std::string atom_dir_ = dir_.File("atoms");
};

bool HasText(const eventlog::EventRecord& e, const std::string& start) {
  return e.texts.size() > 1 && e.texts[1].rfind(start, 0) == 0;
}

TEST_F(CaldrunProcessTest, CycleLogsBannerAndSummary) {
  WriteIni("[Config]\r\nDB=none\r\n");
  auto result = Run({"Korvale Update Service"});
  EXPECT_EQ(result.exit_code, 0) << result.output;
  auto events = Events();
  ASSERT_GE(events.size(), 2u);
  const auto& banner = events.front();
  EXPECT_EQ(banner.id, 123u);
  EXPECT_EQ(banner.type, 4);
  EXPECT_EQ(banner.source, "Korvale Update Service");
  EXPECT_TRUE(HasText(banner, "Starting to scan calendars.\r\nUsing scanning engine V")) << banner.texts[1];
  EXPECT_NE(banner.texts[1].find("Engine: " + (dir_.path() / "Caldrun").string()), std::string::npos);
  const auto& summary = events.back();
  EXPECT_EQ(summary.id, 123u);
  EXPECT_TRUE(HasText(summary, "Task finished.\r\nElapsed Time: ")) << summary.texts[1];
  EXPECT_NE(summary.texts[1].find("Mailboxes Scanned: "), std::string::npos);
}

// The cycle still runs and reports what fails in it; only the banner and the
// summary are left out.
TEST_F(CaldrunProcessTest, SuccessLogZeroLogsNeitherBannerNorSummary) {
  WriteIni("[Config]\r\nSuccessLog=0\r\n");
  EXPECT_EQ(Run({"Korvale Update Service"}).exit_code, 0);
  auto events = Events();
  bool logon_failure = false;
  for (const auto& e : events) {
    EXPECT_NE(e.id, 123u) << e.texts.back();
    logon_failure |= e.id == 137u && HasText(e, "Logon failed.");
  }
  EXPECT_TRUE(logon_failure) << "without a logon server the cycle reports that it cannot log on";
}

// A stop requested before the start: the agent deletes the atom and ends at once.
TEST_F(CaldrunProcessTest, StopAtomPresentAtStart) {
  WriteIni("[Config]\r\n");
  ASSERT_TRUE(RequestStop("Korvale Update Service"));
  EXPECT_EQ(Run({"Korvale Update Service"}).exit_code, 0);
  EXPECT_EQ(atoms::GlobalFindAtom(StopAtomName("Korvale Update Service")), 0) << "atom must be consumed";
  EXPECT_TRUE(Events().empty()) << "a stopped start neither logs on nor reports";
}

TEST_F(CaldrunProcessTest, NoArgumentUsesTheEmptyInstanceName) {
  WriteIni("[Config]\r\n");
  ASSERT_TRUE(RequestStop(""));
  EXPECT_EQ(atoms::GlobalFindAtom("KorvaleStopService") != 0, true);
  EXPECT_EQ(Run({}).exit_code, 0);
  EXPECT_EQ(atoms::GlobalFindAtom("KorvaleStopService"), 0);
  // Without a stop request the empty name is the event source.
  EXPECT_EQ(Run({}).exit_code, 0);
  auto events = Events();
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.front().source, "");
  EXPECT_EQ(events.front().texts[0], "The  reported the following information:\r\n");
}

TEST_F(CaldrunProcessTest, BrokenIniStillRunsTheCycle) {
  std::string garbage;
  for (int i = 0; i < 2000; ++i) garbage += static_cast<char>((i * 37) % 256);
  WriteIni(garbage);
  auto result = Run({"Korvale Update Service"});
  EXPECT_EQ(result.exit_code, 0) << result.output;
  auto events = Events();
  ASSERT_FALSE(events.empty());
  EXPECT_TRUE(HasText(events.back(), "Task finished.")) << events.back().texts.back();
}

}  // namespace
}  // namespace korvale
