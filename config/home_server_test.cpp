// Choosing the home server: through the real libKrvADS.so against slapd on
// loopback (the areas' numbers decide which servers a group offers), through
// the 5.x stand-in over an organisation store, and every way it can end early.
#include "config/home_server.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>

#include "platform/mapi/orgstore/org_store.h"
#include "tests/fakes/scripted_config_ui.h"
#include "tests/support/child_process.h"
#include "tests/support/slapd_server.h"
#include "tests/support/temp_dir.h"

namespace korvale::config {
namespace {

namespace fs = std::filesystem;
using korvale::testing::ScriptedConfigUi;

std::string TestData(const std::string& name) { return std::string(ADS_TESTDATA) + "/" + name; }

testing::SlapdConfig Forest(const std::string& ldif) {
  return {{TestData("korvale-directory.schema")},
          TestData("rootdse.ldif"),
          "cn=Configuration,dc=korvale,dc=test",
          {TestData(ldif)}};
}

// A program folder holding the directory libraries, as an installation does.
struct ProgramDir {
  testing::TempDir dir;
  ProgramDir() {
    fs::copy_file(KRVADS_LIBRARY, dir.path() / kDiscoveryLibrary);
    fs::copy_file(KRVMSX5_LIBRARY, dir.path() / kMsx5Library);
  }
  HomeServerLookup Lookup() const { return {dir.path().string(), "KorvaleCfg", "SRV1"}; }
};

// What a choice did, as text: the result, the choosers with their items, the messages.
std::string Report(const std::optional<HomeServerChoice>& chosen, const ScriptedConfigUi& ui) {
  std::string out = chosen ? chosen->home_server + " msx2k=" + std::to_string(chosen->msx2k) : "none";
  for (const auto& chooser : ui.choosers) {
    out += "\n" + chooser.caption;
    for (const auto& item : chooser.items) out += " [" + item + "]";
  }
  for (const auto& message : ui.messages) out += "\n" + message.title + ": " + message.text;
  if (ui.wait_depth != 0 || ui.progress_open) out += "\nwait cursor or progress window left over";
  return out;
}

// Runs the choice in a child pointed at `uri` (libldap reads LDAPURI once per process).
std::string ChooseAgainst(const std::string& uri, const HomeServerLookup& lookup,
                          std::vector<std::optional<size_t>> choices) {
  std::map<std::string, std::string> env{{"LDAPURI", uri}, {"LDAPCONF", ""}, {"LDAPNOINIT", ""}};
  return testing::InChild(env,
                          [&] {
                            ScriptedConfigUi ui;
                            ui.choices.assign(choices.begin(), choices.end());
                            auto chosen = ChooseHomeServer(lookup, 1, ui);
                            return Report(chosen, ui);
                          })
      .result;
}

TEST(HomeServer, ChosenFromTheDirectoryThroughTheLoadedLibrary) {
  testing::SlapdServer slapd(Forest("one-organisation.ldif"));
  KORVALE_REQUIRE_SLAPD(slapd);
  ProgramDir program;
  EXPECT_EQ(ChooseAgainst(slapd.uri(), program.Lookup(), {2, 0, 1, 1}),
            "/o=Org/ou=Second/cn=Configuration/cn=Servers/cn=S3 msx2k=2\n"
            "Please select the version of your Microsoft Exchange Server: [MS Exchange V5.x] "
            "[MS Exchange 2000/2003 with Active Directory] [MS Exchange 2007] [MS Exchange 2010]\n"
            "Please select your Exchange Server Organization: [Org]\n"
            "Please select your Administrative Group: [First] [Second]\n"
            "Please select your Exchange Server: [S2] [S3]");
}

// The second organisation's first group has number 2: its servers are found by
// that number, not by its position 0 in the group chooser (which would offer
// the first organisation's S1).
TEST(HomeServer, ServersOfTheSecondOrganisationAreMatchedByGroupNumber) {
  testing::SlapdServer slapd(Forest("two-organisations.ldif"));
  KORVALE_REQUIRE_SLAPD(slapd);
  ProgramDir program;
  std::string report = ChooseAgainst(slapd.uri(), program.Lookup(), {1, 1, 0, 1});
  EXPECT_EQ(report.substr(0, report.find('\n')),
            "/o=Other Org/ou=Third/cn=Configuration/cn=Servers/cn=T2 msx2k=1");
  EXPECT_NE(report.find("Please select your Administrative Group: [Third] [Empty Group]\n"
                        "Please select your Exchange Server: [T1] [T2]"),
            std::string::npos)
      << report;
}

TEST(HomeServer, CancelInAnyChooserChoosesNothing) {
  testing::SlapdServer slapd(Forest("one-organisation.ldif"));
  KORVALE_REQUIRE_SLAPD(slapd);
  ProgramDir program;
  for (size_t cancelled_at = 0; cancelled_at < 4; ++cancelled_at) {
    SCOPED_TRACE(cancelled_at);
    std::vector<std::optional<size_t>> choices{1, 0, 0, 0};
    choices[cancelled_at] = std::nullopt;
    std::string report = ChooseAgainst(slapd.uri(), program.Lookup(), choices);
    EXPECT_EQ(report.substr(0, 4), "none") << report;
    EXPECT_EQ(report.find("Error"), std::string::npos) << report;
  }
}

TEST(HomeServer, UnreachableDirectoryShowsTheAccessErrorWithItsText) {
  ProgramDir program;
  int port = 0;
  {
    testing::SlapdServer slapd(Forest("no-exchange.ldif"));
    KORVALE_REQUIRE_SLAPD(slapd);
    port = std::stoi(slapd.uri().substr(std::string("ldap://127.0.0.1:").size()));
  }
  std::string report = ChooseAgainst("ldap://127.0.0.1:" + std::to_string(port) + "/", program.Lookup(), {1});
  EXPECT_NE(report.find(
                "\nError: An error occured while trying to access the\nActive Directory. Please ensure that "
                "you are\nlogged in the correct domain and that your\ncomputer is DSClient enabled.\nThe "
                "system returned the following error:\nCan't contact LDAP server"),
            std::string::npos)
      << report;
  EXPECT_EQ(report.substr(0, 4), "none");
}

TEST(HomeServer, LibraryMissingFromTheProgramFolderIsShownWithTheSystemText) {
  testing::TempDir empty;
  ScriptedConfigUi ui;
  ui.choices = {1};
  EXPECT_FALSE(ChooseHomeServer({empty.path().string(), "Ravlin", "SRV1"}, 1, ui));
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].title, "Error");
  const std::string& text = ui.messages[0].text;
  EXPECT_EQ(
      text.rfind(
          "An error occured while trying to load a DLL\n(libKrvADS.so). Please ensure that this module\n"
          "is located in the directory where you started\nRavlin. Please also note that the\nfunctions "
          "contained in this DLL only run on\nDSClient enabled computers.\n\nThe system returned the "
          "following error message:\n",
          0),
      0u)
      << text;
  EXPECT_NE(text.find("No such file or directory"), std::string::npos)
      << "the system's own text follows: " << text;
}

// 5.x: the entered server's organisation and site come from the stand-in
// library over the organisation store that serves it.
class Msx5HomeServer : public ::testing::Test {
 protected:
  void SetUp() override {
    auto store = mapi::orgstore::OrgStore::Open(dir_.File("org.db"), mapi::orgstore::OpenMode::kCreate);
    ASSERT_TRUE(store.ok()) << store.status().message();
    mapi::orgstore::OrganisationSpec spec;
    spec.servers = {{"SRV1", "Org", "Site"}, {"SRV2", "Org", "Branch"}};
    ASSERT_TRUE((*store)->Apply(spec).ok());
    testing::WriteFileBytes(dir_.File("profiles.json"),
                            R"({"servers": {"SRV1": "org.db", "SRV2": "org.db"}})");
    setenv("KORVALE_MAPI_PROFILES", dir_.File("profiles.json").c_str(), 1);
  }
  void TearDown() override { unsetenv("KORVALE_MAPI_PROFILES"); }

  testing::TempDir dir_;
  ProgramDir program_;
};

TEST_F(Msx5HomeServer, VersionFiveStoresZeroAndTheEnteredServerName) {
  ScriptedConfigUi ui;
  ui.choices = {0, 0, 1};
  ui.texts = {std::string("srv2")};
  auto chosen = ChooseHomeServer(program_.Lookup(), 3, ui);
  ASSERT_TRUE(chosen) << Report(chosen, ui);
  EXPECT_EQ(chosen->msx2k, 0);
  EXPECT_EQ(chosen->home_server, "/o=Org/ou=Branch/cn=Configuration/cn=Servers/cn=srv2")
      << "ends with the entered name";
  ASSERT_EQ(ui.text_questions.size(), 1u);
  EXPECT_EQ(ui.text_questions[0].preset, "SRV1") << "preset to the computer name";
  EXPECT_EQ(ui.choosers.at(0).preselected, 3u) << "the current version is marked";
  EXPECT_EQ(ui.choosers.at(1).items, (std::vector<std::string>{"Org"})) << "shown from the text after /o=";
  EXPECT_EQ(ui.choosers.at(2).items, (std::vector<std::string>{"Site", "Branch"}));
  EXPECT_EQ(ui.wait_depth, 0);
}

TEST_F(Msx5HomeServer, UnknownServerShowsTheOrganisationMessage) {
  ScriptedConfigUi ui;
  ui.choices = {0};
  ui.texts = {std::string("NOSUCH")};
  EXPECT_FALSE(ChooseHomeServer(program_.Lookup(), 0, ui));
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].title, "Configuration Error");
  EXPECT_EQ(
      ui.messages[0].text,
      "Organization name for Exchange Server NOSUCH could not be found.\nPlease verify that your Exchange "
      "Server is running\nand that you have Administrator privileges.");
}

}  // namespace
}  // namespace korvale::config
