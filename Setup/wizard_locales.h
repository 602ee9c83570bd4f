// The locales the web application can use, as the code-page lines of
// GLOBAL.ASA list them (without "use server default"), in file order.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace korvale::setup {

struct LocaleEntry {
  std::string_view name;
  std::uint32_t lcid;
};

// The table in file order.
std::span<const LocaleEntry> WebLocales();

// The position of `lcid` in the table; nothing for 0 or an LCID it lacks.
std::optional<size_t> FindLocale(std::uint32_t lcid);

}  // namespace korvale::setup
