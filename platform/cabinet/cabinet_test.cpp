// The cabinet reader on cabinets made by gcab, as the medium's are, and on
// files that are no cabinets or were cut off in a copy.
#include "platform/cabinet/cabinet.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "tests/support/process.h"
#include "tests/support/temp_dir.h"

namespace korvale::cabinet {
namespace {

using testing::ReadFileBytes;
using testing::TempDir;
using testing::WriteFileBytes;

// Makes a cabinet of `files` (relative paths under `dir`) with gcab, keeping sub-folders.
std::string MakeCabinet(const TempDir& dir, const std::vector<std::string>& files) {
  std::vector<std::string> args = {"-c", "-z", "test.cab"};
  args.insert(args.end(), files.begin(), files.end());
  auto made = testing::RunProcess("/usr/bin/gcab", args, {}, dir.path().string());
  EXPECT_EQ(made.exit_code, 0) << made.output;
  return dir.File("test.cab");
}

TEST(CabinetTest, EntriesKeepTheirSubFolderNamesAndExtractByteForByte) {
  TempDir dir;
  std::filesystem::create_directories(dir.path() / "KORVALE");
  WriteFileBytes(dir.path() / "KORVALE/config.inc", "<%\r\nDB = \"x\"\r\n%>");
  std::string big(200000, 'k');
  for (size_t i = 0; i < big.size(); i += 7) big[i] = static_cast<char>(i % 251);
  WriteFileBytes(dir.path() / "Caldrun", big);
  auto cab = Cabinet::Open(MakeCabinet(dir, {"Caldrun", "KORVALE/config.inc"}));
  ASSERT_TRUE(cab.ok()) << cab.status().message();
  const auto& entries = (*cab)->entries();
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].name, "Caldrun");
  EXPECT_EQ(entries[1].name, "KORVALE\\config.inc") << "sub-folders are kept with the cabinet's separator";
  EXPECT_EQ(entries[0].size, big.size());
  EXPECT_GE(entries[0].year, 2020);
  EXPECT_GT(entries[0].LocalTime(), 0);

  Status first = (*cab)->Extract(0, dir.File("out-caldrun"));
  ASSERT_TRUE(first.ok()) << first.message();
  EXPECT_EQ(ReadFileBytes(dir.path() / "out-caldrun"), big);
  ASSERT_TRUE((*cab)->Extract(1, dir.File("out-config")).ok());
  EXPECT_EQ(ReadFileBytes(dir.path() / "out-config"), "<%\r\nDB = \"x\"\r\n%>");
  EXPECT_EQ((*cab)->Extract(2, dir.File("none")).code(), static_cast<int>(CabinetError::kExtract));
}

TEST(CabinetTest, MissingCorruptAndCutOffCabinetsSayWhich) {
  TempDir dir;
  auto missing = Cabinet::Open(dir.File("none.cab"));
  ASSERT_FALSE(missing.ok());
  EXPECT_EQ(missing.status().code(), static_cast<int>(CabinetError::kMissing));

  WriteFileBytes(dir.path() / "junk.cab", std::string(4000, 'x'));
  auto junk = Cabinet::Open(dir.File("junk.cab"));
  ASSERT_FALSE(junk.ok());
  EXPECT_EQ(junk.status().code(), static_cast<int>(CabinetError::kCorrupt));

  std::string data(100000, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>((i * 7919) % 256);
  WriteFileBytes(dir.path() / "data.bin", data);
  const std::string whole = ReadFileBytes(MakeCabinet(dir, {"data.bin"}));
  WriteFileBytes(dir.path() / "cut.cab", whole.substr(0, whole.size() / 2));
  auto cut = Cabinet::Open(dir.File("cut.cab"));
  ASSERT_TRUE(cut.ok()) << "the header is whole: " << cut.status().message();
  Status extracted = (*cut)->Extract(0, dir.File("data.out"));
  EXPECT_EQ(extracted.code(), static_cast<int>(CabinetError::kExtract)) << extracted.message();
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "data.out")) << "a partial file is not left behind";
}

}  // namespace
}  // namespace korvale::cabinet
