#include "Setup/wizard_locales.h"

namespace korvale::setup {

std::span<const LocaleEntry> WebLocales() {
  const std::vector<LocaleEntry>& all = CodePageLocales();
  return std::span<const LocaleEntry>(all).first(all.size() - 1);
}

std::optional<size_t> FindLocale(std::uint32_t lcid) {
  if (lcid == 0) return std::nullopt;
  const std::span<const LocaleEntry> locales = WebLocales();
  for (size_t i = 0; i < locales.size(); ++i) {
    if (locales[i].lcid == lcid) return i;
  }
  return std::nullopt;
}

}  // namespace korvale::setup
