// The virtual directory as the setup expects it in a real metabase file, and
// each step's failure rule with one step failing at a time.
#include "vdirtool/create_virtual_directory.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "tests/support/temp_dir.h"
#include "vdirtool/vdir_values.h"

namespace korvale::vdirtool {
namespace {

using metabase::MetabaseAdmin;
using metabase::MetadataRecord;

constexpr char kKey[] = "/LM/W3SVC/1/ROOT/Korvale";

// Fails one chosen call of a real metabase, as a broken disk or a busy server would.
class FaultyMetabase final : public MetabaseAdmin {
 public:
  explicit FaultyMetabase(std::unique_ptr<MetabaseAdmin> inner) : inner_(std::move(inner)) {}
  uint32_t fail_identifier = 0;
  bool fail_add_key = false;
  bool fail_close = false;

  Expected<metabase::KeyHandle> OpenKey(std::string_view path, uint32_t permissions,
                                        uint32_t timeout_ms) override {
    return inner_->OpenKey(path, permissions, timeout_ms);
  }
  Status AddKey(const metabase::KeyHandle& key, std::string_view child) override {
    return fail_add_key ? Status::Error("injected", 5) : inner_->AddKey(key, child);
  }
  Status SetData(const metabase::KeyHandle& key, std::string_view relative,
                 const MetadataRecord& r) override {
    return r.identifier == fail_identifier ? Status::Error("injected", 29)
                                           : inner_->SetData(key, relative, r);
  }
  Expected<MetadataRecord> GetData(const metabase::KeyHandle& key, std::string_view relative,
                                   uint32_t identifier) override {
    return inner_->GetData(key, relative, identifier);
  }
  Status CloseKey(uint32_t id) override { return inner_->CloseKey(id); }
  Status SaveData() override { return inner_->SaveData(); }

 private:
  std::unique_ptr<MetabaseAdmin> inner_;
};

class FailingApplications final : public metabase::ApplicationAdmin {
 public:
  Status AppCreate(std::string_view, bool) override { return Status::Error("injected", 29); }
};

class CreateVirtualDirectoryTest : public ::testing::Test {
 protected:
  void SetUp() override { testing::WriteFileBytes(file_, "[/LM/W3SVC/1/ROOT]\n[/LM/W3SVC/AppPools]\n"); }

  MetabaseServices Services() {
    return {[this]() -> Expected<std::unique_ptr<MetabaseAdmin>> {
              auto admin = metabase::OpenMetabaseFile(file_);
              if (!admin.ok()) return admin.status();
              auto faulty = std::make_unique<FaultyMetabase>(std::move(*admin));
              faulty->fail_identifier = fail_identifier_;
              faulty->fail_add_key = fail_add_key_;
              return std::unique_ptr<MetabaseAdmin>(std::move(faulty));
            },
            [this](MetabaseAdmin& admin) -> Expected<std::unique_ptr<metabase::ApplicationAdmin>> {
              if (fail_app_create_)
                return std::unique_ptr<metabase::ApplicationAdmin>(new FailingApplications);
              return metabase::CreateApplicationAdmin(admin);
            }};
  }

  std::optional<MetadataRecord> Read(const std::string& key, uint32_t identifier) {
    auto admin = metabase::OpenMetabaseFile(file_);
    if (!admin.ok()) return std::nullopt;
    auto handle = (*admin)->OpenKey(key, metabase::METADATA_PERMISSION_READ, 0);
    if (!handle.ok()) return std::nullopt;
    auto record = (*admin)->GetData(*handle, "", identifier);
    return record.ok() ? std::optional(*record) : std::nullopt;
  }

  testing::TempDir dir_;
  std::string file_ = dir_.File("metabase.txt");
  uint32_t fail_identifier_ = 0;
  bool fail_add_key_ = false;
  bool fail_app_create_ = false;
};

struct Expectation {
  uint32_t identifier;
  uint32_t user_type;
  std::variant<uint32_t, std::string> data;
};

// The ten values in the order they are written, as the web pages need them.
const std::vector<Expectation> kTenValues = {
    {MD_KEY_TYPE, IIS_MD_UT_FILE, std::string("IIsWebVirtualDir")},
    {MD_VR_PATH, IIS_MD_UT_FILE, std::string("/srv/korvale web")},
    {MD_ACCESS_PERM, IIS_MD_UT_FILE, uint32_t{519}},
    {MD_ASP_ENABLEPARENTPATHS, ASP_MD_UT_APP, uint32_t{1}},
    {MD_ASP_SCRIPTERRORSSENTTOBROWSER, ASP_MD_UT_APP, uint32_t{1}},
    {MD_ASP_SCRIPTLANGUAGE, ASP_MD_UT_APP, std::string("VBScript")},
    {MD_AUTHORIZATION, IIS_MD_UT_FILE, uint32_t{4}},
    {MD_DIRECTORY_BROWSING, IIS_MD_UT_FILE, uint32_t{0x40000000}},
    {MD_DEFAULT_LOAD_FILE, IIS_MD_UT_FILE, std::string("default.asp")},
    {MD_ASP_BUFFERINGON, ASP_MD_UT_APP, uint32_t{0}},
};

TEST_F(CreateVirtualDirectoryTest, ANewDirectoryGetsTheTenValuesAndAnApplicationInProcess) {
  ASSERT_EQ(CreateVirtualDirectory("/srv/korvale web", "Korvale", Services()), 0);
  for (const Expectation& e : kTenValues) {
    SCOPED_TRACE(e.identifier);
    auto r = Read(kKey, e.identifier);
    ASSERT_TRUE(r.has_value()) << "the value is written";
    EXPECT_EQ(r->attributes, metabase::METADATA_INHERIT) << "every value is inherited by the pages below";
    EXPECT_EQ(r->user_type, e.user_type);
    EXPECT_EQ(r->data, e.data) << "data type and value";
  }
  auto isolated = Read(kKey, 2104);
  ASSERT_TRUE(isolated.has_value()) << "the application is created";
  EXPECT_EQ(std::get<uint32_t>(isolated->data), 0u) << "in the server's process";

  // The file lists the values in the order the steps wrote them.
  std::string text = testing::ReadFileBytes(file_);
  size_t at = text.find("[/LM/W3SVC/1/ROOT/Korvale]");
  ASSERT_NE(at, std::string::npos) << text;
  for (uint32_t id : {1002, 3001, 6016, 2103, 2104, 7008, 7002, 7012, 6000, 6005, 6006, 7000}) {
    size_t next = text.find("\n" + std::to_string(id) + " ", at);
    ASSERT_NE(next, std::string::npos) << id << " after the previous value:\n" << text;
    at = next;
  }
}

TEST_F(CreateVirtualDirectoryTest, AnExistingNameIsRefusedWith1049AndKeptAsItWas) {
  ASSERT_EQ(CreateVirtualDirectory("/srv/first", "Korvale", Services()), 0);
  const std::string before = testing::ReadFileBytes(file_);
  EXPECT_EQ(CreateVirtualDirectory("/srv/second", "Korvale", Services()), kExitCreateKey);
  EXPECT_EQ(CreateVirtualDirectory("/srv/second", "KORVALE", Services()), kExitCreateKey)
      << "key names compare without regard to case";
  EXPECT_EQ(testing::ReadFileBytes(file_), before);
}

TEST_F(CreateVirtualDirectoryTest, WithoutTheApplicationServiceTheDirectoryIsConfiguredWithoutApplication) {
  testing::WriteFileBytes(file_, "[/LM/W3SVC/1/ROOT]\n");
  EXPECT_EQ(CreateVirtualDirectory("/srv/korvale web", "Korvale", Services()), Bit(LaterStep::kAppCreate))
      << "the setup names the missing application";
  for (const Expectation& e : kTenValues) EXPECT_TRUE(Read(kKey, e.identifier).has_value()) << e.identifier;
  EXPECT_FALSE(Read(kKey, 2103).has_value()) << "no application";
}

TEST_F(CreateVirtualDirectoryTest, EachLaterStepThatFailsSetsItsBitAndTheOthersStillHappen) {
  struct Case {
    uint32_t identifier;
    LaterStep step;
  };
  for (Case c :
       {Case{MD_ACCESS_PERM, LaterStep::kAccessPerm}, Case{MD_ASP_ENABLEPARENTPATHS, LaterStep::kParentPaths},
        Case{MD_ASP_SCRIPTERRORSSENTTOBROWSER, LaterStep::kScriptErrors},
        Case{MD_ASP_SCRIPTLANGUAGE, LaterStep::kScriptLanguage},
        Case{MD_AUTHORIZATION, LaterStep::kAuthorization},
        Case{MD_DIRECTORY_BROWSING, LaterStep::kDirectoryBrowsing},
        Case{MD_DEFAULT_LOAD_FILE, LaterStep::kDefaultLoadFile},
        Case{MD_ASP_BUFFERINGON, LaterStep::kBufferingOff}}) {
    SCOPED_TRACE(c.identifier);
    SetUp();
    fail_identifier_ = c.identifier;
    EXPECT_EQ(CreateVirtualDirectory("/srv/k", "Korvale", Services()), Bit(c.step));
    EXPECT_FALSE(Read(kKey, c.identifier).has_value());
    EXPECT_TRUE(Read(kKey, MD_ASP_BUFFERINGON).has_value() || c.step == LaterStep::kBufferingOff)
        << "the steps after a failed one still run";
    EXPECT_TRUE(Read(kKey, 2104).has_value());
  }
  SetUp();
  fail_identifier_ = 0;
  fail_app_create_ = true;
  EXPECT_EQ(CreateVirtualDirectory("/srv/k", "Korvale", Services()), Bit(LaterStep::kAppCreate));
  EXPECT_TRUE(Read(kKey, MD_ASP_BUFFERINGON).has_value());
}

TEST_F(CreateVirtualDirectoryTest, TheFirstStepsStopTheToolWithTheirCode) {
  fail_identifier_ = MD_KEY_TYPE;
  EXPECT_EQ(CreateVirtualDirectory("/srv/k", "A", Services()), kExitKeyType);
  EXPECT_FALSE(Read("/LM/W3SVC/1/ROOT/A", MD_VR_PATH).has_value()) << "nothing after the stop";
  fail_identifier_ = MD_VR_PATH;
  EXPECT_EQ(CreateVirtualDirectory("/srv/k", "B", Services()), kExitPath);
  EXPECT_FALSE(Read("/LM/W3SVC/1/ROOT/B", MD_ACCESS_PERM).has_value()) << "nothing after the stop";
  fail_identifier_ = 0;
  fail_add_key_ = true;
  EXPECT_EQ(CreateVirtualDirectory("/srv/k", "C", Services()), kExitCreateKey);
}

TEST_F(CreateVirtualDirectoryTest, AnUnreadableOrUnwritableMetabaseStopsBeforeAnyChange) {
  std::filesystem::remove(file_);
  EXPECT_EQ(CreateVirtualDirectory("/srv/k", "Korvale", Services()), kExitAdminBase) << "no metabase";
  std::filesystem::create_directory(file_);
  EXPECT_EQ(CreateVirtualDirectory("/srv/k", "Korvale", Services()), kExitAdminBase) << "not a readable file";
  std::filesystem::remove(file_);

  SetUp();
  // The replacement file cannot be created (a folder has its name), even for root.
  std::filesystem::create_directory(file_ + ".new");
  EXPECT_EQ(CreateVirtualDirectory("/srv/k", "Korvale", Services()), kExitCreateKey);
  std::filesystem::remove(file_ + ".new");
  std::filesystem::remove(file_ + ".lock");  // the lock file of the earlier attempts
  std::filesystem::create_directory(file_ + ".lock");
  EXPECT_EQ(CreateVirtualDirectory("/srv/k", "Korvale", Services()), kExitCreateKey) << "no lock for writers";
  EXPECT_EQ(testing::ReadFileBytes(file_), "[/LM/W3SVC/1/ROOT]\n[/LM/W3SVC/AppPools]\n");
}

TEST_F(CreateVirtualDirectoryTest, HostileNamesAndPathsAreKeptOrRefusedWithoutHarm) {
  for (const char* bad : {"", "a/b", "..", "."}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(CreateVirtualDirectory("/srv/k", bad, Services()), kExitCreateKey);
  }
  const std::string odd_name = "K\xc3\xb6rvale \"]\n[x";
  const std::string odd_path = "C:\\srv\\\"k\"\r\n";
  ASSERT_EQ(CreateVirtualDirectory(odd_path, odd_name, Services()), 0);
  auto path = Read(VirtualDirectoryKey(odd_name), MD_VR_PATH);
  ASSERT_TRUE(path.has_value()) << testing::ReadFileBytes(file_);
  EXPECT_EQ(std::get<std::string>(path->data), odd_path);
  EXPECT_FALSE(Read("/LM/W3SVC/1/ROOT/K\xc3\xb6rvale \"]", MD_VR_PATH).has_value())
      << "a line break in the name does not start a key of its own";
}

}  // namespace
}  // namespace korvale::vdirtool
