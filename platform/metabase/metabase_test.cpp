// The metabase file: what one program writes, the next one (and an
// administrator) reads back; refusals leave the file as it was.
#include "platform/metabase/metabase.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "tests/support/temp_dir.h"

namespace korvale::metabase {
namespace {

constexpr uint32_t kReadWrite = METADATA_PERMISSION_READ | METADATA_PERMISSION_WRITE;

class MetabaseFileTest : public ::testing::Test {
 protected:
  void SetUp() override { testing::WriteFileBytes(file_, "[/LM/W3SVC/1/ROOT]\n"); }
  std::unique_ptr<MetabaseAdmin> Open() {
    auto admin = OpenMetabaseFile(file_);
    EXPECT_TRUE(admin.ok()) << admin.status().message();
    return admin.ok() ? std::move(*admin) : nullptr;
  }
  testing::TempDir dir_;
  std::string file_ = dir_.File("metabase.txt");
};

TEST_F(MetabaseFileTest, ValuesSurviveInAFileAnAdministratorCanRead) {
  const std::string hostile = "C:\\web \"pages\"\nline two\tend \xc3\xa4";
  {
    auto admin = Open();
    auto root = admin->OpenKey("/LM/W3SVC/1/ROOT/", kReadWrite, 60000);
    ASSERT_TRUE(root.ok()) << root.status().message();
    ASSERT_TRUE(admin->AddKey(*root, "Korvale").ok());
    ASSERT_TRUE(admin->SetData(*root, "Korvale", {6016, METADATA_INHERIT, 2, uint32_t{519}}).ok());
    ASSERT_TRUE(admin->SetData(*root, "Korvale", {3001, METADATA_INHERIT, 2, hostile}).ok());
    ASSERT_TRUE(admin->SetData(*root, "Korvale", {6016, METADATA_INHERIT, 2, uint32_t{7}}).ok())
        << "setting a value again replaces it";
    EXPECT_TRUE(admin->SaveData().ok());
  }
  std::string text = testing::ReadFileBytes(file_);
  EXPECT_NE(text.find("[/LM/W3SVC/1/ROOT/Korvale]\n6016 attr=1 user=2 DWORD 7\n3001 attr=1 user=2 STRING \""),
            std::string::npos)
      << text;
  EXPECT_EQ(text.find("519"), std::string::npos) << "one line per identifier: " << text;

  auto admin = Open();
  auto key = admin->OpenKey("/lm/w3svc/1/root/KORVALE", METADATA_PERMISSION_READ, 0);
  ASSERT_TRUE(key.ok()) << "key names compare without regard to case: " << key.status().message();
  auto path = admin->GetData(*key, "", 3001);
  ASSERT_TRUE(path.ok());
  EXPECT_EQ(std::get<std::string>(path->data), hostile)
      << "quotes, backslashes and control characters round-trip";
  EXPECT_EQ(path->attributes, METADATA_INHERIT);
  EXPECT_EQ(path->DataType(), STRING_METADATA);
}

TEST_F(MetabaseFileTest, RefusalsReportTheirCodeAndChangeNothing) {
  auto admin = Open();
  {
    auto root = admin->OpenKey("/LM/W3SVC/1/ROOT", kReadWrite, 60000);
    ASSERT_TRUE(root.ok());
    ASSERT_TRUE(admin->AddKey(*root, "Korvale").ok());
  }
  const std::string before = testing::ReadFileBytes(file_);
  auto root = admin->OpenKey("/LM/W3SVC/1/ROOT", kReadWrite, 60000);
  ASSERT_TRUE(root.ok());
  EXPECT_TRUE(Is(admin->AddKey(*root, "korvale"), MetabaseError::kAlreadyExists))
      << "an existing key is refused";
  EXPECT_TRUE(Is(admin->AddKey(*root, ""), MetabaseError::kInvalidParameter));
  EXPECT_TRUE(Is(admin->AddKey(*root, "/"), MetabaseError::kInvalidParameter));
  EXPECT_TRUE(Is(admin->AddKey(*root, ".."), MetabaseError::kInvalidParameter)) << "no way out of the key";
  EXPECT_TRUE(Is(admin->SetData(*root, "Korvale/..", {1002, 1, 2, std::string("x")}),
                 MetabaseError::kInvalidParameter));
  EXPECT_TRUE(
      Is(admin->SetData(*root, "Missing", {1002, 1, 2, std::string("x")}), MetabaseError::kPathNotFound));
  EXPECT_TRUE(Is(admin->SetData(*root, "", {0, 1, 2, uint32_t{1}}), MetabaseError::kInvalidParameter));
  ASSERT_TRUE(root->Close().ok());
  EXPECT_TRUE(Is(admin->SetData(*root, "", {1002, 1, 2, uint32_t{1}}), MetabaseError::kInvalidHandle))
      << "a closed handle";

  EXPECT_TRUE(Is(admin->OpenKey("/LM/W3SVC/2/ROOT", kReadWrite, 0).status(), MetabaseError::kPathNotFound));
  EXPECT_TRUE(Is(admin->OpenKey("LM/W3SVC", kReadWrite, 0).status(), MetabaseError::kInvalidParameter));
  auto reading = admin->OpenKey("/LM/W3SVC/1/ROOT", METADATA_PERMISSION_READ, 0);
  ASSERT_TRUE(reading.ok());
  EXPECT_TRUE(Is(admin->SetData(*reading, "", {1002, 1, 2, std::string("x")}), MetabaseError::kAccessDenied));
  EXPECT_TRUE(
      Is(admin->OpenKey("/LM/W3SVC/1/ROOT/Korvale", kReadWrite, 0).status(), MetabaseError::kPathBusy))
      << "a writer may not open a key below an open one";
  EXPECT_EQ(testing::ReadFileBytes(file_), before);
}

TEST_F(MetabaseFileTest, AWriterWaitsForAnotherProcessesWriterThenGivesUp) {
  auto first = Open();
  auto second = Open();
  auto held = first->OpenKey("/LM/W3SVC/1/ROOT", kReadWrite, 60000);
  ASSERT_TRUE(held.ok());
  EXPECT_TRUE(Is(second->OpenKey("/LM/W3SVC", kReadWrite, 50).status(), MetabaseError::kPathBusy));
  ASSERT_TRUE(first->AddKey(*held, "Korvale").ok());
  ASSERT_TRUE(held->Close().ok());
  auto now = second->OpenKey("/LM/W3SVC/1/ROOT/Korvale", kReadWrite, 50);
  EXPECT_TRUE(now.ok()) << "the lock is free once the writer closed, and the new key is seen: "
                        << now.status().message();
}

TEST_F(MetabaseFileTest, AMissingUnreadableOrMalformedFileIsUnavailableAndKeptAsItIs) {
  EXPECT_TRUE(Is(OpenMetabaseFile(dir_.File("none.txt")).status(), MetabaseError::kReadFault));
  std::filesystem::create_directory(dir_.File("dir.txt"));
  EXPECT_TRUE(Is(OpenMetabaseFile(dir_.File("dir.txt")).status(), MetabaseError::kReadFault));

  const std::string malformed = "[/LM/W3SVC/1/ROOT]\n1002 attr=1 user=2 STRING \"unterminated\n";
  testing::WriteFileBytes(file_, malformed);
  auto admin = OpenMetabaseFile(file_);
  ASSERT_TRUE(Is(admin.status(), MetabaseError::kReadFault));
  EXPECT_NE(admin.status().message().find("line 2"), std::string::npos) << admin.status().message();
  for (const char* bad : {"1002 attr=1 user=2 DWORD 5\n", "[LM]\n", "[/A]\n5 attr=1 user=2 BINARY 00\n",
                          "[/A]\n5 attr=x user=2 DWORD 1\n", "[/A]\n5 attr=1 user=2 DWORD 99999999999\n",
                          "[/A]\n5 attr=1 user=2 STRING \"\\q\"\n"}) {
    testing::WriteFileBytes(file_, bad);
    EXPECT_FALSE(OpenMetabaseFile(file_).ok()) << bad;
  }
  EXPECT_EQ(testing::ReadFileBytes(file_), "[/A]\n5 attr=1 user=2 STRING \"\\q\"\n");
}

TEST_F(MetabaseFileTest, AnUnwritableFileRefusesTheChangeAndKeepsTheOldState) {
  auto admin = Open();
  auto root = admin->OpenKey("/LM/W3SVC/1/ROOT", kReadWrite, 60000);
  ASSERT_TRUE(root.ok());
  // The replacement file cannot be created (a folder has its name), even for root.
  std::filesystem::create_directory(file_ + ".new");
  EXPECT_TRUE(Is(admin->AddKey(*root, "Korvale"), MetabaseError::kWriteFault));
  EXPECT_TRUE(Is(admin->SetData(*root, "", {1002, 1, 2, std::string("x")}), MetabaseError::kWriteFault));
  EXPECT_FALSE(admin->GetData(*root, "", 1002).ok()) << "the refused value is not kept in memory either";
  EXPECT_EQ(testing::ReadFileBytes(file_), "[/LM/W3SVC/1/ROOT]\n");
  std::filesystem::remove(file_ + ".new");
  EXPECT_TRUE(admin->AddKey(*root, "Korvale").ok()) << "the refused key was not kept: it can be added now";
}

TEST_F(MetabaseFileTest, ApplicationsNeedTheApplicationService) {
  auto admin = Open();
  EXPECT_TRUE(Is(CreateApplicationAdmin(*admin).status(), MetabaseError::kServiceNotFound));

  testing::WriteFileBytes(file_, "[/LM/W3SVC/1/ROOT/Korvale]\n[/LM/W3SVC/AppPools]\n");
  auto apps = CreateApplicationAdmin(*admin);
  ASSERT_TRUE(apps.ok()) << apps.status().message();
  EXPECT_TRUE(Is((*apps)->AppCreate("/LM/W3SVC/1/ROOT/Other", true), MetabaseError::kPathNotFound));
  ASSERT_TRUE((*apps)->AppCreate("/LM/W3SVC/1/ROOT/Korvale", true).ok());
  auto key = admin->OpenKey("/LM/W3SVC/1/ROOT/Korvale", METADATA_PERMISSION_READ, 0);
  ASSERT_TRUE(key.ok());
  auto root = admin->GetData(*key, "", 2103);
  auto isolated = admin->GetData(*key, "", 2104);
  ASSERT_TRUE(root.ok() && isolated.ok());
  EXPECT_EQ(std::get<std::string>(root->data), "/LM/W3SVC/1/ROOT/Korvale");
  EXPECT_EQ(std::get<uint32_t>(isolated->data), 0u) << "in process";
}

TEST(MetabasePath, TheEnvironmentNamesTheFileElseTheDefault) {
  ::setenv("KORVALE_METABASE", "/tmp/x/metabase.txt", 1);
  EXPECT_EQ(MetabasePathFromEnvironment(), "/tmp/x/metabase.txt");
  ::setenv("KORVALE_METABASE", "", 1);
  EXPECT_EQ(MetabasePathFromEnvironment(), kDefaultMetabasePath);
  ::unsetenv("KORVALE_METABASE");
  EXPECT_EQ(MetabasePathFromEnvironment(), kDefaultMetabasePath);
}

}  // namespace
}  // namespace korvale::metabase
