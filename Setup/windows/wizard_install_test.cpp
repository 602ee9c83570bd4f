// The wizard end to end: the real windows driven from the start to Finish
// with the built medium, installing into a temporary folder (a SQLite data
// source made with the page's own Create, the demo organisation), and then
// one agent cycle run from the installed folder publishes the demo calendars.
#include <pwd.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <regex>
#include <thread>

#include <gtest/gtest.h>

#include "Setup/previous_installation.h"
#include "Setup/windows/qprocess_runner.h"
#include "Setup/windows/wizard_window.h"
#include "platform/odbcinst/dsn_values.h"
#include "platform/profile/profile.h"
#include "platform/registry/registry.h"
#include "platform/scm/service_manager.h"
#include "tests/fakes/scripted_wizard_ui.h"
#include "tests/support/dates.h"
#include "tests/support/process.h"
#include "tests/support/temp_dir.h"

namespace korvale::setup {
namespace {

namespace fs = std::filesystem;
using testing::ReadFileBytes;
using testing::WriteFileBytes;

constexpr const char* kService = "Korvale Update Service";
constexpr const char* kHomeServer = "/o=Korvale Demo/ou=HQ/cn=Configuration/cn=Servers/cn=HQ1";

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
  size_t last = 0;
  for (std::sregex_iterator it(json.begin(), json.end(), day), end; it != end; ++it) {
    out += json.substr(last, it->position() - last) + testing::DayFromToday(std::stoi((*it)[1].str()));
    last = it->position() + it->length();
  }
  return out + json.substr(last);
}

class WizardInstall : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fs::exists(medium_ / "Ravlin")) << "build the target medium first";
    fs::create_directories(work_.path() / "odbc");
    const char* sys = std::getenv("ODBCSYSINI");
    fs::copy_file(fs::path(sys != nullptr ? sys : "/etc") / "odbcinst.ini",
                  work_.path() / "odbc/odbcinst.ini");
    WriteFileBytes(work_.path() / "odbc/odbc.ini", "");
    WriteFileBytes(work_.path() / "metabase.txt", "[/LM/W3SVC/1/ROOT]\n[/LM/W3SVC/AppPools]\n");
    env_ = {{"ODBCSYSINI", work_.File("odbc")},
            {"ODBCINI", work_.File("odbc/user-odbc.ini")},
            {"KORVALE_REGISTRY", work_.File("registry.ini")},
            {"KORVALE_SERVICE_DIR", work_.File("services")},
            {"KORVALE_METABASE", work_.File("metabase.txt")},
            {"HOME", work_.File("home")},
            {"XDG_CONFIG_HOME", ""},
            {"KORVALE_MAPI_PROFILES", (install_ / "mapi-profiles.json").string()},
            {"KORVALE_EVENTLOG", work_.File("events.jsonl")},
            {"KORVALE_ATOM_DIR", work_.File("atoms")}};
    // The wizard runs in this process: it sees what the programs it starts see.
    for (const auto& [name, value] : env_) {
      saved_env_[name] =
          std::getenv(name.c_str()) ? std::optional<std::string>(std::getenv(name.c_str())) : std::nullopt;
      if (value.empty()) {
        ::unsetenv(name.c_str());
      } else {
        ::setenv(name.c_str(), value.c_str(), 1);
      }
    }
    fs::create_directories(install_);
    WriteFileBytes(work_.path() / "organisation.json", DemoOrganisation());
    const std::string orgadmin = testing::BuiltProgram("tools/orgadmin/korvale-orgadmin");
    auto created = testing::RunProcess(
        orgadmin, {"create", work_.File("org.db"), work_.File("organisation.json")}, env_);
    ASSERT_EQ(created.exit_code, 0) << created.output;
    auto registered = testing::RunProcess(
        orgadmin,
        {"register", work_.File("org.db"), "--profiles", (install_ / "mapi-profiles.json").string()}, env_);
    ASSERT_EQ(registered.exit_code, 0) << registered.output;
  }

  void TearDown() override {
    auto services = scm::OpenLocalRegistry(work_.File("services"));
    if (services->Stop(kService).ok()) {
      while (services->Query(kService).ok() &&
             *services->Query(kService) == scm::ServiceState::kStopPending) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      }
    }
    for (const auto& [name, value] : saved_env_) {
      if (value) {
        ::setenv(name.c_str(), value->c_str(), 1);
      } else {
        ::unsetenv(name.c_str());
      }
    }
  }

  template <typename T>
  static T* Find(QWizard& w, const char* name) {
    T* child = w.currentPage()->findChild<T*>(name);
    EXPECT_NE(child, nullptr) << name;
    return child;
  }
  void Next(QWizard& w, WizardPage expected) {
    QTest::mouseClick(w.button(QWizard::NextButton), Qt::LeftButton);
    ASSERT_EQ(w.currentId(), static_cast<int>(expected)) << ui_.LastMessage();
  }
  std::string Sql(const std::string& statement) {
    auto result = testing::RunProcess("/usr/bin/sqlite3", {work_.File("korvale.db"), statement});
    EXPECT_EQ(result.exit_code, 0) << result.output;
    return result.output;
  }

  testing::TempDir work_;
  fs::path medium_ = testing::BuiltProgram("medium");
  fs::path install_ = work_.path() / "install";
  std::map<std::string, std::string> env_;
  std::map<std::string, std::optional<std::string>> saved_env_;
  testing::ScriptedWizardUi ui_;
  testing::ScriptedLookups lookups_;
};

TEST_F(WizardInstall, FinishInstallsAndTheInstalledAgentRunsACycle) {
  auto services = scm::OpenLocalRegistry(work_.File("services"));
  WizardEnvironment environment;
  environment.setup_dir = medium_.string();
  environment.user_lcid = 1033;
  environment.services = services.get();
  QProcessRunner runner;
  SetupWizard rules(environment, {}, ui_, lookups_, runner, odbcinst::ReadDsnValue);
  SetupWizardWindow w(rules, ui_, SystemDataSources());
  w.show();

  Next(w, WizardPage::kFolder);
  EXPECT_NE(ui_.licences.at(0).find("Licen"), std::string::npos) << "the medium's license.txt";
  Find<QLineEdit>(w, "folder")->setText(QString::fromStdString(install_.string()));
  Next(w, WizardPage::kCodepage);
  Find<QListWidget>(w, "locales")->setCurrentRow(static_cast<int>(*FindLocale(1031)));
  Next(w, WizardPage::kDatasource);

  QTest::mouseClick(Find<QRadioButton>(w, "type4"), Qt::LeftButton);
  const std::string database = work_.File("korvale.db");
  QTimer::singleShot(0, [&] {
    QWidget* dialog = QApplication::activeModalWidget();
    ASSERT_NE(dialog, nullptr);
    dialog->findChild<QLineEdit*>("dsnName")->setText("korvale-wizard");
    dialog->findChild<QComboBox*>("dsnDriver")->setCurrentText("SQLite3");
    dialog->findChild<QLineEdit*>("dsnDatabase")->setText(QString::fromStdString(database));
    static_cast<QDialog*>(dialog)->accept();
  });
  QTest::mouseClick(Find<QPushButton>(w, "createDataSource"), Qt::LeftButton);
  ASSERT_EQ(Find<QComboBox>(w, "datasource")->currentText(), "korvale-wizard") << ui_.LastMessage();
  Next(w, WizardPage::kExchangeServer);

  lookups_.servers = {testing::ChosenServer(kHomeServer, 1), testing::ChosenServer(kHomeServer, 1)};
  QTest::mouseClick(Find<QPushButton>(w, "browseHomeServer"), Qt::LeftButton);
  Next(w, WizardPage::kServiceAccount);
  Find<QLineEdit>(w, "account")->setText(QString::fromStdString("DEMO\\" + CurrentUser()));
  Next(w, WizardPage::kLogonMailbox);
  lookups_.mailbox = MailboxChoice{"Korvale Service", ""};
  QTest::mouseClick(Find<QPushButton>(w, "browseLogonServer"), Qt::LeftButton);
  QTest::mouseClick(Find<QPushButton>(w, "browseLogonMailbox"), Qt::LeftButton);
  Next(w, WizardPage::kVirtualDirectory);
  QTest::mouseClick(Find<QPushButton>(w, "createVirtualDirectory"), Qt::LeftButton);
  EXPECT_EQ(ui_.LastMessage(), "The virtual directory Korvale was successfully created.");
  Next(w, WizardPage::kInstallFiles);

  ui_.default_answer = true;  // any question of the installation: go on
  QTest::mouseClick(w.button(QWizard::FinishButton), Qt::LeftButton);
  ASSERT_TRUE(w.install_result()) << "Finish runs the installation";
  std::string shown;
  for (const auto& m : ui_.messages) shown += m.title + ": " + m.text + "\n";
  ASSERT_TRUE(w.install_result()->ok()) << shown;
  EXPECT_FALSE(w.isVisible()) << "the wizard closes after Finish";
  EXPECT_NE(ui_.LastMessage().find("Korvale is now installed on your computer."), std::string::npos) << shown;

  const std::string ini = (install_ / "Caldrun.ini").string();
  EXPECT_EQ(profile::GetString(ini, "Config", "DB", "", 256), "korvale-wizard");
  EXPECT_EQ(profile::GetString(ini, "Config", "HomeServer", "", 256), kHomeServer);
  EXPECT_EQ(profile::GetString(ini, "Config", "LogonServer", "", 256), "HQ1");
  EXPECT_EQ(profile::GetString(ini, "Config", "LogonMailbox", "", 256), "Korvale Service");
  EXPECT_EQ(profile::GetString(ini, "Config", "Server1", "", 256), "HQ1");
  EXPECT_NE(ReadFileBytes(install_ / "GLOBAL.ASA").find("\r\nApplication(\"CodePage\") = 1031\r\n"),
            std::string::npos);
  EXPECT_NE(ReadFileBytes(work_.path() / "metabase.txt")
                .find("3001 attr=1 user=2 STRING \"" + install_.string() + "\""),
            std::string::npos)
      << "the virtual directory points at the installation folder";
  registry::Registry reg(work_.File("registry.ini"));
  EXPECT_EQ(
      reg.GetString(registry::kLocalMachine, "Software\\Tarnwick\\Korvale\\UserInfo", "DestinationPath"),
      install_.string())
      << "a second run finds this installation";
  ASSERT_TRUE(services->Query(kService).ok()) << "the service is registered";
  EXPECT_EQ(*services->Query(kService), scm::ServiceState::kStopped)
      << "a fresh installation does not start it";

  // The administrator's next step (the configuration program): one group to scan.
  ASSERT_TRUE(profile::WriteString(ini, "Config", "Group1", "All users"));
  ASSERT_TRUE(profile::WriteString(ini, "Config", "DL1", "All Staff; Rooms"));
  ASSERT_TRUE(
      profile::WriteString(ini, "Group1", "Addr1", "/o=Korvale Demo/ou=HQ/cn=Recipients/cn=all-staff"));
  ASSERT_TRUE(profile::WriteString(ini, "Group1", "Addr2", "/o=Korvale Demo/ou=HQ/cn=Recipients/cn=rooms"));

  // One cycle from the installed folder, as the service host runs it.
  auto cycle = testing::RunProcess((install_ / "Caldrun").string(), {kService}, env_, install_.string());
  ASSERT_EQ(cycle.exit_code, 0) << cycle.output << ReadFileBytes(work_.path() / "events.jsonl");
  const std::string active = Sql("SELECT ActiveTable FROM KorvaleConfig");
  ASSERT_FALSE(active.empty()) << ReadFileBytes(work_.path() / "events.jsonl");
  const std::string table = active.substr(0, active.find('\n'));
  const std::string users = Sql("SELECT Name FROM " + table + " WHERE Status=9 ORDER BY Name");
  EXPECT_NE(users.find("Anna Berg\n"), std::string::npos)
      << users << ReadFileBytes(work_.path() / "events.jsonl");
  EXPECT_NE(Sql("SELECT Title FROM " + table + " WHERE Name='Anna Berg' AND Status<>9 AND Status<>8")
                .find("Customer visit Alder AG"),
            std::string::npos)
      << "Anna's appointments are published";

  // A second run finds the installation and presets the pages from it.
  InstallAnswers presets;
  ASSERT_TRUE(PreviousInstallationFolder(reg));
  PresetFromSettings(*PreviousInstallationFolder(reg), presets);
  EXPECT_TRUE(presets.upgrade);
  EXPECT_EQ(presets.data_source, "korvale-wizard");
  EXPECT_EQ(presets.database_type, DatabaseType::kSQLite);
  EXPECT_EQ(presets.logon_server, "HQ1");
}

}  // namespace
}  // namespace korvale::setup

int main(int argc, char** argv) {
  // Test discovery starts the program too, without ctest's environment.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
