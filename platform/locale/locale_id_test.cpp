// The administrator's locale must land on the code-page table's own numbers,
// or the setup preselects the wrong language for the web pages.
#include "platform/locale/locale_id.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace korvale::locale {
namespace {

TEST(LocaleId, PosixNamesGiveTheTablesLcids) {
  struct Case {
    const char* name;
    std::uint32_t lcid;
  } cases[] = {
      {"de_DE.UTF-8", 1031}, {"de_CH", 2055},       {"en_US.UTF-8", 1033},
      {"en_GB", 2057},       {"fr_CA.UTF-8", 3084}, {"ja_JP", 1041},
      {"de_AT@euro", 3079},  {"es_MX", 2058},       {"C", 0},
      {"C.UTF-8", 0},        {"POSIX", 0},          {"", 0},
      {"xx_YY", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(LcidFromLocaleName(c.name), c.lcid);
  }
}

TEST(LocaleId, UserLocaleIsTakenFromTheFirstVariableSet) {
  ::setenv("LC_ALL", "", 1);
  ::setenv("LC_MESSAGES", "fr_FR.UTF-8", 1);
  ::setenv("LANG", "de_DE.UTF-8", 1);
  EXPECT_EQ(UserDefaultLcid(), 1036u) << "an empty LC_ALL does not count";
  ::setenv("LC_ALL", "it_IT", 1);
  EXPECT_EQ(UserDefaultLcid(), 1040u);
  ::unsetenv("LC_ALL");
  ::unsetenv("LC_MESSAGES");
  ::unsetenv("LANG");
  EXPECT_EQ(UserDefaultLcid(), 0u);
}

}  // namespace
}  // namespace korvale::locale
