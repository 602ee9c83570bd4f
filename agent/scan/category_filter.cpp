// The category filter of the appointment reader: which items are not
// published because of their categories (holidays, excluded categories, or
// the category and busy-status limits of selected mailboxes).
#include <string>
#include <string_view>
#include <vector>

#include "agent/scan/appointment_reader.h"
#include "common/list_split.h"

namespace korvale {
namespace {

bool Contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

std::vector<std::string> ExcludedCategories(const AgentSettings& settings) {
  if (!settings.exclude_category_list.empty()) return settings.exclude_category_list;
  return SplitSemicolonList(settings.exclude_categories);
}

}  // namespace

bool CategoryFilterExcludes(const AgentSettings& settings, const std::string& mailbox_name,
                            const std::string& category_text, int32_t busy_status) {
  if (settings.holidays == 0 && (Contains(category_text, "Feiertag") || Contains(category_text, "Holiday"))) {
    return true;
  }
  if (!settings.exclude_categories.empty() || !settings.exclude_category_list.empty()) {
    // An empty entry (a doubled ";") would be found in every text; it excludes nothing.
    for (const std::string& entry : ExcludedCategories(settings)) {
      if (!entry.empty() && Contains(category_text, entry)) return true;
    }
    return false;
  }
  if (!Contains(settings.limit_categories_on_mailboxes, mailbox_name)) return false;
  bool excluded =
      settings.limit_categories_busy_status >= 0 && settings.limit_categories_busy_status != busy_status;
  if (settings.limit_categories_to.empty() || category_text.empty()) return excluded;
  size_t at = 0;
  while (at <= category_text.size()) {
    const size_t next = category_text.find("//", at);
    const std::string_view category =
        std::string_view(category_text).substr(at, next == std::string::npos ? std::string::npos : next - at);
    if (!category.empty() && Contains(settings.limit_categories_to, category)) return excluded;
    if (next == std::string::npos) break;
    at = next + 2;
  }
  return true;
}

}  // namespace korvale
