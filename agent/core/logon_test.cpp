// The temporary profile and the logon sequence against a real organisation store.
#include <gtest/gtest.h>

#include "agent/core/mapi_logon.h"
#include "agent/core/temp_profile.h"
#include "agent/core/test_organisation.h"

namespace korvale {
namespace {

using namespace mapi;
using testing::OrganisationTest;

class LogonTest : public OrganisationTest {
 protected:
  std::optional<int32_t> ConnectFlags(const std::string& profile) {
    std::shared_ptr<IProfAdmin> admin;
    EXPECT_EQ(MAPIAdminProfiles(0, &admin), S_OK);
    std::shared_ptr<IMsgServiceAdmin> services;
    if (FAILED(admin->AdminServices(profile, "", 0, 0, &services))) return std::nullopt;
    std::shared_ptr<IProfSect> section;
    if (FAILED(services->OpenProfileSection(pbGlobalProfileSectionGuid, nullptr, 0, &section))) {
      return std::nullopt;
    }
    SPropValue v;
    if (FAILED(HrGetOneProp(section.get(), PR_PROFILE_CONNECT_FLAGS, &v)) || !v.Long()) return std::nullopt;
    return *v.Long();
  }
};

TEST_F(LogonTest, CreatesProfileAndLogsOnWithEveryObject) {
  AgentSettings settings;
  settings.logon_server = "SRV1";
  settings.logon_mailbox = "Service Account";
  ASSERT_EQ(CreateTempProfile("SRV1", "Service Account", "Korvale Test", 3, log_), S_OK);
  MapiLogon logon;
  EXPECT_EQ(LogOn("Korvale Test", settings, log_, logon), LogonOutcome::kLoggedOn);
  EXPECT_TRUE(logon.session && logon.address_book && logon.default_store && logon.manage_store);
  EXPECT_TRUE(log_.events().empty()) << log_.events().front().texts.front();
  // MSX2k >= 2 asks not to wait for public folders.
  auto flags = ConnectFlags("Korvale Test");
  ASSERT_TRUE(flags.has_value());
  EXPECT_NE(*flags & CONNECT_IGNORE_NO_PF, 0);
}

TEST_F(LogonTest, OlderServerGenerationLeavesConnectFlagsAlone) {
  ASSERT_EQ(CreateTempProfile("SRV1", "Service Account", "Korvale Old", 1, log_), S_OK);
  EXPECT_FALSE(ConnectFlags("Korvale Old").has_value());
}

// Without RecreateMAPIProfile the profile of an earlier cycle is used as it is,
// even when the settings name another server meanwhile.
TEST_F(LogonTest, ExistingProfileIsUsedUnchanged) {
  ASSERT_EQ(CreateTempProfile("SRV1", "Service Account", "Korvale Test", 0, log_), S_OK);
  EXPECT_EQ(CreateTempProfile("NOSUCHSERVER", "Nobody", "Korvale Test", 0, log_), S_OK);
  AgentSettings settings;
  MapiLogon logon;
  EXPECT_EQ(LogOn("Korvale Test", settings, log_, logon), LogonOutcome::kLoggedOn);
  EXPECT_TRUE(log_.events().empty());
}

TEST_F(LogonTest, DeletingAMissingProfileIsSilent) {
  EXPECT_EQ(DeleteTempProfile("Never Created", log_), S_OK);
  EXPECT_TRUE(log_.events().empty());
}

// A mailbox that does not resolve: the profile is not kept, and the logon
// that follows fails with the credentials named.
TEST_F(LogonTest, WrongLogonMailboxIsReportedAndTheLogonFails) {
  AgentSettings settings;
  settings.logon_server = "SRV1";
  settings.logon_mailbox = "No Such Mailbox";
  CreateTempProfile(settings.logon_server, settings.logon_mailbox, "Korvale Test", 0, log_);
  auto configure = log_.EventsWithId(139);
  ASSERT_EQ(configure.size(), 1u);
  EXPECT_EQ(configure[0].texts[0], "ConfigureMsgService");
  MapiLogon logon;
  EXPECT_EQ(LogOn("Korvale Test", settings, log_, logon), LogonOutcome::kFailed);
  auto logon_events = log_.EventsWithId(137);
  ASSERT_EQ(logon_events.size(), 1u);
  EXPECT_EQ(logon_events[0].texts[0], "Logon failed. Used credentials: SRV1\r\nNo Such Mailbox");
  EXPECT_FALSE(logon.session);
}

TEST_F(LogonTest, UnknownServerIsReportedByTheService) {
  CreateTempProfile("SRV9", "Service Account", "Korvale Test", 0, log_);
  auto configure = log_.EventsWithId(139);
  ASSERT_EQ(configure.size(), 1u);
  EXPECT_EQ(configure[0].texts[0], "ConfigureMsgService");
}

}  // namespace
}  // namespace korvale
