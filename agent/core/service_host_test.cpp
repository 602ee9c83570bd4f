// The service host as administrators run it: a real daemon process starting
// the real agent in its installation folder.
#include "agent/core/service_host.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>

#include "agent/core/stop_atom.h"
#include "platform/atoms/atoms.h"
#include "platform/eventlog/eventlog.h"
#include "tests/support/process.h"
#include "tests/support/temp_dir.h"

namespace korvale {
namespace {

namespace fs = std::filesystem;

class ServiceHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::copy_file(testing::BuiltProgram("agent/core/Caldrun"), dir_.path() / "Caldrun");
    fs::copy_file(testing::BuiltProgram("agent/core/KorvaleSrv"), dir_.path() / "KorvaleSrv");
    testing::WriteFileBytes(dir_.path() / "Caldrun.ini", "[Config]\r\nCycleTime=1\r\n");
    fs::create_directory(atom_dir_);
    setenv("KORVALE_ATOM_DIR", atom_dir_.c_str(), 1);
    setenv("KORVALE_EVENTLOG", events_.c_str(), 1);
  }
  void TearDown() override {
    unsetenv("KORVALE_ATOM_DIR");
    unsetenv("KORVALE_EVENTLOG");
  }
  std::string Host() const { return (dir_.path() / "KorvaleSrv").string(); }
  int CountEvents(const std::string& source, uint32_t id) {
    int n = 0;
    for (const auto& e : eventlog::ReadEventFile(events_)) n += (e.source == source && e.id == id);
    return n;
  }

  testing::TempDir dir_;
  std::string events_ = dir_.File("events.jsonl");
  std::string atom_dir_ = dir_.File("atoms");
};

TEST_F(ServiceHostTest, OneCycleStartsTheAgentWithTheServiceName) {
  auto result = testing::RunProcess(Host(), {"--cycles", "1", "Korvale Test Service"});
  EXPECT_EQ(result.exit_code, 0) << result.output;
  EXPECT_EQ(CountEvents("Korvale Test Service", kHostStartedEvent), 1);
  EXPECT_EQ(CountEvents("Korvale Test Service", kAgentExitEvent), 1);
  EXPECT_EQ(CountEvents("Korvale Test Service", kHostStoppedEvent), 1);
  // The agent reported under the name it was given.
  EXPECT_EQ(CountEvents("Korvale Test Service", 123), 2);
}

// SIGTERM between cycles ends the daemon without waiting out CycleTime.
TEST_F(ServiceHostTest, TerminateEndsTheDaemon) {
  pid_t pid = fork();
  if (pid == 0) {
    execl(Host().c_str(), Host().c_str(), "Korvale Test Service", static_cast<char*>(nullptr));
    _exit(127);
  }
  for (int i = 0; i < 300 && CountEvents("Korvale Test Service", kAgentExitEvent) == 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ASSERT_EQ(CountEvents("Korvale Test Service", kAgentExitEvent), 1) << "first cycle never ended";
  kill(pid, SIGTERM);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(CountEvents("Korvale Test Service", kHostStoppedEvent), 1);
}

// A stop asked for while no cycle runs waits for the next agent start.
TEST_F(ServiceHostTest, StopOptionAddsTheAtom) {
  EXPECT_EQ(testing::RunProcess(Host(), {"--stop", "Korvale Test Service"}).exit_code, 0);
  EXPECT_NE(atoms::GlobalFindAtom("KorvaleStopServiceKorvale Test Service"), 0);
  EXPECT_EQ(testing::RunProcess(Host(), {"--cycles", "1", "Korvale Test Service"}).exit_code, 0);
  EXPECT_EQ(atoms::GlobalFindAtom("KorvaleStopServiceKorvale Test Service"), 0);
  EXPECT_EQ(CountEvents("Korvale Test Service", 123), 0) << "the stopped agent must not run its cycle";
}

// A stop that arrives after the agent's last look at the atom was meant for
// that cycle: once the agent has ended the host takes it back, so the next
// cycle does not end at its start.
TEST_F(ServiceHostTest, StopTheAgentDidNotSeeEndsWithItsCycle) {
  // An agent that never looks at the atom: it says it runs, then waits to be let go.
  const fs::path agent = dir_.path() / "Caldrun";
  fs::remove(agent);
  testing::WriteFileBytes(agent, "#!/bin/sh\ntouch \"$0.started\"\n"
                                 "while [ ! -e \"$0.release\" ]; do sleep 0.05; done\n");
  fs::permissions(agent, fs::perms::owner_all);
  pid_t pid = fork();
  if (pid == 0) {
    execl(Host().c_str(), Host().c_str(), "Korvale Test Service", static_cast<char*>(nullptr));
    _exit(127);
  }
  const std::string atom = "KorvaleStopServiceKorvale Test Service";
  auto wait_for = [](const std::function<bool()>& condition) {
    for (int i = 0; i < 600 && !condition(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return condition();
  };
  ASSERT_TRUE(wait_for([&] { return fs::exists(agent.string() + ".started"); })) << "the agent never ran";
  kill(pid, SIGTERM);
  ASSERT_TRUE(wait_for([&] { return atoms::GlobalFindAtom(atom) != 0; })) << "the host asked for no stop";
  testing::WriteFileBytes(agent.string() + ".release", "");
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(atoms::GlobalFindAtom(atom), 0) << "the stop outlived the cycle it was meant for";
}

TEST_F(ServiceHostTest, InstallAndRemoveTheUnit) {
  std::string units = dir_.File("units");
  fs::create_directory(units);
  std::map<std::string, std::string> env{{"KORVALE_SYSTEMD_DIR", units}};
  EXPECT_EQ(testing::RunProcess(Host(), {"-i", "Korvale Update Service"}, env).exit_code, 0);
  auto unit = fs::path(units) / "korvale-korvale-update-service.service";
  std::string text = testing::ReadFileBytes(unit);
  EXPECT_NE(text.find("ExecStart=\"" + Host() + "\" \"Korvale Update Service\""), std::string::npos) << text;
  EXPECT_EQ(testing::RunProcess(Host(), {"-u", "Korvale Update Service"}, env).exit_code, 0);
  EXPECT_FALSE(fs::exists(unit));
}

}  // namespace
}  // namespace korvale
