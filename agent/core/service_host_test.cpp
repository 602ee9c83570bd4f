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
#include "platform/scm/service_manager.h"
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
    // A service a failed test left running is stopped, so no process outlives the test.
    auto services = scm::OpenLocalRegistry(dir_.File("services"));
    if (auto listed = services->EnumerateServices(); listed.ok()) {
      for (const auto& service : *listed) {
        if (!services->Stop(service.name).ok()) continue;
        while (services->Query(service.name).ok() &&
               *services->Query(service.name) == scm::ServiceState::kStopPending) {
          std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
      }
    }
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
  testing::WriteFileBytes(agent,
                          "#!/bin/sh\ntouch \"$0.started\"\n"
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

// -i registers the host of this folder with the machine's service manager
// (here the local registry), run with the service name; -u stops it if it
// runs and removes it, so no service process is left behind.
TEST_F(ServiceHostTest, InstallAndRemoveTheService) {
  const std::string registry = dir_.File("services");
  std::map<std::string, std::string> env{{"KORVALE_SERVICE_DIR", registry}};
  testing::ProcessResult r = testing::RunProcess(Host(), {"-i", "Korvale Update Service"}, env);
  EXPECT_EQ(r.exit_code, 0) << r.output;
  auto services = scm::OpenLocalRegistry(registry);
  auto listed = services->EnumerateServices();
  ASSERT_TRUE(listed.ok());
  ASSERT_EQ(listed->size(), 1u);
  EXPECT_EQ((*listed)[0].name, "Korvale Update Service");
  EXPECT_EQ((*listed)[0].image_path, Host());
  EXPECT_EQ((*listed)[0].arguments, std::vector<std::string>{"Korvale Update Service"});

  r = testing::RunProcess(Host(), {"-i", "Korvale Update Service"}, env);
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.output.find("could not be installed: The specified service already exists."), std::string::npos)
      << r.output;

  ASSERT_TRUE(services->Start("Korvale Update Service").ok());
  for (int i = 0; i < 300 && CountEvents("Korvale Update Service", kHostStartedEvent) == 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ASSERT_EQ(CountEvents("Korvale Update Service", kHostStartedEvent), 1) << "the service never started";
  r = testing::RunProcess(Host(), {"-u", "Korvale Update Service"}, env);
  EXPECT_EQ(r.exit_code, 0) << r.output;
  EXPECT_TRUE(services->EnumerateServices()->empty());
  EXPECT_EQ(CountEvents("Korvale Update Service", kHostStoppedEvent), 1)
      << "the running host was stopped first";

  r = testing::RunProcess(Host(), {"-u", "Korvale Update Service"}, env);
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.output.find("could not be removed: The specified service does not exist"), std::string::npos)
      << r.output;
}

}  // namespace
}  // namespace korvale
