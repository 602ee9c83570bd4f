// systemd's services over the system bus, where one answers (in containers
// and CI there is none: those tests then skip and say so), and the same client
// over a private bus against a fake systemd, which runs everywhere.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "platform/scm/fake_systemd.h"
#include "platform/scm/service_manager.h"
#include "tests/support/temp_dir.h"

namespace korvale::scm {
namespace {

namespace fs = std::filesystem;

// Waits as the configuration program does: for as long as the service reports "stop pending".
ServiceState WaitWhileStopPending(ServiceManager& services, const std::string& name) {
  for (;;) {
    Expected<ServiceState> state = services.Query(name);
    if (!state.ok() || *state != ServiceState::kStopPending)
      return state.ok() ? *state : ServiceState::kRunning;
    usleep(50'000);
  }
}

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
    if (services_->Stop(name_).ok()) WaitWhileStopPending(*services_, name_);
    (void)services_->Delete(name_);
  }

  std::unique_ptr<ServiceManager> services_;
  const std::string name_ = "Korvale Scm Test " + std::to_string(getpid());
};

// Every enumerated name opens again: the names survive the way to unit names and back.
TEST_F(SystemdManagerTest, EnumeratesServicesWithTheirPrograms) {
  Expected<std::vector<ServiceDefinition>> listed = services_->EnumerateServices();
  ASSERT_TRUE(listed.ok()) << listed.status().message();
  ASSERT_FALSE(listed->empty()) << "a machine run by systemd has services";
  EXPECT_TRUE(std::any_of(listed->begin(), listed->end(), [](const ServiceDefinition& s) {
    return s.image_path.starts_with("/");
  })) << "services run programs named by their full paths";
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
  EXPECT_EQ(WaitWhileStopPending(*services_, name_), ServiceState::kStopped);
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

// The client's calls, their signatures and its reading of the replies, over a
// real message bus against a fake systemd (see fake_systemd.h).
class FakeSystemdTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directory(units_);
    Expected<std::unique_ptr<FakeSystemdBus>> started = FakeSystemdBus::Start(dir_.path().string(), units_);
    if (!started.ok()) GTEST_SKIP() << "no private message bus here: " << started.status().message();
    bus_ = std::move(started).value();
    setenv("DBUS_SYSTEM_BUS_ADDRESS", bus_->address().c_str(), 1);
    Expected<std::unique_ptr<ServiceManager>> opened = OpenSystemdManager(units_);
    ASSERT_TRUE(opened.ok()) << opened.status().message();
    services_ = std::move(opened).value();
  }
  void TearDown() override {
    services_.reset();
    bus_.reset();
    unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
  }

  testing::TempDir dir_;
  const std::string units_ = dir_.File("units");
  std::unique_ptr<FakeSystemdBus> bus_;
  std::unique_ptr<ServiceManager> services_;
};

TEST_F(FakeSystemdTest, LifecycleOfACreatedService) {
  const std::string name = "Korvale Update Service 100% \"two\"";
  ASSERT_TRUE(services_->Create({name, "/bin/sleep", {"600", "$HOME", "a\\b"}}).ok());
  EXPECT_TRUE(
      fs::exists(fs::path(units_) / "Korvale\\x20Update\\x20Service\\x20100\\x25\\x20\\x22two\\x22.service"));
  EXPECT_FALSE(services_->Create({name, "/bin/sleep", {}}).ok()) << "names are unique";
  EXPECT_FALSE(services_->Create({"", "/bin/sleep", {}}).ok());

  Expected<std::vector<ServiceDefinition>> listed = services_->EnumerateServices();
  ASSERT_TRUE(listed.ok()) << listed.status().message();
  ASSERT_EQ(listed->size(), 2u) << "the created service and the system's";
  auto found = std::find_if(listed->begin(), listed->end(), [&](const auto& s) { return s.name == name; });
  ASSERT_NE(found, listed->end()) << "the created service is listed under its own name";
  EXPECT_EQ(found->image_path, "/bin/sleep");
  EXPECT_EQ(found->arguments, (std::vector<std::string>{"600", "$HOME", "a\\b"}));

  EXPECT_EQ(*services_->Query(name), ServiceState::kStopped);
  EXPECT_FALSE(services_->Stop(name).ok()) << "a stopped service cannot be stopped";
  Status started = services_->Start(name);
  ASSERT_TRUE(started.ok()) << started.message();
  EXPECT_EQ(*services_->Query(name), ServiceState::kRunning);
  EXPECT_FALSE(services_->Delete(name).ok()) << "a running service is not removed";
  ASSERT_TRUE(services_->Stop(name).ok());
  EXPECT_EQ(*services_->Query(name), ServiceState::kStopPending) << "a queued stop job is pending already";
  EXPECT_EQ(WaitWhileStopPending(*services_, name), ServiceState::kStopped);
  Status deleted = services_->Delete(name);
  ASSERT_TRUE(deleted.ok()) << deleted.message();
  EXPECT_TRUE(fs::is_empty(units_));
  EXPECT_FALSE(services_->OpenService(name).ok());
}

TEST_F(FakeSystemdTest, ServicesOfTheSystemAreListedButNotRemoved) {
  Expected<std::vector<ServiceDefinition>> listed = services_->EnumerateServices();
  ASSERT_TRUE(listed.ok()) << listed.status().message();
  ASSERT_EQ(listed->size(), 1u);
  EXPECT_EQ((*listed)[0].name, "ssh");
  EXPECT_EQ((*listed)[0].image_path, "/usr/sbin/sshd");
  EXPECT_EQ((*listed)[0].arguments, std::vector<std::string>{"-D"});
  EXPECT_EQ(*services_->Query("ssh"), ServiceState::kRunning);
  ASSERT_TRUE(services_->Stop("ssh").ok());
  EXPECT_EQ(WaitWhileStopPending(*services_, "ssh"), ServiceState::kStopped);
  Status deleted = services_->Delete("ssh");
  EXPECT_FALSE(deleted.ok());
  EXPECT_NE(deleted.message().find("lies outside"), std::string::npos) << deleted.message();
  EXPECT_FALSE(services_->OpenService("Korvale Absent").ok());
  EXPECT_EQ(services_->Query("Korvale Absent").status().message(),
            "The specified service does not exist as an installed service.");
}

TEST_F(FakeSystemdTest, AProgramThatCannotRunIsAFailedStart) {
  ASSERT_TRUE(services_->Create({"Korvale Missing", dir_.File("no-such-program"), {}}).ok());
  Status started = services_->Start("Korvale Missing");
  EXPECT_FALSE(started.ok());
  EXPECT_EQ(started.message(), "The service did not start: its start job ended with \"failed\".");
  EXPECT_EQ(*services_->Query("Korvale Missing"), ServiceState::kStopped);
}

TEST_F(FakeSystemdTest, AUnitFileThatCannotBeWrittenIsAFailedCreate) {
  Expected<std::unique_ptr<ServiceManager>> elsewhere = OpenSystemdManager(dir_.File("absent"));
  ASSERT_TRUE(elsewhere.ok()) << elsewhere.status().message();
  Status created = (*elsewhere)->Create({"Korvale Update Service", "/bin/sleep", {}});
  EXPECT_FALSE(created.ok());
  EXPECT_EQ(created.message(), "Cannot write " + dir_.File("absent") +
                                   "/Korvale\\x20Update\\x20Service.service: No such file or directory");
  EXPECT_FALSE((*elsewhere)->OpenService("Korvale Update Service").ok());
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
