// The agent as the service host starts it: a real process in an installation
// folder, reporting to an event file.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <thread>

#include "agent/core/stop_atom.h"
#include "platform/atoms/atoms.h"
#include "platform/eventlog/eventlog.h"
#include "tests/support/process.h"
#include "tests/support/temp_dir.h"

namespace korvale {
namespace {

namespace fs = std::filesystem;

// A settings file the agent finds nothing wrong with: a [Config] section that
// names a scan group with members, CRLF after every line.
constexpr char kSoundIni[] = "[Config]\r\nDB=none\r\nDL1=Anna Berg\r\nGroup1=Team\r\n";

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
  WriteIni(kSoundIni);
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

TEST_F(CaldrunProcessTest, SuccessLogZeroLogsNeitherBannerNorSummary) {
  WriteIni(std::string(kSoundIni) + "SuccessLog=0\r\n");
  EXPECT_EQ(Run({"Korvale Update Service"}).exit_code, 0);
  for (const auto& e : Events()) EXPECT_NE(e.id, 123u) << e.texts.back();
}

// A stop requested before the start: the agent deletes the atom and ends at once.
TEST_F(CaldrunProcessTest, StopAtomPresentAtStart) {
  WriteIni(kSoundIni);
  ASSERT_TRUE(RequestStop("Korvale Update Service"));
  EXPECT_EQ(Run({"Korvale Update Service"}).exit_code, 0);
  EXPECT_EQ(atoms::GlobalFindAtom(StopAtomName("Korvale Update Service")), 0) << "atom must be consumed";
  EXPECT_TRUE(Events().empty()) << "a stopped start neither logs on nor reports";
}

TEST_F(CaldrunProcessTest, NoArgumentUsesTheEmptyInstanceName) {
  WriteIni(kSoundIni);
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

// A settings file cut off while it was copied, and one of random bytes: the
// first event says so and names the file; the cycle then runs as before.
TEST_F(CaldrunProcessTest, DamagedSettingsFileIsReportedFirst) {
  std::string full =
      "; Written by the configuration program\r\n[Config]\r\nDB=none\r\nLogonServer=SRV1\r\n"
      "LogonMailbox=Korvale Service\r\nDaysPast=15\r\nDaysAhead=60\r\nSuccessLog=1\r\n"
      "RecreateMAPIProfile=1\r\nNotificationServer=SRV1\r\nNotificationMailbox=Korvale Service\r\n"
      "ExcludeCategories=Private; Holiday\r\nFields=AllDayEvent, ApptText\r\nServer1=SRV1\r\n"
      "DL1=Anna Berg;Ben Carter\r\nGroup1=Team\r\n[Group1]\r\nAddr1=/o=Org/cn=anna\r\n";
  ASSERT_GT(full.size(), 300u);
  ASSERT_NE(full.substr(0, 300).find("[Config]"), std::string::npos);
  std::mt19937 random(20261207);
  std::string noise;
  for (int i = 0; i < 4096; ++i) noise += static_cast<char>(random() % 256);
  noise.back() = 'x';  // the last line has no end
  struct Case {
    const char* what;
    std::string bytes;
    std::vector<std::string> reasons;
  } cases[] = {
      {"cut after 300 bytes", full.substr(0, 300),
       {"it ends inside a line", "it names no scan group (no Group1 key)"}},
      {"random bytes", noise,
       {"it holds no [Config] section", "it ends inside a line", "it names no scan group"}},
  };
  const std::string ini = (dir_.path() / "Caldrun.ini").string();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove(events_);
    WriteIni(c.bytes);
    auto result = Run({"Korvale Update Service"});
    EXPECT_EQ(result.exit_code, 0) << result.output;
    auto events = Events();
    ASSERT_FALSE(events.empty());
    const auto& first = events.front();
    EXPECT_EQ(first.id, 152u);
    EXPECT_EQ(first.type, 2) << "a warning";
    EXPECT_TRUE(HasText(first, "The settings file " + ini + " is incomplete or damaged: ")) << first.texts.back();
    for (const auto& reason : c.reasons) {
      EXPECT_NE(first.texts[1].find(reason), std::string::npos) << reason << " in " << first.texts[1];
    }
    EXPECT_EQ(first.texts[1].find("no [Config] section") != std::string::npos,
              c.reasons.front() == "it holds no [Config] section");
    EXPECT_TRUE(HasText(events.back(), "Task finished.")) << "the cycle runs as before";
  }
  // A sound file says nothing of the kind.
  fs::remove(events_);
  WriteIni(full);
  EXPECT_EQ(Run({"Korvale Update Service"}).exit_code, 0);
  for (const auto& e : Events()) EXPECT_NE(e.id, 152u) << e.texts.back();
}

}  // namespace
}  // namespace korvale
