// The event log's file sink: the exact line format, whole lines under
// concurrent writers, and reading back files that are partly broken.
#include "platform/eventlog/eventlog.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>

#include "tests/support/temp_dir.h"

namespace korvale::eventlog {
namespace {

using korvale::testing::ReadFileBytes;
using korvale::testing::TempDir;
using korvale::testing::WriteFileBytes;
using namespace std::string_literals;

class EventLogTest : public ::testing::Test {
 protected:
  void SetUp() override { ::setenv("KORVALE_EVENTLOG", path_.c_str(), 1); }
  void TearDown() override { ::unsetenv("KORVALE_EVENTLOG"); }
  TempDir dir_;
  std::string path_ = dir_.File("events.jsonl");
};

// Other tools parse this file, so the line must be exactly the documented form.
TEST_F(EventLogTest, FileSinkWritesDocumentedLine) {
  auto source = RegisterEventSource("Caldrun");
  ASSERT_NE(source, nullptr);
  ASSERT_TRUE(
      source->Report(4, 123, {"The Caldrun reported the following information:\r\n", "Task finished."}));
  std::string line = ReadFileBytes(path_);
  // Only the time varies: "YYYY-MM-DDTHH:MM:SS" at a fixed place.
  const std::string head = R"({"time":")";
  const std::string tail =
      R"(","source":"Caldrun","type":4,"id":123,)"
      R"("texts":["The Caldrun reported the following information:\r\n","Task finished."]})"
      "\n";
  ASSERT_EQ(line.size(), head.size() + 19 + tail.size()) << line;
  EXPECT_EQ(line.substr(0, head.size()), head);
  EXPECT_EQ(line.substr(head.size() + 19), tail);
  std::string time = line.substr(head.size(), 19);
  for (size_t i = 0; i < time.size(); ++i) {
    char expected = std::string_view("0000-00-00T00:00:00")[i];
    if (expected == '0') {
      EXPECT_TRUE(time[i] >= '0' && time[i] <= '9') << time;
    } else {
      EXPECT_EQ(time[i], expected) << time;
    }
  }
}

// Absent texts are simply not there; more than four are cut, as the event log takes four.
TEST_F(EventLogTest, TextsKeepOrderAndCount) {
  auto source = RegisterEventSource("S");
  ASSERT_TRUE(source->Report(1, 7, {}));
  ASSERT_TRUE(source->Report(2, 8, {"1", "2", "3", "4", "5"}));
  std::vector<EventRecord> events = ReadEventFile(path_);
  ASSERT_EQ(events.size(), 2u);
  EXPECT_TRUE(events[0].texts.empty());
  EXPECT_NE(ReadFileBytes(path_).find("\"texts\":[]"), std::string::npos);
  EXPECT_EQ(events[1].texts, (std::vector<std::string>{"1", "2", "3", "4"}));
  EXPECT_EQ(events[1].type, 2);
  EXPECT_EQ(events[1].id, 8u);
}

// Texts are arbitrary bytes: control characters survive, broken UTF-8 becomes U+FFFD.
TEST_F(EventLogTest, ArbitraryTextBytes) {
  auto source = RegisterEventSource("S\xff");
  std::string tricky = "quote\" back\\ nul\0 tab\t line\ncaf\xc3\xa9"s;
  ASSERT_TRUE(source->Report(4, 1, {tricky, "bad \xc3 end \xff"}));
  std::vector<EventRecord> events = ReadEventFile(path_);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].texts[0], tricky);
  EXPECT_EQ(events[0].texts[1], "bad \xef\xbf\xbd end \xef\xbf\xbd");
  EXPECT_EQ(events[0].source, "S\xef\xbf\xbd");
}

// Broken lines (a crash mid-write, an editor) are skipped; the rest still reads.
TEST_F(EventLogTest, ReadSkipsMalformedLines) {
  EventRecord good{"2026-12-06T18:20:01", "Caldrun", 1, 4294967295u, {"x"}};
  WriteFileBytes(path_, "garbage\n" + FormatEventJson(good) + "\r\n{\"time\":\"t\",\"source\":\"s\"\n" +
                            R"({"time":"t","source":"s","type":4,"id":-1,"texts":[]})"
                            "\n" +
                            R"({"time":"t","source":"s","type":"4","id":1,"texts":[]})"
                            "\n" +
                            R"({"time":"t","source":"s","type":4,"id":1,"texts":[null]})"
                            "\n" +
                            "\0\xff\n[]\n"s + FormatEventJson(good));
  std::vector<EventRecord> events = ReadEventFile(path_);
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].time, good.time);
  EXPECT_EQ(events[0].id, good.id);
  EXPECT_EQ(events[1].texts, good.texts);
  EXPECT_TRUE(ReadEventFile(dir_.File("missing.jsonl")).empty());
}

// Several agent instances append to one file; their lines must never mix.
TEST_F(EventLogTest, ConcurrentProcessesWriteWholeLines) {
  constexpr int kEvents = 300;
  std::string long_text(3000, 'x');
  pid_t children[2];
  for (int c = 0; c < 2; ++c) {
    children[c] = ::fork();
    if (children[c] == 0) {
      auto source = RegisterEventSource("child" + std::to_string(c));
      for (int i = 0; i < kEvents; ++i) {
        if (!source || !source->Report(4, static_cast<uint32_t>(i), {long_text, std::to_string(i)}))
          ::_exit(1);
      }
      ::_exit(0);
    }
  }
  for (pid_t child : children) {
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  std::istringstream lines(ReadFileBytes(path_));
  int line_count = 0;
  for (std::string line; std::getline(lines, line);) ++line_count;
  EXPECT_EQ(line_count, 2 * kEvents);
  std::vector<EventRecord> events = ReadEventFile(path_);
  ASSERT_EQ(events.size(), 2u * kEvents) << "every line is a whole event";
  uint32_t next[2] = {0, 0};
  for (const EventRecord& e : events) {
    int c = e.source == "child0" ? 0 : 1;
    EXPECT_EQ(e.id, next[c]++) << "each writer's events stay in order";
    EXPECT_EQ(e.texts[0], long_text);
  }
}

// A sink that cannot be opened gives null, so the caller drops the event and retries later.
TEST_F(EventLogTest, UnopenableFileGivesNull) {
  ::setenv("KORVALE_EVENTLOG", dir_.File("no/such/dir/events.jsonl").c_str(), 1);
  EXPECT_EQ(RegisterEventSource("S"), nullptr);
  ::setenv("KORVALE_EVENTLOG", "journal", 1);
  EXPECT_NE(RegisterEventSource("S"), nullptr);
}

}  // namespace
}  // namespace korvale::eventlog
