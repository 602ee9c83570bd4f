// The UTF-8 helper: the edges of each sequence length, the forms that look
// like UTF-8 but are not, and cuts that must not split a character.
#include "common/utf8.h"

#include <gtest/gtest.h>

#include <string>

namespace korvale {
namespace {

std::string Encoded(char32_t code) {
  std::string out;
  AppendUtf8(out, code);
  return out;
}

TEST(Utf8, EncodesAndDecodesEverySequenceLengthAtItsEdges) {
  const struct {
    char32_t code;
    std::string bytes;
  } cases[] = {
      {0x00, std::string(1, '\0')},
      {0x7F, "\x7F"},
      {0x80, "\xC2\x80"},
      {0x7FF, "\xDF\xBF"},
      {0x800, "\xE0\xA0\x80"},
      {0xD7FF, "\xED\x9F\xBF"},
      {0xE000, "\xEE\x80\x80"},
      {0xFFFF, "\xEF\xBF\xBF"},
      {0x10000, "\xF0\x90\x80\x80"},
      {0x10FFFF, "\xF4\x8F\xBF\xBF"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Encoded(c.code), c.bytes) << std::hex << static_cast<uint32_t>(c.code);
    const Utf8Char decoded = DecodeUtf8(c.bytes, 0);
    EXPECT_TRUE(decoded.valid) << std::hex << static_cast<uint32_t>(c.code);
    EXPECT_EQ(decoded.code, c.code);
    EXPECT_EQ(decoded.length, c.bytes.size());
  }
}

TEST(Utf8, EncodingRefusesWhatIsNoCharacter) {
  EXPECT_EQ(Encoded(0xD800), "\xEF\xBF\xBD") << "a surrogate";
  EXPECT_EQ(Encoded(0xDFFF), "\xEF\xBF\xBD");
  EXPECT_EQ(Encoded(0x110000), "\xEF\xBF\xBD") << "beyond U+10FFFF";
}

TEST(Utf8, IllFormedSequencesSpanTheirMaximalSubpart) {
  const struct {
    std::string bytes;
    size_t length;
    const char* what;
  } cases[] = {
      {"\x80", 1, "a lone continuation byte"},
      {"\xC0\xAF", 1, "overlong two-byte lead"},
      {"\xC1\xBF", 1, "overlong two-byte lead"},
      {"\xE0\x9F\xBF", 1, "overlong three-byte form"},
      {"\xF0\x8F\xBF\xBF", 1, "overlong four-byte form"},
      {"\xED\xA0\x80", 1, "surrogate D800"},
      {"\xED\xBF\xBF", 1, "surrogate DFFF"},
      {"\xF4\x90\x80\x80", 1, "U+110000"},
      {"\xF5\x80\x80\x80", 1, "lead beyond F4"},
      {"\xFF", 1, "FF"},
      {"\xC3", 1, "two-byte sequence cut after its lead"},
      {"\xE2\x82", 2, "three-byte sequence cut short"},
      {"\xF0\x9F\x93", 3, "four-byte sequence cut short"},
      {"\xE2\x82x", 2, "three-byte sequence broken by ASCII"},
      {"\xF0\x9F\xC3\xA9", 2, "four-byte sequence broken by another lead"},
  };
  for (const auto& c : cases) {
    const Utf8Char decoded = DecodeUtf8(c.bytes, 0);
    EXPECT_FALSE(decoded.valid) << c.what;
    EXPECT_EQ(decoded.code, kReplacementCharacter) << c.what;
    EXPECT_EQ(decoded.length, c.length) << c.what;
    EXPECT_FALSE(IsValidUtf8(c.bytes)) << c.what;
  }
  EXPECT_TRUE(IsValidUtf8(""));
  EXPECT_TRUE(IsValidUtf8("Caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x93\x85"));
  EXPECT_FALSE(IsValidUtf8("Caf\xE9"));
}

TEST(Utf8, DecodesInsideText) {
  const std::string text = "a\xC3\xA9\xE2\x82\xAC";
  EXPECT_EQ(DecodeUtf8(text, 1).code, U'\u00E9');
  EXPECT_EQ(DecodeUtf8(text, 3).code, U'\u20AC');
  EXPECT_FALSE(DecodeUtf8(text, 2).valid) << "the middle of a character";
}

TEST(Utf8, CountsCharacters) {
  EXPECT_EQ(Utf8Length(""), 0u);
  EXPECT_EQ(Utf8Length("abc"), 3u);
  EXPECT_EQ(Utf8Length("\xC3\xA9\xE2\x82\xAC\xF0\x9F\x93\x85"), 3u);
  EXPECT_EQ(Utf8Length("a\xE2\x82z"), 3u) << "a cut-short sequence is one character";
  EXPECT_EQ(Utf8Length("a\xE2\x82z", IllFormed::kEachByte), 4u) << "or one per byte";
  EXPECT_EQ(Utf8Length("Caf\xE9", IllFormed::kEachByte), 4u);
}

TEST(Utf8, CutsBetweenCharacters) {
  const std::string text = "abc\xC3\xA9\xE2\x82\xAC\xF0\x9F\x93\x85z";
  EXPECT_EQ(Utf8Prefix(text, 0), "");
  EXPECT_EQ(Utf8Prefix(text, 4), "abc\xC3\xA9");
  EXPECT_EQ(Utf8Prefix(text, 5), "abc\xC3\xA9\xE2\x82\xAC");
  EXPECT_EQ(Utf8Prefix(text, 6), "abc\xC3\xA9\xE2\x82\xAC\xF0\x9F\x93\x85");
  EXPECT_EQ(Utf8Prefix(text, 100), text);
  EXPECT_EQ(Utf8Prefix("a\xE2\x82z", 2), "a\xE2\x82");
  EXPECT_EQ(Utf8Prefix("a\xE2\x82z", 2, IllFormed::kEachByte), "a\xE2");
}

TEST(Utf8, CutsToBytesBetweenCharacters) {
  const std::string text = "ab\xE2\x82\xAC\xF0\x9F\x93\x85";
  EXPECT_EQ(Utf8PrefixBytes(text, 100), text);
  EXPECT_EQ(Utf8PrefixBytes(text, text.size()), text);
  EXPECT_EQ(Utf8PrefixBytes(text, 8), "ab\xE2\x82\xAC");
  EXPECT_EQ(Utf8PrefixBytes(text, 5), "ab\xE2\x82\xAC");
  EXPECT_EQ(Utf8PrefixBytes(text, 4), "ab");
  EXPECT_EQ(Utf8PrefixBytes(text, 0), "");
}

TEST(Utf8, ConvertsToUtf16WithSurrogatePairs) {
  EXPECT_EQ(Utf8ToUtf16(""), u"");
  EXPECT_EQ(Utf8ToUtf16("a\xC3\xA9\xEF\xBF\xBF"), u"a\u00E9\uFFFF");
  EXPECT_EQ(Utf8ToUtf16("\xF0\x90\x80\x80\xF4\x8F\xBF\xBF"), u"\U00010000\U0010FFFF");
  EXPECT_EQ(Utf8ToUtf16("\xF0\x9F\x93\x85").size(), 2u);
  EXPECT_EQ(Utf8ToUtf16("x\xE2\x82y\xFF"), u"x\uFFFDy\uFFFD") << "one U+FFFD per ill-formed sequence";
}

}  // namespace
}  // namespace korvale
