#include "platform/locale/locale_id.h"

#include <unicode/uloc.h>

#include <cstdlib>
#include <string>

namespace korvale::locale {

std::uint32_t LcidFromLocaleName(std::string_view name) {
  // The code set and the modifier are no part of the name ICU knows.
  std::string base(name.substr(0, name.find_first_of(".@")));
  if (base.empty() || base == "C" || base == "POSIX") return 0;
  return uloc_getLCID(base.c_str());
}

std::uint32_t UserDefaultLcid() {
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value && *value) return LcidFromLocaleName(value);
  }
  return 0;
}

}  // namespace korvale::locale
