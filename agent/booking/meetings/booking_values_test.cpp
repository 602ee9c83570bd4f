// The value rules of the booking protocol and the two booking lists.
#include "agent/booking/meetings/booking_values.h"

#include <gtest/gtest.h>

#include "agent/booking/meetings/booking_record.h"

namespace korvale {
namespace {

// The reminder field carries minutes in any C base and an optional privacy marker.
TEST(ParseReminder, ReadsMinutesInAutomaticBaseAndThePrivacyMarker) {
  struct Case {
    const char* phone;
    uint32_t minutes;
    bool is_private;
  };
  const Case cases[] = {
      {"15$P$", 15, true},  {"0x10$P$", 16, true},
      {"", 0, false},       {"30", 30, false},
      {"010", 8, false},    {"$P$", 0, true},
      {"abc", 0, false},    {"-5$P$", 0, true},
      {" 20$P$", 20, true}, {"99999999999", 0xFFFFFFFFu, false},
  };
  for (const Case& c : cases) {
    Reminder r = ParseReminder(c.phone);
    EXPECT_EQ(r.minutes, c.minutes) << "phone '" << c.phone << "'";
    EXPECT_EQ(r.is_private, c.is_private) << "phone '" << c.phone << "'";
  }
}

// "no invitation" is recognised in any case, and nothing else is.
TEST(IsNoInvitation, IgnoresCaseOnly) {
  EXPECT_TRUE(IsNoInvitation("no invitation"));
  EXPECT_TRUE(IsNoInvitation("No Invitation"));
  EXPECT_TRUE(IsNoInvitation("NO INVITATION"));
  EXPECT_FALSE(IsNoInvitation("no invitations"));
  EXPECT_FALSE(IsNoInvitation(""));
}

// The settings file writes control characters as two-character sequences;
// the history text must carry real ones, and the old history follows.
TEST(BookingText, TurnsEscapesIntoControlCharactersAndAppendsTheOldAcl) {
  EXPECT_EQ(BookingText("Booked by %s\n", "Ann", "older"), "Booked by Ann\nolder");
  EXPECT_EQ(BookingText("By %s\\r\\n\\t100%%", "Ann", ""), "By Ann\r\n\t100%");
  // A name that looks like an escape stays as the user wrote it.
  EXPECT_EQ(BookingText("%s|", "a\\nb", ""), "a\\nb|");
  EXPECT_EQ(BookingText("no name", "Ann", "x"), "no namex");
}

// Mailbox lists are split at ";", trimmed, and lose resource markers.
TEST(SplitMailboxList, TrimsSkipsEmptyNamesAndDropsResourceMarkers) {
  EXPECT_EQ(SplitMailboxList("Bob; Carl;  Dan "), (std::vector<std::string>{"Bob", "Carl", "Dan"}));
  EXPECT_EQ(SplitMailboxList("; Ann"), (std::vector<std::string>{"Ann"}));
  EXPECT_EQ(SplitMailboxList("$R$Room 1$R$; \xC2\xA3R\xC2\xA3Room 2"),
            (std::vector<std::string>{"Room 1", "Room 2"}));
  EXPECT_TRUE(SplitMailboxList("").empty());
}

// The number list keeps reading order, drops duplicates and answers membership.
TEST(BookingNumberList, KeepsFirstOccurrenceInReadingOrder) {
  BookingNumberList numbers;
  EXPECT_TRUE(numbers.Add("B-2"));
  EXPECT_TRUE(numbers.Add("B-1"));
  EXPECT_FALSE(numbers.Add("B-2"));
  EXPECT_TRUE(numbers.Add("b-2"));  // exact comparison
  EXPECT_EQ(numbers.numbers(), (std::vector<std::string>{"B-2", "B-1", "b-2"}));
  EXPECT_TRUE(numbers.Contains("B-1"));
  EXPECT_FALSE(numbers.Contains("B-3"));
  numbers.Clear();
  EXPECT_EQ(numbers.size(), 0u);
  EXPECT_FALSE(numbers.Contains("B-1"));
}

// The booking writer replaces records in place; a position past the end changes nothing.
TEST(BookingList, ReplacesByPosition) {
  BookingList list;
  BookingRecord first;
  first.title = "one";
  list.Append(first);
  BookingRecord second;
  second.title = "two";
  EXPECT_TRUE(list.Replace(0, second));
  EXPECT_EQ(list.at(0).title, "two");
  EXPECT_FALSE(list.Replace(1, first));
  EXPECT_EQ(list.size(), 1u);
}

}  // namespace
}  // namespace korvale
