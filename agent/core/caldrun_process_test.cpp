// The agent as the service host starts it: a real process in an installation
// folder, reporting to an event file.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

#include "agent/core/stop_atom.h"
#include "platform/atoms/atoms.h"
#include "platform/atoms/instance_lock.h"
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

// The cycle still runs and reports what fails in it; only the banner and the
// summary are left out.
TEST_F(CaldrunProcessTest, SuccessLogZeroLogsNeitherBannerNorSummary) {
  WriteIni(std::string(kSoundIni) + "SuccessLog=0\r\n");
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
      {"cut after 300 bytes",
       full.substr(0, 300),
       {"it ends inside a line", "it names no scan group (no Group1 key)"}},
      {"random bytes",
       noise,
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
    EXPECT_TRUE(HasText(first, "The settings file " + ini + " is incomplete or damaged: "))
        << first.texts.back();
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

// Two agents started from the same folder: the first one is held inside its
// cycle (its event file is a pipe nobody reads yet) while the second starts.
class InstanceClaimTest : public CaldrunProcessTest {
 protected:
  void SetUp() override {
    CaldrunProcessTest::SetUp();
    WriteIni(kSoundIni);
    ASSERT_EQ(::mkfifo(pipe_.c_str(), 0600), 0);
  }
  void TearDown() override {
    if (first_ > 0) {
      ::kill(first_, SIGKILL);
      ::waitpid(first_, nullptr, 0);
    }
    CaldrunProcessTest::TearDown();
  }

  // True while `pid` sleeps in opening a file: the first agent waiting for a
  // reader of its event pipe (the only open here that can block).
  static bool BlockedInOpen(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    const size_t name_end = line.rfind(')');  // "pid (name) state ..."
    if (name_end == std::string::npos || line.compare(name_end, 4, ") S ") != 0) return false;
    std::ifstream syscall("/proc/" + std::to_string(pid) + "/syscall");
    long number = -1;
    if (!(syscall >> number)) return false;
#ifdef SYS_open
    if (number == SYS_open) return true;
#endif
    return number == SYS_openat;
  }

  // Starts the first agent, reporting into the pipe, and waits until it holds
  // its name and has begun its cycle: its banner blocks until the pipe is
  // read. Past the claim alone it may not yet have looked for a stop request,
  // and would take the one the test adds next.
  void StartFirst(const std::string& name) {
    first_ = ::fork();
    ASSERT_GE(first_, 0);
    if (first_ == 0) {
      ::setenv("KORVALE_EVENTLOG", pipe_.c_str(), 1);
      // As RunProcess does: what the database driver keeps at exit is no leak of ours.
      if (const char* asan = std::getenv("ASAN_OPTIONS")) {
        ::setenv("ASAN_OPTIONS", (std::string(asan) + ":detect_leaks=0").c_str(), 1);
      }
      int null = ::open("/dev/null", O_WRONLY);
      ::dup2(null, 1);
      ::dup2(null, 2);
      const std::string program = (dir_.path() / "Caldrun").string();
      ::execl(program.c_str(), program.c_str(), name.c_str(), static_cast<char*>(nullptr));
      ::_exit(127);
    }
    // A generous bound only against a broken build; the claim comes at once.
    for (int i = 0; i < 6000; ++i) {
      Expected<bool> held = atoms::InstanceLock::IsHeld(name);
      ASSERT_TRUE(held.ok()) << held.status().message();
      if (*held && BlockedInOpen(first_)) return;
      ASSERT_EQ(::waitpid(first_, nullptr, WNOHANG), 0) << "the first agent ended before it held its name";
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    FAIL() << "the first agent never held its name while waiting for its event pipe";
  }

  // Reads the first agent's events to their end and waits for it.
  std::vector<eventlog::EventRecord> FinishFirst(int* exit_code) {
    std::string bytes;
    int fd = ::open(pipe_.c_str(), O_RDONLY);
    char buffer[4096];
    ssize_t n;
    while (fd >= 0 && (n = ::read(fd, buffer, sizeof buffer)) > 0)
      bytes.append(buffer, static_cast<size_t>(n));
    if (fd >= 0) ::close(fd);
    int status = 0;
    ::waitpid(first_, &status, 0);
    first_ = -1;
    *exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    const std::string copy = dir_.File("first-events.jsonl");
    testing::WriteFileBytes(copy, bytes);
    return eventlog::ReadEventFile(copy);
  }

  std::string pipe_ = dir_.File("first-events.pipe");
  pid_t first_ = -1;
};

// The second start of a running name says so in one event and ends: it takes
// neither the stop request meant for the running agent nor anything else.
TEST_F(InstanceClaimTest, SecondStartOfARunningNameEndsAtOnce) {
  StartFirst("Korvale Update Service");
  ASSERT_TRUE(RequestStop("Korvale Update Service"));
  auto second = Run({"korvale UPDATE service"});  // names are one without regard to case
  EXPECT_EQ(second.exit_code, 0) << second.output;
  auto events = Events();
  std::string seen;
  for (const auto& e : events) seen += std::to_string(e.id) + ": " + e.texts.back() + "\n";
  ASSERT_EQ(events.size(), 1u) << "one event and nothing else:\n" << seen;
  EXPECT_EQ(events[0].id, 153u);
  EXPECT_EQ(events[0].type, 2);
  EXPECT_TRUE(
      HasText(events[0], "Another agent named korvale UPDATE service is already running on this machine."))
      << events[0].texts.back();
  EXPECT_NE(atoms::GlobalFindAtom(StopAtomName("Korvale Update Service")), 0)
      << "the stop request stays for the running agent";
  EXPECT_TRUE(ConsumeStopAtom("Korvale Update Service"));

  int first_exit = -1;
  auto first_events = FinishFirst(&first_exit);
  EXPECT_EQ(first_exit, 0);
  ASSERT_FALSE(first_events.empty());
  EXPECT_TRUE(HasText(first_events.back(), "Task finished.")) << "the first agent's cycle was not disturbed";

  // Once the first has ended, the name is free again.
  fs::remove(events_);
  EXPECT_EQ(Run({"Korvale Update Service"}).exit_code, 0);
  auto third = Events();
  ASSERT_FALSE(third.empty());
  EXPECT_EQ(third.front().id, 123u) << "the banner: this start ran its cycle";
}

// An agent killed in the middle of its cycle (kill -9) leaves its name free
// for the next start: nobody has to clean up after it.
TEST_F(InstanceClaimTest, KilledAgentLeavesItsNameFree) {
  StartFirst("Korvale Update Service");
  ASSERT_EQ(::kill(first_, SIGKILL), 0);
  ASSERT_EQ(::waitpid(first_, nullptr, 0), first_);
  first_ = -1;
  EXPECT_EQ(Run({"Korvale Update Service"}).exit_code, 0);
  auto events = Events();
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.front().id, 123u);
  EXPECT_TRUE(HasText(events.back(), "Task finished."));
}

// Different names run side by side.
TEST_F(InstanceClaimTest, OtherNamesAreNotHeldBack) {
  StartFirst("Korvale Update Service");
  EXPECT_EQ(Run({"Korvale Update Service 2"}).exit_code, 0);
  auto events = Events();
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.front().id, 123u);
  EXPECT_EQ(events.front().source, "Korvale Update Service 2");
}

}  // namespace
}  // namespace korvale
