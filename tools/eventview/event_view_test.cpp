// The viewer's filters and layout, on events read back from a real file.
#include "tools/eventview/event_view.h"

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

namespace korvale::eventview {
namespace {

using eventlog::EventRecord;

std::vector<EventRecord> Filtered(const std::vector<EventRecord>& events, const EventFilter& filter) {
  std::vector<EventRecord> out;
  for (const EventRecord& e : events) {
    if (Matches(filter, e)) out.push_back(e);
  }
  return out;
}

// Events written by two sources, read back from the file and narrowed by each filter.
TEST(EventViewTest, FiltersEventsReadFromFile) {
  korvale::testing::TempDir dir;
  std::string lines;
  for (const EventRecord& e : {EventRecord{"2026-12-06T18:20:01", "Caldrun", 1, 119, {"a"}},
                               EventRecord{"2026-12-06T18:20:02", "caldrun", 4, 123, {"b"}},
                               EventRecord{"2026-12-06T18:20:03", "Other", 2, 119, {"c"}},
                               EventRecord{"2026-12-06T18:20:04", "Other", 0, 5, {"d"}}}) {
    lines += eventlog::FormatEventJson(e) + "\n";
  }
  korvale::testing::WriteFileBytes(dir.File("events.jsonl"), lines);
  std::vector<EventRecord> events = eventlog::ReadEventFile(dir.File("events.jsonl"));
  ASSERT_EQ(events.size(), 4u);

  EXPECT_EQ(Filtered(events, {}).size(), 4u);
  EXPECT_EQ(Filtered(events, {.source = "CALDRUN"}).size(), 2u) << "sources ignore case";
  EXPECT_EQ(Filtered(events, {.id = 119}).size(), 2u);
  EXPECT_EQ(Filtered(events, {.type = 4}).size(), 2u) << "type 0 is worded as information";
  auto one = Filtered(events, {.source = "Other", .type = ParseEventType("Warning"), .id = 119});
  ASSERT_EQ(one.size(), 1u);
  EXPECT_EQ(one[0].texts[0], "c");
}

// Types are given as numbers or words.
TEST(EventViewTest, ParsesTypeWords) {
  EXPECT_EQ(ParseEventType("1"), 1);
  EXPECT_EQ(ParseEventType("ERROR"), 1);
  EXPECT_EQ(ParseEventType("warning"), 2);
  EXPECT_EQ(ParseEventType("4"), 4);
  EXPECT_EQ(ParseEventType("Information"), 4);
  EXPECT_EQ(ParseEventType("3"), std::nullopt);
  EXPECT_EQ(ParseEventType(""), std::nullopt);
}

// The prefixes end in CRLF and texts carry their own breaks; each shows as a line.
TEST(EventViewTest, FormatsTextsWithLineBreaks) {
  EventRecord e{
      "2026-12-06T18:20:01",
      "Caldrun",
      2,
      107,
      {"The Caldrun is performing the following SQL statement:\r\n", "SELECT 1\r\nFROM t\nWHERE x"}};
  EXPECT_EQ(FormatEvent(e),
            "2026-12-06T18:20:01  Warning  Caldrun  id 107\n"
            "    The Caldrun is performing the following SQL statement:\n"
            "    SELECT 1\n    FROM t\n    WHERE x\n");
}

}  // namespace
}  // namespace korvale::eventview
