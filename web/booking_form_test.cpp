// The booking form refuses what the agent could not book or the tables could
// not hold, and says which field is wrong; the database checks come after.
#include "web/booking_form.h"

#include <gtest/gtest.h>

namespace korvale::web {
namespace {

FormFields Valid() {
  return {{"group", "Staff"},
          {"organizer", "Anna Berg"},
          {"attendee", "Ben Carter"},
          {"attendee", "Ben Carter"},
          {"room", "Room Atlas"},
          {"date", "2026-12-09"},
          {"start", "10:00"},
          {"end", "11:30"},
          {"title", "Plan"},
          {"reminder", "15"},
          {"private", "1"}};
}

TEST(BookingForm, AcceptsAWholeFormAndDropsRepeatedNames) {
  auto r = ParseBookingForm(Valid());
  ASSERT_TRUE(r.ok()) << r.status().message();
  EXPECT_EQ(r->organizer, "Anna Berg");
  EXPECT_EQ(r->attendees, std::vector<std::string>{"Ben Carter"});
  EXPECT_EQ(r->rooms, std::vector<std::string>{"Room Atlas"});
  EXPECT_EQ(r->start, (SqlTimestamp{2026, 12, 9, 10, 0, 0}));
  EXPECT_EQ(r->end, (SqlTimestamp{2026, 12, 9, 11, 30, 0}));
  EXPECT_EQ(r->reminder_minutes, 15);
  EXPECT_TRUE(r->is_private);
}

TEST(BookingForm, RefusesMalformedFieldsWithTheReason) {
  struct Case {
    const char* field;
    std::string value;
    const char* reason;
  } cases[] = {
      {"title", "", "The title is missing."},
      {"title", std::string(251, 'x'), "The title is longer than 250 characters."},
      {"title", "a\nb", "The title must not contain control characters."},
      {"title", "caf\xE9", "The title is not valid UTF-8 text."},
      {"location", std::string(51, 'x'), "The location is longer than 50 characters."},
      {"organizer", "", "The organizer is missing."},
      {"organizer", "Anna;DROP", "The organizer must not contain \";\" or \"$\"."},
      {"room", "$R$Atlas", "A room must not contain \";\" or \"$\"."},
      {"date", "2026-02-30", "The date must be given as YYYY-MM-DD."},
      {"date", "9.12.2026", "The date must be given as YYYY-MM-DD."},
      {"start", "24:00", "Start and end must be given as HH:MM."},
      {"end", "09:00", "The end must be later than the start."},
      {"end", "10:00", "The end must be later than the start."},
      {"reminder", "-5", "The reminder must be a number of minutes from 0 to 40320."},
      {"reminder", "99999", "The reminder must be a number of minutes from 0 to 40320."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.field) + "=" + c.value);
    FormFields fields = Valid();
    fields.erase(c.field);
    fields.emplace(c.field, c.value);
    auto r = ParseBookingForm(fields);
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.status().message(), c.reason);
  }
}

TEST(BookingForm, TitlesMayHoldQuotesAndMarkup) {
  FormFields fields = Valid();
  fields.erase("title");
  fields.emplace("title", "<b>O'Neil</b> \"x\" \\ y");
  auto r = ParseBookingForm(fields);
  ASSERT_TRUE(r.ok()) << r.status().message();
  EXPECT_EQ(r->title, "<b>O'Neil</b> \"x\" \\ y") << "kept as typed; escaped where it is written";
}

}  // namespace
}  // namespace korvale::web
