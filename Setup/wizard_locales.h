// The locales the web application can use: GLOBAL.ASA's code-page table
// without its last entry, "use server default", in file order.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "Setup/global_asa.h"

namespace korvale::setup {

// The table in file order.
std::span<const LocaleEntry> WebLocales();

// The position of `lcid` in the table; nothing for 0 or an LCID it lacks.
std::optional<size_t> FindLocale(std::uint32_t lcid);

}  // namespace korvale::setup
