// Profile files: the reading rules the settings code relies on and writes
// that change only what they must.
#include "platform/profile/profile.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>

#include "tests/support/temp_dir.h"

namespace korvale::profile {
namespace {

using korvale::testing::ReadFileBytes;
using korvale::testing::TempDir;
using korvale::testing::WriteFileBytes;
using namespace std::string_literals;

class ProfileTest : public ::testing::Test {
 protected:
  std::string Write(const std::string& bytes) {
    WriteFileBytes(path_, bytes);
    return path_;
  }
  TempDir dir_;
  std::string path_ = dir_.File("Caldrun.ini");
};

// Settings are looked up by name regardless of case, and a duplicate never overrides the first.
TEST_F(ProfileTest, CaseInsensitiveAndFirstOccurrenceWins) {
  std::string f = Write("[config]\r\nDaysPast=15\r\ndayspast=99\r\n[CONFIG]\r\nDaysPast=7\r\n");
  EXPECT_EQ(GetInt(f, "Config", "DAYSPAST", 0), 15);
  EXPECT_EQ(GetString(f, "CONFIG", "dayspast", "", 256), "15");
  EXPECT_EQ(GetSectionNames(f), (std::vector<std::string>{"config"}));
  EXPECT_EQ(GetKeyNames(f, "Config"), (std::vector<std::string>{"DaysPast"}));
}

// Blanks around names and values vanish and one pair of quotes is taken off.
TEST_F(ProfileTest, TrimsBlanksAndQuotes) {
  std::string f = Write("  [ Config ]  \n \tA \t= \t x y \t\nB=\"  quoted  \"\nC=\"half\nD=\"\"\n");
  EXPECT_EQ(GetString(f, "Config", "A", "", 256), "x y");
  EXPECT_EQ(GetString(f, "Config", "B", "", 256), "  quoted  ");
  EXPECT_EQ(GetString(f, "Config", "C", "", 256), "\"half");
  EXPECT_EQ(GetString(f, "Config", "D", "dflt", 256), "");
}

// Files written by other tools or damaged on disk still read, whatever their line ends.
TEST_F(ProfileTest, ToleratesMixedLineEndsAndGarbage) {
  std::string bytes =
      "\xff\xfe junk\0line\r[S]\rA=1\nno equals sign\r\nB=x\0y\xc3\r\n=novalue\r\n;C=3\r\nD=4"s;
  std::string f = Write(bytes);
  EXPECT_EQ(GetInt(f, "S", "A", -1), 1);
  EXPECT_EQ(GetString(f, "S", "B", "", 256), "x\0y\xc3"s);
  EXPECT_EQ(GetInt(f, "S", "C", -1), -1) << "a line starting with ';' is a comment";
  EXPECT_EQ(GetInt(f, "S", "D", -1), 4) << "the last line needs no line end";
  EXPECT_EQ(GetKeyNames(f, "S"), (std::vector<std::string>{"A", "B", "D"}));
}

// A missing file or key gives the default; nothing is created by reading.
TEST_F(ProfileTest, MissingFileReadsAsEmpty) {
  EXPECT_EQ(GetString(path_, "Config", "X", "dflt", 256), "dflt");
  EXPECT_EQ(GetInt(path_, "Config", "X", 42), 42);
  EXPECT_TRUE(GetSectionNames(path_).empty());
  EXPECT_FALSE(std::filesystem::exists(path_));
}

// String keys are read into fixed buffers of characters: cut at size - 1
// characters, never inside a sequence; bytes that are no UTF-8 count one each.
TEST_F(ProfileTest, BufferSizeCutsAtCharacters) {
  std::string f = Write("[S]\nK=abc\xc3\xa9\xe2\x82\xac\xf0\x9f\x93\x85z\n[T]\nK=a\xe9\xff\xc3\n");
  // "abcé€📅z": a two-, a three- and a four-byte character.
  EXPECT_EQ(GetString(f, "S", "K", "", 4), "abc");
  EXPECT_EQ(GetString(f, "S", "K", "", 5), "abc\xc3\xa9") << "é is one character";
  EXPECT_EQ(GetString(f, "S", "K", "", 6), "abc\xc3\xa9\xe2\x82\xac");
  EXPECT_EQ(GetString(f, "S", "K", "", 7), "abc\xc3\xa9\xe2\x82\xac\xf0\x9f\x93\x85");
  EXPECT_EQ(GetString(f, "S", "K", "", 8), "abc\xc3\xa9\xe2\x82\xac\xf0\x9f\x93\x85z");
  EXPECT_EQ(GetString(f, "S", "K", "", 255), "abc\xc3\xa9\xe2\x82\xac\xf0\x9f\x93\x85z");
  EXPECT_EQ(GetString(f, "S", "K", "", 1), "");
  EXPECT_EQ(GetString(f, "S", "K", "", 0), "");
  EXPECT_EQ(GetString(f, "T", "K", "", 3), "a\xe9") << "an 8-bit text counts byte by byte";
  EXPECT_EQ(GetString(f, "T", "K", "", 5), "a\xe9\xff\xc3") << "a lone lead byte is one character";
  EXPECT_EQ(GetString(f, "S", "missing",
                      "d\xc3\xa9"
                      "fault",
                      4),
            "d\xc3\xa9"
            "f");
}

// A value of 255 characters fits a 256-character buffer even when most of its
// characters take two bytes.
TEST_F(ProfileTest, LongValueOfTwoByteCharactersIsNotCutAtBytes) {
  std::string value;
  for (int i = 0; i < 255; ++i) value += "\xc3\xa4";  // ä
  std::string f = Write("[S]\nK=" + value + "\n");
  EXPECT_EQ(GetString(f, "S", "K", "", 256), value);
  EXPECT_EQ(GetString(f, "S", "K", "", 255), value.substr(0, 254 * 2));
}

// Integer keys follow the Windows reading: leading digits only, and overflow must not be undefined.
TEST_F(ProfileTest, IntegerParsing) {
  std::string f = Write(
      "[S]\nA=  12abc\nB=-7\nC=+8\nD=abc\nE=\nF=99999999999999999999\nG=-99999999999999999999\n"
      "H=2147483647\nI=-2147483648\nJ=- 5\n");
  EXPECT_EQ(GetInt(f, "S", "A", -1), 12);
  EXPECT_EQ(GetInt(f, "S", "B", -1), -7);
  EXPECT_EQ(GetInt(f, "S", "C", -1), 8);
  EXPECT_EQ(GetInt(f, "S", "D", -1), 0);
  EXPECT_EQ(GetInt(f, "S", "E", -1), 0) << "present but empty is not missing";
  EXPECT_EQ(GetInt(f, "S", "F", -1), INT_MAX);
  EXPECT_EQ(GetInt(f, "S", "G", -1), INT_MIN);
  EXPECT_EQ(GetInt(f, "S", "H", -1), INT_MAX);
  EXPECT_EQ(GetInt(f, "S", "I", -1), INT_MIN);
  EXPECT_EQ(GetInt(f, "S", "J", -1), 0);
}

// Group members are read as key names in file order, cut like the Windows buffer.
TEST_F(ProfileTest, KeyNamesInFileOrderWithBufferCut) {
  std::string f = Write("[Group1]\nAddr2=b\nAddr1=a\naddr2=dup\nZeta=z\n[Group2]\nX=1\n");
  EXPECT_EQ(GetKeyNames(f, "group1"), (std::vector<std::string>{"Addr2", "Addr1", "Zeta"}));
  // Ten characters hold "Addr2\0", "Ad\0" and the closing zero.
  EXPECT_EQ(GetKeyNames(f, "Group1", 10), (std::vector<std::string>{"Addr2", "Ad"}));
  EXPECT_TRUE(GetKeyNames(f, "Group3").empty());
  EXPECT_EQ(GetSectionNames(f), (std::vector<std::string>{"Group1", "Group2"}));
  // The buffer counts characters: "Grün\0" takes five of them.
  std::string g = Write("[G]\nGr\xc3\xbcn=1\nZ\xc3\xa4hler=2\n");
  EXPECT_EQ(GetKeyNames(g, "G", 9), (std::vector<std::string>{"Gr\xc3\xbcn", "Z\xc3\xa4"}));
}

// Replacing a value changes only its line; everything else stays byte for byte.
TEST_F(ProfileTest, WriteReplacesInPlace) {
  std::string original = "; comment\n[Config]\r\n  DaysPast = 15 \nweird\x01line\r[Other]\nDaysPast=3";
  std::string f = Write(original);
  ASSERT_TRUE(WriteString(f, "config", "dayspast", "30"));
  EXPECT_EQ(ReadFileBytes(f), "; comment\n[Config]\r\ndayspast=30\nweird\x01line\r[Other]\nDaysPast=3");
  EXPECT_EQ(GetInt(f, "Config", "DaysPast", 0), 30);
}

// A new key goes to the end of its section, before the blank lines that separate sections.
TEST_F(ProfileTest, WriteAppendsToItsSection) {
  std::string f = Write("[A]\r\nx=1\r\n\r\n[B]\r\ny=2");
  ASSERT_TRUE(WriteString(f, "a", "z", "3"));
  ASSERT_TRUE(WriteString(f, "B", "w", "4"));
  EXPECT_EQ(ReadFileBytes(f), "[A]\r\nx=1\r\nz=3\r\n\r\n[B]\r\ny=2\r\nw=4\r\n");
}

// The first write creates the file and the section, with CRLF line ends.
TEST_F(ProfileTest, WriteCreatesFileAndSection) {
  ASSERT_TRUE(WriteString(path_, "Config", "NewDB", "1"));
  ASSERT_TRUE(WriteString(path_, "Server1", "TimeDiff", "-60"));
  EXPECT_EQ(ReadFileBytes(path_), "[Config]\r\nNewDB=1\r\n[Server1]\r\nTimeDiff=-60\r\n");
  EXPECT_EQ(GetInt(path_, "Server1", "TimeDiff", 0), -60);
}

// Removing keys and sections, including duplicates that would otherwise show through.
TEST_F(ProfileTest, RemoveKeyAndSection) {
  std::string f = Write("[G]\r\na=1\r\nb=2\r\nA=3\r\n[H]\r\nc=4\r\n[g]\r\nd=5\r\n");
  ASSERT_TRUE(RemoveKey(f, "G", "A"));
  EXPECT_EQ(GetString(f, "G", "a", "gone", 256), "gone");
  EXPECT_EQ(ReadFileBytes(f), "[G]\r\nb=2\r\n[H]\r\nc=4\r\n[g]\r\nd=5\r\n");
  ASSERT_TRUE(RemoveSection(f, "g"));
  EXPECT_EQ(ReadFileBytes(f), "[H]\r\nc=4\r\n");
  EXPECT_TRUE(RemoveKey(f, "missing", "x")) << "removing what is not there succeeds";
  EXPECT_TRUE(RemoveKey(path_ + ".none", "S", "x"));
  EXPECT_FALSE(std::filesystem::exists(path_ + ".none"));
}

// A write that cannot happen leaves the old file untouched and no temporary file behind.
TEST_F(ProfileTest, FailedWriteKeepsOldFile) {
  std::string f = Write("[S]\r\nk=v\r\n");
  EXPECT_FALSE(WriteString(f, "S", "bad\nkey", "x"));
  EXPECT_FALSE(WriteString(f, "S", "k", "two\r\nlines"));
  EXPECT_FALSE(WriteString(f, "S]", "k", "x"));
  EXPECT_FALSE(WriteString(dir_.File("no/such/folder.ini"), "S", "k", "v"));
  std::filesystem::create_directory(dir_.File("adir"));
  EXPECT_FALSE(WriteString(dir_.File("adir"), "S", "k", "v")) << "a folder is not an empty file";
  EXPECT_EQ(ReadFileBytes(f), "[S]\r\nk=v\r\n");
  size_t entries = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir_.path())) ++entries;
  EXPECT_EQ(entries, 2u) << "only the profile and the folder";
}

// One reading answers every lookup as the free functions do, also in a file
// of many sections and keys where the first occurrence still wins.
TEST_F(ProfileTest, SnapshotAnswersLikeTheFreeFunctions) {
  std::string text = "[Config]\r\n";
  for (int n = 1; n <= 20000; ++n) text += "Key" + std::to_string(n) + "=" + std::to_string(n) + "\r\n";
  text += "key7=shadowed\r\n[Group1]\r\nB=2\r\nA=1\r\n[config]\r\nKey1=shadowed\r\nLate=no\r\n";
  std::string f = Write(text);
  ProfileSnapshot ini(f);
  EXPECT_EQ(ini.GetInt("CONFIG", "key20000", 0), 20000);
  EXPECT_EQ(ini.GetString("config", "KEY7", "", 256), "7") << "the first occurrence wins";
  EXPECT_EQ(ini.GetString("Config", "Key1", "", 256), "1") << "a repeated section does not override";
  EXPECT_EQ(ini.GetString("Config", "Late", "missing", 256), "missing")
      << "keys of a repeated section are not read, as with the Windows reader";
  EXPECT_EQ(ini.GetKeyNames("group1"), (std::vector<std::string>{"B", "A"}));
  EXPECT_EQ(ini.GetSectionNames(), (std::vector<std::string>{"Config", "Group1"}));
  EXPECT_EQ(GetString(f, "Config", "Key19999", "", 256), "19999");
  EXPECT_TRUE(ini.exists());
  EXPECT_TRUE(ini.readable());
  EXPECT_TRUE(ini.HasSection("GROUP1"));
  EXPECT_FALSE(ini.HasSection("Group2"));
  EXPECT_FALSE(ini.EndsInsideLine());
}

// What a reader may warn about: a file that is missing, unreadable or cut inside a line.
TEST_F(ProfileTest, SnapshotTellsAboutTheFileItself) {
  EXPECT_FALSE(ProfileSnapshot(path_).exists());
  EXPECT_TRUE(ProfileSnapshot(Write("")).exists());
  EXPECT_FALSE(ProfileSnapshot(path_).EndsInsideLine()) << "an empty file ends nowhere";
  EXPECT_TRUE(ProfileSnapshot(Write("[Config]\r\nDaysPa")).EndsInsideLine());
  EXPECT_FALSE(ProfileSnapshot(Write("[Config]\r\nDaysPast=1\n")).EndsInsideLine());
  std::filesystem::create_directory(dir_.File("adir"));
  ProfileSnapshot folder(dir_.File("adir"));
  EXPECT_TRUE(folder.exists());
  EXPECT_FALSE(folder.readable());
  EXPECT_EQ(folder.GetInt("Config", "X", 5), 5);
}

}  // namespace
}  // namespace korvale::profile
