// The quiet installation end to end: the built medium installs into a
// temporary folder from Setup.ini (a SQLite data source and the demo
// organisation), and one agent cycle run from the installed folder
// publishes the demo calendars. A second run over it is an upgrade.
#include <pwd.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <regex>
#include <thread>

#include <gtest/gtest.h>

#include "Setup/quiet_install.h"
#include "platform/profile/profile.h"
#include "platform/scm/service_manager.h"
#include "tests/support/dates.h"
#include "tests/support/process.h"
#include "tests/support/temp_dir.h"

namespace korvale::setup {
namespace {

namespace fs = std::filesystem;
using testing::ReadFileBytes;
using testing::RunProcess;
using testing::WriteFileBytes;

constexpr const char* kService = "Korvale Update Service";

std::string CurrentUser() {
  const passwd* entry = getpwuid(geteuid());
  return entry != nullptr ? entry->pw_name : "root";
}

// The demo organisation with its dates ("@DAY+3@") made relative to today.
std::string DemoOrganisation() {
  const char* source = std::getenv("KORVALE_SOURCE_DIR");
  std::string json =
      ReadFileBytes(fs::path(source != nullptr ? source : ".") / "examples/demo/organisation.json.in");
  const std::regex day("@DAY([+-][0-9]+)@");
  std::string out;
  std::sregex_iterator it(json.begin(), json.end(), day), end;
  size_t last = 0;
  for (; it != end; ++it) {
    out += json.substr(last, it->position() - last) + testing::DayFromToday(std::stoi((*it)[1].str()));
    last = it->position() + it->length();
  }
  return out + json.substr(last);
}

class QuietInstallTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The medium as built, with Setup.ini beside Ravlin (Ravlin reads it from
    // its own folder, so Ravlin is copied and the rest linked).
    const fs::path built = testing::BuiltProgram("medium");
    ASSERT_TRUE(fs::exists(fs::path(built) / "Ravlin")) << "build the target medium first";
    fs::create_directories(medium_);
    for (const auto& entry : fs::directory_iterator(built)) {
      if (entry.path().filename() == "Setup.ini") continue;  // an administrator's own stays untouched
      if (entry.path().filename() == "Ravlin") {
        fs::copy_file(entry.path(), medium_ / "Ravlin");
      } else {
        fs::create_symlink(entry.path(), medium_ / entry.path().filename());
      }
    }
    // A private ODBC configuration: the drivers of the machine, no data sources yet.
    fs::create_directories(work_.path() / "odbc");
    const char* sys = std::getenv("ODBCSYSINI");
    fs::copy_file(fs::path(sys != nullptr ? sys : "/etc") / "odbcinst.ini",
                  work_.path() / "odbc/odbcinst.ini");
    WriteFileBytes(work_.path() / "odbc/odbc.ini", "");
    env_ = {{"ODBCSYSINI", work_.File("odbc")},
            {"ODBCINI", work_.File("odbc/user-odbc.ini")},
            {"KORVALE_REGISTRY", work_.File("registry.ini")},
            {"KORVALE_SERVICE_DIR", work_.File("services")},
            {"HOME", work_.File("home")},
            {"XDG_CONFIG_HOME", ""},
            {"KORVALE_MAPI_PROFILES", (install_ / "mapi-profiles.json").string()},
            {"KORVALE_EVENTLOG", work_.File("events.jsonl")},
            {"KORVALE_ATOM_DIR", work_.File("atoms")}};
    // The organisation an administrator has set up before installing.
    fs::create_directories(install_);
    WriteFileBytes(work_.path() / "organisation.json", DemoOrganisation());
    const std::string orgadmin = testing::BuiltProgram("tools/orgadmin/korvale-orgadmin");
    auto created =
        RunProcess(orgadmin, {"create", work_.File("org.db"), work_.File("organisation.json")}, env_);
    ASSERT_EQ(created.exit_code, 0) << created.output;
    auto registered = RunProcess(
        orgadmin,
        {"register", work_.File("org.db"), "--profiles", (install_ / "mapi-profiles.json").string()}, env_);
    ASSERT_EQ(registered.exit_code, 0) << registered.output;
    WriteFileBytes(
        medium_ / "Setup.ini",
        "[SetupInfo]\r\nDestinationPath=" + install_.string() +
            "\r\nSQLite=1\r\nDatasource=korvale-quiet\r\n"
            "Driver=SQLite3\r\nDatabase=" +
            work_.File("korvale.db") +
            "\r\n"
            "MSXOrg=Korvale Demo\r\nMSXSite=HQ\r\nMSXServerName=HQ1\r\nLogonMailbox=Korvale Service\r\n"
            "ServAccName=DEMO\\" +
            CurrentUser() +
            "\r\nServAccPassword=\r\n"
            "AdminUsers=DEMO\\Sales Readers\r\nLCID=1033\r\n"
            "MSXUsersDisplay=All Staff; Rooms\r\nMSXUsersDistNames=all-staff; rooms\r\n");
  }

  void TearDown() override {
    auto services = scm::OpenLocalRegistry(work_.File("services"));
    if (services->Stop(kService).ok()) {
      while (services->Query(kService).ok() &&
             *services->Query(kService) == scm::ServiceState::kStopPending) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      }
    }
  }

  testing::ProcessResult Install() {
    return RunProcess((medium_ / "Ravlin").string(), {"/Q"}, env_, work_.File(""));
  }

  std::string Sql(const std::string& statement) {
    auto result = RunProcess("/usr/bin/sqlite3", {work_.File("korvale.db"), statement});
    EXPECT_EQ(result.exit_code, 0) << result.output;
    return result.output;
  }

  testing::TempDir work_;
  fs::path medium_ = work_.path() / "medium";
  fs::path install_ = work_.path() / "install";
  std::map<std::string, std::string> env_;
};

TEST_F(QuietInstallTest, TheInstalledFolderPublishesTheDemoCalendarsAndAnUpgradeKeepsTheSiteSettings) {
  auto installed = Install();
  ASSERT_EQ(installed.exit_code, 0) << installed.output;
  EXPECT_NE(installed.output.find("Korvale Server Setup: Korvale is now installed on your computer."),
            std::string::npos)
      << installed.output;
  EXPECT_EQ(installed.output.find("DROP"), std::string::npos)
      << "the embedded database has no old tables to drop";
  const std::string ini = (install_ / "Caldrun.ini").string();
  EXPECT_EQ(profile::GetString(ini, "Config", "DB", "", 256), "korvale-quiet");
  EXPECT_EQ(profile::GetString(ini, "Config", "HomeServer", "", 256),
            "/o=Korvale Demo/ou=HQ/cn=Configuration/cn=Servers/cn=HQ1");
  EXPECT_EQ(profile::GetString(ini, "Config", "AdminUsersExpanded", "", 1024),
            "DEMO\\anna; DEMO\\ben; DEMO\\emma")
      << "a group's users, without the computer account\n"
      << installed.output;
  EXPECT_EQ(profile::GetString(ini, "Group1", "Addr2", "", 256),
            "/o=Korvale Demo/ou=HQ/cn=Recipients/cn=rooms");
  EXPECT_NE(ReadFileBytes(install_ / "Korvale.inc").find("Menu(1) = \"All users\"\r\n"), std::string::npos);
  EXPECT_NE(ReadFileBytes(install_ / "GLOBAL.ASA").find("\r\nApplication(\"CodePage\") = 1033\r\n"),
            std::string::npos);
  EXPECT_NE(ReadFileBytes(work_.path() / "odbc/odbc.ini").find("[korvale-quiet]"), std::string::npos)
      << "the system data source was created";
  auto services = scm::OpenLocalRegistry(work_.File("services"));
  ASSERT_TRUE(services->Query(kService).ok()) << "the service is registered";
  EXPECT_EQ(*services->Query(kService), scm::ServiceState::kStopped)
      << "a fresh installation does not start it";

  // One cycle from the installed folder, as the service host runs it.
  auto cycle = RunProcess((install_ / "Caldrun").string(), {kService}, env_, install_.string());
  ASSERT_EQ(cycle.exit_code, 0) << cycle.output << ReadFileBytes(work_.path() / "events.jsonl");
  const std::string active = Sql("SELECT ActiveTable FROM KorvaleConfig");
  ASSERT_FALSE(active.empty()) << ReadFileBytes(work_.path() / "events.jsonl");
  const std::string table = active.substr(0, active.find('\n'));
  const std::string users = Sql("SELECT Name FROM " + table + " WHERE Status=9 ORDER BY Name");
  EXPECT_NE(users.find("Anna Berg\n"), std::string::npos) << users;
  EXPECT_NE(users.find("Room Atlas\n"), std::string::npos) << users;
  EXPECT_NE(Sql("SELECT Title FROM " + table + " WHERE Name='Anna Berg' AND Status<>9 AND Status<>8")
                .find("Customer visit Alder AG"),
            std::string::npos)
      << "Anna's appointments are published";

  // The upgrade: the site changed its settings file and a page by hand.
  WriteFileBytes(install_ / "KORVALE/config.inc", "<% the site's own %>");
  WriteFileBytes(install_ / "KORVALE/index.htm", "changed by hand");
  auto upgraded = Install();
  ASSERT_EQ(upgraded.exit_code, 0) << upgraded.output;
  EXPECT_NE(upgraded.output.find("Confirm File Replace"), std::string::npos) << upgraded.output;
  EXPECT_EQ(ReadFileBytes(install_ / "KORVALE/config.inc"), "<% the site's own %>")
      << "kept after Yes to All";
  EXPECT_NE(ReadFileBytes(install_ / "KORVALE/index.htm"), "changed by hand");
  EXPECT_EQ(*services->Query(kService), scm::ServiceState::kRunning) << "an upgrade starts the service";
}

}  // namespace
}  // namespace korvale::setup
