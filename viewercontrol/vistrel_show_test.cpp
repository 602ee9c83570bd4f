// vistrel-show as a process over a temporary organisation store: the module
// is registered through its own DllRegisterServer, created through the class
// registry as a page's container does, and opens the calendar.
#include <gtest/gtest.h>

#include "platform/automation/test_organisation.h"
#include "tests/support/process.h"

namespace korvale::vistrel {
namespace {

using automation::testing::TestOrganisation;
using korvale::testing::BuiltProgram;
using korvale::testing::RunProcess;

class VistrelShowTest : public ::testing::Test {
 protected:
  korvale::testing::ProcessResult Run(const std::vector<std::string>& args) {
    return RunProcess(BuiltProgram("viewercontrol/vistrel-show"), args,
                      {{"KORVALE_CLASS_REGISTRY", org_.registry_path()},
                       {"KORVALE_MAPI_PROFILES", org_.File("p.json")},
                       // Without a display the calendar and the messages are printed.
                       {"DISPLAY", ""},
                       {"WAYLAND_DISPLAY", ""},
                       {"QT_QPA_PLATFORM", ""}});
  }
  TestOrganisation org_;
  const std::string module_ = BuiltProgram("viewercontrol/libVistrel.so");
};

TEST_F(VistrelShowTest, OpensTheCalendarThroughTheRegisteredControl) {
  auto unregistered = Run({"Anna Berg"});
  EXPECT_EQ(unregistered.exit_code, 2) << unregistered.output;

  ASSERT_EQ(Run({"--register", module_}).exit_code, 0);
  auto no_mail_client = Run({"Anna Berg"});
  EXPECT_EQ(no_mail_client.exit_code, 0);
  EXPECT_NE(no_mail_client.output.find("Couldn't start Microsoft Outlook."), std::string::npos)
      << no_mail_client.output;

  ASSERT_EQ(Run({"--mail-client", org_.store_path(), "annika"}).exit_code, 0);
  auto shown = Run({"Anna Berg"});
  EXPECT_EQ(shown.exit_code, 0) << shown.output;
  EXPECT_NE(shown.output.find("Calendar of Anna Berg (/o=Org/ou=Site/cn=Recipients/cn=anna)"),
            std::string::npos)
      << shown.output;

  auto unknown = Run({"Nobody Here"});
  EXPECT_EQ(unknown.exit_code, 0) << "a message box ends Show normally";
  EXPECT_NE(unknown.output.find("Could not resolve this messaging user."), std::string::npos)
      << unknown.output;

  ASSERT_EQ(Run({"--unregister", module_}).exit_code, 0);
  EXPECT_EQ(Run({"Anna Berg"}).exit_code, 2) << "gone after unregistration";
}

TEST_F(VistrelShowTest, UsageIsPrintedForWrongArguments) {
  for (const auto& args :
       std::vector<std::vector<std::string>>{{}, {"a", "b"}, {"--register"}, {"--bogus"}}) {
    auto result = Run(args);
    EXPECT_EQ(result.exit_code, 64);
    EXPECT_NE(result.output.find("usage: vistrel-show NAME"), std::string::npos) << result.output;
  }
}

}  // namespace
}  // namespace korvale::vistrel
