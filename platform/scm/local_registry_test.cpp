// The local service registry with real processes: a service is a detached
// process that outlives its starter, stop is SIGTERM with "stop pending" while
// the process lives, and every failure is a value with the system's words.
#include <gtest/gtest.h>

#include "platform/scm/service_account.h"
#include "platform/scm/service_manager.h"
#include "tests/support/temp_dir.h"

namespace korvale::scm {
namespace {

// Waits for the process to go as the configuration program does: for as long
// as the service reports "stop pending".
ServiceState WaitWhileStopPending(ServiceManager& services, const std::string& name) {
  for (;;) {
    Expected<ServiceState> state = services.Query(name);
    if (!state.ok()) return ServiceState::kRunning;
    if (*state != ServiceState::kStopPending) return *state;
  }
}

class LocalRegistryTest : public ::testing::Test {
 protected:
  testing::TempDir dir_;
  std::unique_ptr<ServiceManager> services_ = OpenLocalRegistry(dir_.File("services"));
};

TEST_F(LocalRegistryTest, ServiceLifecycleWithARealProcess) {
  ASSERT_TRUE(services_->Create({"Korvale Sleeper", "/bin/sleep", {"600"}}).ok());
  EXPECT_FALSE(services_->Create({"Korvale Sleeper", "/bin/sleep", {}}).ok()) << "names are unique";
  auto listed = services_->EnumerateServices();
  ASSERT_TRUE(listed.ok());
  ASSERT_EQ(listed->size(), 1u);
  EXPECT_EQ((*listed)[0].image_path, "/bin/sleep");
  EXPECT_EQ((*listed)[0].arguments, std::vector<std::string>{"600"});

  EXPECT_EQ(*services_->Query("Korvale Sleeper"), ServiceState::kStopped);
  EXPECT_FALSE(services_->Stop("Korvale Sleeper").ok()) << "a stopped service cannot be stopped";
  ASSERT_TRUE(services_->Start("Korvale Sleeper").ok());
  EXPECT_EQ(*services_->Query("Korvale Sleeper"), ServiceState::kRunning);
  EXPECT_FALSE(services_->Start("Korvale Sleeper").ok()) << "one instance only";
  EXPECT_FALSE(services_->Delete("Korvale Sleeper").ok()) << "a running service would be left unstoppable";

  ASSERT_TRUE(services_->Stop("Korvale Sleeper").ok());
  EXPECT_EQ(WaitWhileStopPending(*services_, "Korvale Sleeper"), ServiceState::kStopped);
  ASSERT_TRUE(services_->Start("Korvale Sleeper").ok()) << "a stopped service starts again";
  ASSERT_TRUE(services_->Stop("Korvale Sleeper").ok());
  EXPECT_EQ(WaitWhileStopPending(*services_, "Korvale Sleeper"), ServiceState::kStopped);

  ASSERT_TRUE(services_->Delete("Korvale Sleeper").ok());
  EXPECT_FALSE(services_->OpenService("Korvale Sleeper").ok());
  EXPECT_TRUE(services_->EnumerateServices()->empty());
}

TEST_F(LocalRegistryTest, FailuresAreValues) {
  EXPECT_FALSE(services_->OpenService("absent").ok());
  EXPECT_FALSE(services_->Query("absent").ok());
  EXPECT_FALSE(services_->Start("absent").ok());
  EXPECT_FALSE(services_->Delete("absent").ok());
  EXPECT_FALSE(services_->Create({"../escape", "/bin/true", {}}).ok()) << "a name is never a path";
  EXPECT_TRUE(services_->EnumerateServices()->empty()) << "an absent registry has no services";

  ASSERT_TRUE(services_->Create({"Korvale Missing", dir_.File("no-such-program"), {}}).ok());
  Status started = services_->Start("Korvale Missing");
  EXPECT_FALSE(started.ok());
  EXPECT_EQ(started.message(), "No such file or directory");
  EXPECT_EQ(*services_->Query("Korvale Missing"), ServiceState::kStopped);
}

}  // namespace
}  // namespace korvale::scm

namespace korvale::scm {
namespace {

// The service account stands for the right to run services: a user of this
// machine, named plainly or as DOMAIN\user; anything else refuses the create.
TEST(ServiceAccountTest, DomainUserNamesAreLookedUpAsTheMachineNamesThem) {
  EXPECT_EQ(ServiceAccountUser("root"), "root");
  EXPECT_EQ(ServiceAccountUser("KORVALE\\root"), "root") << "the domain is the accounts service's concern";
  EXPECT_FALSE(ServiceAccountUser("KORVALE\\no-such-user-korvale").has_value());
  EXPECT_FALSE(ServiceAccountUser("").has_value());
}

TEST_F(LocalRegistryTest, AServiceAccountThatIsNoUserRefusesTheCreate) {
  Status refused = services_->Create({"Korvale Account", "/bin/sleep", {"1"}, "DOM\\no-such-user-korvale"});
  EXPECT_FALSE(refused.ok());
  EXPECT_FALSE(services_->OpenService("Korvale Account").ok()) << "nothing is registered";
  ASSERT_TRUE(services_->Create({"Korvale Account", "/bin/sleep", {"1"}, "DOM\\root"}).ok());
  auto listed = services_->EnumerateServices();
  ASSERT_TRUE(listed.ok());
  EXPECT_EQ((*listed)[0].account, "DOM\\root") << "the account is kept as it was given";
}

}  // namespace
}  // namespace korvale::scm
