// The category filter's rules, in the order they decide.
#include <gtest/gtest.h>

#include "agent/scan/appointment_reader.h"

namespace korvale {
namespace {

bool Excludes(const AgentSettings& settings, const std::string& categories, int32_t busy = 2,
              const std::string& mailbox = "Ann") {
  return CategoryFilterExcludes(settings, mailbox, categories, busy);
}

// Holidays are left out unless the Holidays setting publishes them; the test is case-sensitive.
TEST(CategoryFilter, Holidays) {
  AgentSettings settings;
  EXPECT_TRUE(Excludes(settings, "//Holiday//"));
  EXPECT_TRUE(Excludes(settings, "//Feiertag//Team//"));
  EXPECT_FALSE(Excludes(settings, "//holiday//"));
  EXPECT_FALSE(Excludes(settings, ""));
  settings.holidays = 1;
  EXPECT_FALSE(Excludes(settings, "//Holiday//"));
}

// Excluded categories decide alone: the limit rules are then not applied.
TEST(CategoryFilter, ExcludeCategoriesOverrideTheLimits) {
  AgentSettings settings;
  settings.holidays = 1;
  settings.exclude_categories = "Private; Travel";
  settings.exclude_category_list = {"Private", "Travel"};
  settings.limit_categories_on_mailboxes = "Ann; Bob";
  settings.limit_categories_to = "Rooms";
  settings.limit_categories_busy_status = 2;
  EXPECT_TRUE(Excludes(settings, "//Travel//"));
  EXPECT_TRUE(Excludes(settings, "//Team//Private stuff//")) << "a substring test";
  EXPECT_FALSE(Excludes(settings, "//Team//", 0)) << "neither the category nor the busy limit applies";
  settings.exclude_category_list = {"Private", "", "Travel"};
  EXPECT_FALSE(Excludes(settings, "//Team//")) << "an empty entry excludes nothing";
}

// Limits apply to the named mailboxes only; the busy-status limit can be confirmed, never cleared.
TEST(CategoryFilter, LimitsOnNamedMailboxes) {
  AgentSettings settings;
  settings.holidays = 1;
  settings.limit_categories_on_mailboxes = "Ann; Bob";
  settings.limit_categories_to = "Rooms; Cars";
  EXPECT_FALSE(Excludes(settings, "//Team//", 2, "Carl")) << "not a limited mailbox";
  EXPECT_TRUE(Excludes(settings, "//Team//"));
  EXPECT_FALSE(Excludes(settings, "//Team//Cars//"));
  EXPECT_FALSE(Excludes(settings, "")) << "no categories: nothing to limit";

  settings.limit_categories_busy_status = 2;
  EXPECT_TRUE(Excludes(settings, "//Cars//", 1)) << "another busy status stays excluded";
  EXPECT_FALSE(Excludes(settings, "//Cars//", 2));
  EXPECT_TRUE(Excludes(settings, "", 3));
  settings.limit_categories_to.clear();
  EXPECT_FALSE(Excludes(settings, "//Anything//", 2));
  EXPECT_TRUE(Excludes(settings, "//Anything//", 0));
}

}  // namespace
}  // namespace korvale
