// systemd's services over the system bus, where one answers. In containers and
// CI there is none: every test here then skips and says so.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "platform/scm/service_manager.h"
#include "tests/support/temp_dir.h"

namespace korvale::scm {
namespace {

// Units in /run vanish at the next boot, so a test that dies leaves nothing for good.
constexpr const char* kRuntimeUnits = "/run/systemd/system";

class SystemdManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Expected<std::unique_ptr<ServiceManager>> opened = OpenSystemdManager(kRuntimeUnits);
    if (!opened.ok()) {
      GTEST_SKIP() << "no system bus with systemd answers on this machine (" << opened.status().message()
                   << "); containers and CI have none, so systemd's service manager is not exercised here";
    }
    services_ = std::move(opened).value();
  }
  void TearDown() override {
    if (!services_ || !services_->OpenService(name_).ok()) return;
    if (services_->Stop(name_).ok()) WaitWhileStopPending();
    (void)services_->Delete(name_);
  }
  ServiceState WaitWhileStopPending() {
    for (;;) {
      Expected<ServiceState> state = services_->Query(name_);
      if (!state.ok() || *state != ServiceState::kStopPending) return state.ok() ? *state : ServiceState::kRunning;
      usleep(50'000);
    }
  }

  std::unique_ptr<ServiceManager> services_;
  const std::string name_ = "Korvale Scm Test " + std::to_string(getpid());
};

// Every enumerated name opens again: the names survive the way to unit names and back.
TEST_F(SystemdManagerTest, EnumeratesServicesWithTheirPrograms) {
  Expected<std::vector<ServiceDefinition>> listed = services_->EnumerateServices();
  ASSERT_TRUE(listed.ok()) << listed.status().message();
  ASSERT_FALSE(listed->empty()) << "a machine run by systemd has services";
  EXPECT_TRUE(std::any_of(listed->begin(), listed->end(),
                          [](const ServiceDefinition& s) { return s.image_path.starts_with("/"); }))
      << "services run programs named by their full paths";
  for (const ServiceDefinition& service : *listed) {
    EXPECT_TRUE(services_->OpenService(service.name).ok()) << service.name;
  }
  EXPECT_FALSE(services_->OpenService("Korvale No Such Service").ok());
}

TEST_F(SystemdManagerTest, LifecycleOfACreatedService) {
  if (geteuid() != 0) GTEST_SKIP() << "creating a systemd unit needs root; this test runs as a user";
  ASSERT_TRUE(services_->Create({name_, "/bin/sleep", {"600"}}).ok());
  EXPECT_FALSE(services_->Create({name_, "/bin/sleep", {"600"}}).ok()) << "names are unique";
  Expected<std::vector<ServiceDefinition>> listed = services_->EnumerateServices();
  ASSERT_TRUE(listed.ok()) << listed.status().message();
  auto found = std::find_if(listed->begin(), listed->end(), [&](const auto& s) { return s.name == name_; });
  ASSERT_NE(found, listed->end()) << "the created service is listed under its own name";
  EXPECT_EQ(found->image_path, "/bin/sleep");
  EXPECT_EQ(found->arguments, std::vector<std::string>{"600"});

  EXPECT_EQ(*services_->Query(name_), ServiceState::kStopped);
  EXPECT_FALSE(services_->Stop(name_).ok()) << "a stopped service cannot be stopped";
  Status started = services_->Start(name_);
  ASSERT_TRUE(started.ok()) << started.message();
  EXPECT_EQ(*services_->Query(name_), ServiceState::kRunning);
  EXPECT_FALSE(services_->Delete(name_).ok()) << "a running service is not removed";
  ASSERT_TRUE(services_->Stop(name_).ok());
  EXPECT_EQ(WaitWhileStopPending(), ServiceState::kStopped);
  Status deleted = services_->Delete(name_);
  ASSERT_TRUE(deleted.ok()) << deleted.message();
  EXPECT_FALSE(services_->OpenService(name_).ok());
}

TEST_F(SystemdManagerTest, AProgramThatCannotRunIsAFailedStart) {
  if (geteuid() != 0) GTEST_SKIP() << "creating a systemd unit needs root; this test runs as a user";
  ASSERT_TRUE(services_->Create({name_, "/nonexistent/KorvaleSrv", {}}).ok());
  EXPECT_FALSE(services_->Start(name_).ok());
  EXPECT_EQ(*services_->Query(name_), ServiceState::kStopped);
}

// Tests and demos name their own registry: then systemd is never asked.
TEST(ServiceManagerChoice, ARegistryFolderInTheEnvironmentWins) {
  testing::TempDir dir;
  setenv("KORVALE_SERVICE_DIR", dir.File("services").c_str(), 1);
  std::unique_ptr<ServiceManager> services = OpenServiceManager();
  unsetenv("KORVALE_SERVICE_DIR");
  ASSERT_TRUE(services->Create({"Korvale Update Service", "/bin/true", {}}).ok());
  EXPECT_TRUE(std::filesystem::exists(dir.path() / "services" / "Korvale Update Service.service"));
}

}  // namespace
}  // namespace korvale::scm
