// UTF-8 repair and counting: a server that checks its character set refuses a
// whole statement for one bad byte, so every ill-formed sequence must become
// U+FFFD, and counting must agree with what the repair makes of the text.
#include "agent/database/utf8_text.h"

#include <gtest/gtest.h>

namespace korvale {
namespace {

constexpr const char* kFffd = "\xEF\xBF\xBD";

std::string Repeat(const char* s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

// The examples of the Unicode Standard (chapter 3, "U+FFFD Substitution of
// Maximal Subparts"): one U+FFFD per maximal subpart, never one per sequence
// and never one for the whole run.
TEST(RepairUtf8, MaximalSubpartsOfTheStandardsExamples) {
  struct Case {
    const char* what;
    std::string bytes;
    std::string repaired;
  } cases[] = {
      {"non-shortest forms", "\xC0\xAF\xE0\x80\xBF\xF0\x81\x82\x41", Repeat(kFffd, 8) + "A"},
      {"surrogates", "\xED\xA0\x80\xED\xBF\xBF\xED\xAF\x41", Repeat(kFffd, 8) + "A"},
      {"beyond U+10FFFF and stray bytes", "\xF4\x91\x92\x93\xFF\x41\x80\xBF\x42",
       Repeat(kFffd, 5) + "A" + Repeat(kFffd, 2) + "B"},
      {"truncated sequences", "\xE1\x80\xE2\xF0\x91\x92\xF1\xBF\x41", Repeat(kFffd, 4) + "A"},
      {"cut off at the end", "ab\xF0\x9F\x98", std::string("ab") + kFffd},
      {"a lone continuation byte", "\x80", kFffd},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_FALSE(IsValidUtf8(c.bytes));
    EXPECT_EQ(RepairUtf8(c.bytes), c.repaired);
    EXPECT_TRUE(IsValidUtf8(c.repaired));
    EXPECT_EQ(Utf8Length(c.bytes), Utf8Length(c.repaired)) << "counting agrees with the repair";
  }
}

// Valid text, the edges of each range included, passes unchanged.
TEST(RepairUtf8, ValidTextIsUnchanged) {
  for (std::string text :
       {std::string(""), std::string("plain ASCII with a NUL\0 inside", 30), std::string("\xC2\x80\xDF\xBF"),
        std::string("\xE0\xA0\x80\xED\x9F\xBF\xEE\x80\x80"), std::string("\xF0\x90\x80\x80\xF4\x8F\xBF\xBF"),
        std::string("Zoë's €😀")}) {
    EXPECT_TRUE(IsValidUtf8(text)) << text;
    EXPECT_EQ(RepairUtf8(text), text);
  }
}

// A cut never splits a character and counts an ill-formed sequence as one.
TEST(Utf8Prefix, CountsCharactersAndIllFormedSequences) {
  EXPECT_EQ(Utf8Prefix("ab😀cd", 3), "ab😀");
  EXPECT_EQ(Utf8Prefix("a\xE2\x82"
                       "bc",
                       2),
            "a\xE2\x82")
      << "the broken sequence is one character";
  EXPECT_EQ(Utf8Length("a\xE2\x82"
                       "bc"),
            4u);
  EXPECT_EQ(Utf8Prefix("xyz", 10), "xyz");
  EXPECT_EQ(Utf8Prefix("xyz", 0), "");
}

}  // namespace
}  // namespace korvale
