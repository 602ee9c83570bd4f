// The service restart after a save, against the local service registry with
// real KorvaleSrv processes: two installations in two folders, each with its
// own service, and the configuration program of one restarts only its own.
#include "config/restart_service.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>

#include "tests/fakes/scripted_config_ui.h"
#include "tests/support/process.h"
#include "tests/support/temp_dir.h"

namespace korvale::config {
namespace {

namespace fs = std::filesystem;

class RestartServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The service hosts report to a file and keep their stop atoms here.
    setenv("KORVALE_EVENTLOG", dir_.File("events.jsonl").c_str(), 1);
    setenv("KORVALE_ATOM_DIR", dir_.File("atoms").c_str(), 1);
    for (const char* folder : {"first", "second"}) {
      fs::create_directories(dir_.path() / folder);
      fs::copy_file(testing::BuiltProgram("agent/core/KorvaleSrv"), dir_.path() / folder / "KorvaleSrv");
      testing::WriteFileBytes(dir_.path() / folder / "Caldrun.ini", "[Config]\r\nCycleTime=600\r\n");
    }
  }
  void TearDown() override {
    auto services = services_->EnumerateServices();
    if (!services.ok()) return;
    for (const auto& service : *services) {
      if (services_->Stop(service.name).ok()) WaitWhileStopPending(service.name);
    }
  }

  std::string Folder(const char* folder) const { return (dir_.path() / folder).string(); }
  void Register(const std::string& name, const std::string& folder) {
    ASSERT_TRUE(services_->Create({name, folder + "/KorvaleSrv", {name}}).ok());
  }
  // The process id the registry recorded for the service ("" when none).
  std::string Pid(const std::string& name) {
    std::string text = testing::ReadFileBytes(dir_.path() / "services" / (name + ".service"));
    auto at = text.find("Pid=");
    return at == std::string::npos ? "" : text.substr(at + 4, text.find('\n', at) - at - 4);
  }
  void WaitWhileStopPending(const std::string& name) {
    while (services_->Query(name).ok() && *services_->Query(name) == scm::ServiceState::kStopPending) {
    }
  }

  testing::TempDir dir_;
  std::unique_ptr<scm::ServiceManager> services_ = scm::OpenLocalRegistry(dir_.File("services"));
  testing::ScriptedConfigUi ui_;
};

TEST_F(RestartServiceTest, RestartsOnlyTheServiceOfItsOwnFolder) {
  Register("Korvale Update Service", Folder("first"));
  Register("Korvale Update Service 2", Folder("second"));
  ASSERT_TRUE(services_->Start("Korvale Update Service").ok());
  ASSERT_TRUE(services_->Start("Korvale Update Service 2").ok());
  const std::string first_pid = Pid("Korvale Update Service"), second_pid = Pid("Korvale Update Service 2");

  ui_.answers = {true};
  EXPECT_TRUE(RestartLocalService(*services_, Folder("second") + "/KorvaleCfg", ui_, true));
  EXPECT_TRUE(ui_.messages.empty()) << ui_.messages.at(0).text;
  EXPECT_EQ(Pid("Korvale Update Service"), first_pid) << "the other installation's service is untouched";
  EXPECT_NE(Pid("Korvale Update Service 2"), second_pid) << "a new process runs the restarted service";
  EXPECT_EQ(*services_->Query("Korvale Update Service 2"), scm::ServiceState::kRunning);
  EXPECT_EQ(
      ui_.questions.at(0).text,
      "Would you like to restart the Korvale Update Service\nin order to refect changes you made to the "
      "configuration settings?");
  EXPECT_EQ(ui_.questions.at(0).title, "Korvale Restart Service");
  std::vector<std::string> progress;
  for (const auto& e : ui_.events) {
    if (e.rfind("progress", 0) == 0) progress.push_back(e);
  }
  EXPECT_EQ(progress,
            (std::vector<std::string>{"progress: Searching for installed services. Please wait...",
                                      "progress: The Korvale Update Service 2 is stopping. Please wait...",
                                      "progress: The Korvale Update Service 2 is starting. Please wait...",
                                      "progress closed"}));
  EXPECT_EQ(ui_.wait_depth, 0);
  EXPECT_FALSE(ui_.progress_open);
}

TEST_F(RestartServiceTest, NoMeansNothingHappens) {
  Register("Korvale Update Service", Folder("first"));
  EXPECT_FALSE(RestartLocalService(*services_, Folder("first") + "/KorvaleCfg", ui_, true));
  EXPECT_EQ(*services_->Query("Korvale Update Service"), scm::ServiceState::kStopped);
  EXPECT_EQ(ui_.events, std::vector<std::string>{"question: " + ui_.questions.at(0).text});
}

TEST_F(RestartServiceTest, AStoppedServiceIsStarted) {
  Register("Korvale Update Service", Folder("first"));
  EXPECT_TRUE(RestartLocalService(*services_, Folder("first") + "/KorvaleCfg", ui_, false));
  EXPECT_EQ(*services_->Query("Korvale Update Service"), scm::ServiceState::kRunning);
  EXPECT_TRUE(ui_.messages.empty());
}

// Only services named "Korvale" count, and the folder must match; letter case does not matter.
TEST_F(RestartServiceTest, MatchingByNameAndFolder) {
  Register("Other Service", Folder("first"));
  Register("Korvale Update Service", Folder("second"));
  EXPECT_FALSE(RestartLocalService(*services_, Folder("first") + "/KorvaleCfg", ui_, false));
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text,
            "The Korvale Update Service could not be found on this machine or\nyou're running the "
            "Configuration program from a different location\nthan originally installed.\n\nPlease check "
            "your installation.");
  EXPECT_EQ(ui_.messages[0].title, "Korvale Error");
  EXPECT_FALSE(ui_.progress_open);
  EXPECT_EQ(ui_.wait_depth, 0);

  // The registered path differs from the real folder only in case: it matches,
  // and since no such program exists, the start fails with the system's words.
  std::string upper = Folder("second");
  std::transform(upper.begin(), upper.end(), upper.begin(), ::toupper);
  ASSERT_TRUE(services_->Delete("Korvale Update Service").ok());
  Register("Korvale Update Service", upper);
  ui_.messages.clear();
  EXPECT_FALSE(RestartLocalService(*services_, Folder("second") + "/KorvaleCfg", ui_, false));
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(
      ui_.messages[0].text,
      "The Korvale Update Service could not be started.\nPlease go to Control Panel/Services and try to "
      "start it manually.\nError message:\nNo such file or directory");
}

TEST_F(RestartServiceTest, CommandLineRestartWithoutQuestions) {
  Register("Korvale Update Service", Folder("first"));
  fs::copy_file(testing::BuiltProgram("config/KorvaleCfg"), dir_.path() / "first" / "KorvaleCfg");
  testing::ProcessResult r = testing::RunProcess(Folder("first") + "/KorvaleCfg", {"--restart"},
                                                 {{"KORVALE_SERVICE_DIR", dir_.File("services")}});
  EXPECT_EQ(r.exit_code, 0) << r.output;
  EXPECT_EQ(*services_->Query("Korvale Update Service"), scm::ServiceState::kRunning);

  r = testing::RunProcess(Folder("first") + "/KorvaleCfg", {"--restart"},
                          {{"KORVALE_SERVICE_DIR", dir_.File("empty-registry")}});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.output.find("Korvale Error: The Korvale Update Service could not be found"), std::string::npos)
      << r.output;
}

// The whole road with the real programs: the service host registers itself,
// the configuration program of its folder finds and restarts it, and the host
// removes itself again.
TEST_F(RestartServiceTest, ServiceInstalledByTheHostIsRestartedByKorvaleCfg) {
  fs::copy_file(testing::BuiltProgram("config/KorvaleCfg"), dir_.path() / "first" / "KorvaleCfg");
  const std::map<std::string, std::string> env{{"KORVALE_SERVICE_DIR", dir_.File("services")}};
  testing::ProcessResult r =
      testing::RunProcess(Folder("first") + "/KorvaleSrv", {"-i", "Korvale Update Service"}, env);
  ASSERT_EQ(r.exit_code, 0) << r.output;

  r = testing::RunProcess(Folder("first") + "/KorvaleCfg", {"--restart"}, env);
  EXPECT_EQ(r.exit_code, 0) << r.output;
  ASSERT_EQ(*services_->Query("Korvale Update Service"), scm::ServiceState::kRunning)
      << "a stopped one starts";
  const std::string started_pid = Pid("Korvale Update Service");
  r = testing::RunProcess(Folder("first") + "/KorvaleCfg", {"--restart"}, env);
  EXPECT_EQ(r.exit_code, 0) << r.output;
  EXPECT_EQ(*services_->Query("Korvale Update Service"), scm::ServiceState::kRunning);
  EXPECT_NE(Pid("Korvale Update Service"), started_pid) << "a running one is stopped and started again";

  r = testing::RunProcess(Folder("first") + "/KorvaleSrv", {"-u", "Korvale Update Service"}, env);
  EXPECT_EQ(r.exit_code, 0) << r.output;
  EXPECT_TRUE(services_->EnumerateServices()->empty());
}

}  // namespace
}  // namespace korvale::config
