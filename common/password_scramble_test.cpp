#include "common/password_scramble.h"

#include <gtest/gtest.h>

namespace korvale {
namespace {

// Every deliverable shares the table; a stored password must read back unchanged.
TEST(PasswordScramble, RoundTripsEveryByteBut255) {
  std::string all;
  for (int b = 1; b < 255; ++b) all += static_cast<char>(b);
  std::string stored = ScramblePassword(all);
  EXPECT_EQ(stored.size(), all.size() * 2);
  EXPECT_EQ(stored.find_first_not_of("0123456789ABCDEF"), std::string::npos) << stored;
  EXPECT_EQ(UnscramblePassword(stored), all);
  std::string utf8 = "Pässwörd-日本";
  EXPECT_EQ(UnscramblePassword(ScramblePassword(utf8)), utf8);
}

TEST(PasswordScramble, PositionsBeyondTheTableWrap) {
  std::string long_password(300, 'k');
  EXPECT_EQ(UnscramblePassword(ScramblePassword(long_password)), long_password);
}

// Only length/2 pairs are read, so a stray last digit is ignored.
TEST(PasswordScramble, OddLengthUsesWholePairsOnly) {
  std::string stored = ScramblePassword("ab");
  EXPECT_EQ(UnscramblePassword(stored + "F"), "ab");
}

TEST(PasswordScramble, MarkerMeansNoPasswordInAnyCase) {
  EXPECT_EQ(PasswordFromGuid2("462718390"), "");
  EXPECT_EQ(PasswordFromGuid2(""), "");
  EXPECT_EQ(PasswordFromGuid2(ScramblePassword("secret")), "secret");
  EXPECT_EQ(PasswordFromGuid2(ScramblePassword("secret")), "secret");
  // Not hexadecimal: reads without crashing.
  EXPECT_EQ(PasswordFromGuid2("zz").size(), 1u);
}

}  // namespace
}  // namespace korvale
