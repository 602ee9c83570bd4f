// Windows locale identifiers (LCIDs) for POSIX locale names, as the web
// application's code-page table numbers them: the setup preselects the
// administrator's own locale with it.
//
//   std::uint32_t lcid = locale::LcidFromLocaleName("de_DE.UTF-8");  // 1031
#pragma once

#include <cstdint>
#include <string_view>

namespace korvale::locale {

// The LCID of a POSIX locale name ("de_DE", "en_GB.UTF-8", "de_AT@euro");
// 0 for "C", "POSIX", an empty name or a locale without an identifier.
std::uint32_t LcidFromLocaleName(std::string_view name);

// The LCID of the user's locale: the first non-empty of LC_ALL, LC_MESSAGES
// and LANG; 0 when none names a locale with an identifier.
std::uint32_t UserDefaultLcid();

}  // namespace korvale::locale
