#include "agent/core/agent_logger.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include "tests/support/temp_dir.h"

namespace korvale {
namespace {

class AgentLoggerTest : public ::testing::Test {
 protected:
  void SetUp() override { setenv("KORVALE_EVENTLOG", events_.c_str(), 1); }
  void TearDown() override { unsetenv("KORVALE_EVENTLOG"); }
  std::vector<eventlog::EventRecord> Events() { return eventlog::ReadEventFile(events_); }

  testing::TempDir dir_;
  std::string events_ = dir_.File("events.jsonl");
  AgentSettings settings_;
  std::string instance_ = "Korvale Update Service";
};

// The event viewer and administrators rely on the prefix and the order of texts.
TEST_F(AgentLoggerTest, EventCarriesPrefixThenTextsInOrder) {
  AgentLogger log(settings_, instance_);
  log.LogEvent(EventType::kError, 119, "KorvaleTable1", "korvale", "boom");
  log.LogEvent(EventType::kWarning, 137, "General Error initializing.");
  log.LogEvent(EventType::kInformation, 123);
  auto events = Events();
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0].type, 1);
  EXPECT_EQ(events[0].id, 119u);
  EXPECT_EQ(events[0].source, instance_);
  EXPECT_EQ(events[0].texts,
            (std::vector<std::string>{"The Korvale Update Service reported the following error:\r\n",
                                      "KorvaleTable1", "korvale", "boom"}));
  EXPECT_EQ(events[1].texts[0], "The Korvale Update Service reported the following warning:\r\n");
  // A report without text carries only the prefix.
  ASSERT_EQ(events[2].texts.size(), 1u);
  EXPECT_EQ(events[2].texts[0], "The Korvale Update Service reported the following information:\r\n");
}

TEST_F(AgentLoggerTest, LogEventsZeroSilencesAllButTheSqlTrace) {
  settings_.log_events = 0;
  settings_.sql_log = 1;
  AgentLogger log(settings_, instance_);
  log.LogEvent(EventType::kError, 119, "dropped");
  log.LogSqlStatement("SELECT * FROM ", "Groups");
  auto events = Events();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].type, 2);
  EXPECT_EQ(events[0].id, 107u);
  EXPECT_EQ(events[0].texts, (std::vector<std::string>{
                                 "The Korvale Update Service is performing the following SQL statement:\r\n",
                                 "SELECT * FROM ", "Groups"}));
}

// Each entry starts a new line with date, time, instance name and a blank; no
// line end follows the last one, so several agents can share the file.
TEST_F(AgentLoggerTest, SqlTraceFileFormat) {
  settings_.sql_log = 1;
  settings_.sql_log_to_file = dir_.File("sql.log");
  AgentLogger log(settings_, instance_);
  log.LogSqlStatement("SELECT 1");
  log.LogSqlStatement("UPDATE x ", std::nullopt, "SET a=1");
  std::string text = testing::ReadFileBytes(settings_.sql_log_to_file);
  ASSERT_FALSE(text.empty());
  EXPECT_EQ(text[0], '\n');
  EXPECT_NE(text.back(), '\n');
  auto second = text.find('\n', 1);
  ASSERT_NE(second, std::string::npos);
  std::string first_line = text.substr(1, second - 1);
  std::string second_line = text.substr(second + 1);
  EXPECT_TRUE(first_line.ends_with(" Korvale Update Service SELECT 1")) << first_line;
  EXPECT_TRUE(second_line.ends_with(" Korvale Update Service UPDATE x SET a=1")) << second_line;
  EXPECT_TRUE(Events().empty()) << "a file trace must not also go to the event log";
}

// Entries written by another agent between ours stay whole, and a trace file
// named anew in the settings receives the entries from then on.
TEST_F(AgentLoggerTest, TraceFileIsSharedAndFollowsTheSetting) {
  settings_.sql_log = 1;
  settings_.sql_log_to_file = dir_.File("first.log");
  AgentLogger log(settings_, instance_);
  log.LogSqlStatement("SELECT 1");
  {
    const std::string other_instance = "Other Agent";
    AgentLogger other(settings_, other_instance);
    other.LogSqlStatement("SELECT 2");
  }
  log.LogSqlStatement("SELECT 3");
  settings_.sql_log_to_file = dir_.File("second.log");
  log.LogSqlStatement("SELECT 4");
  std::string first = testing::ReadFileBytes(dir_.File("first.log"));
  EXPECT_LT(first.find("Korvale Update Service SELECT 1"), first.find("Other Agent SELECT 2"));
  EXPECT_LT(first.find("Other Agent SELECT 2"), first.find("Korvale Update Service SELECT 3"));
  EXPECT_EQ(first.find("SELECT 4"), std::string::npos);
  EXPECT_NE(testing::ReadFileBytes(dir_.File("second.log")).find("SELECT 4"), std::string::npos);
}

TEST_F(AgentLoggerTest, UnwritableTraceFileIsReportedNotThrown) {
  settings_.sql_log = 1;
  settings_.sql_log_to_file = dir_.File("missing-folder/sql.log");
  AgentLogger log(settings_, instance_);
  log.LogSqlStatement("SELECT ", "1");
  auto events = Events();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].id, 137u);
  EXPECT_EQ(events[0].texts[1], "General Error logging SQL string SELECT 1.");
}

TEST_F(AgentLoggerTest, SqlLogOffTracesNothing) {
  AgentLogger log(settings_, instance_);
  log.LogSqlStatement("SELECT 1");
  EXPECT_TRUE(Events().empty());
}

}  // namespace
}  // namespace korvale
