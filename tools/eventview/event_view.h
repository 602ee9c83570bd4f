// What korvale-eventview shows: which events pass the filters and how one
// event reads on a terminal. Kept apart from main.cpp so it is tested.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/eventlog/eventlog.h"

namespace korvale::eventview {

struct EventFilter {
  std::optional<std::string> source = std::nullopt;  // compared without regard to ASCII case
  std::optional<int> type = std::nullopt;            // 1, 2 or 4
  std::optional<uint32_t> id = std::nullopt;
};

// "1"/"error", "2"/"warning", "4"/"information" (any case); nullopt otherwise.
std::optional<int> ParseEventType(const std::string& text);

// "Error", "Warning" or "Information" (any type but 1 and 2 is information).
std::string TypeWord(int type);

bool Matches(const EventFilter& filter, const eventlog::EventRecord& event);

// One event: a heading line with time, type, source and id, then each text
// indented, its CRLF, CR or LF line breaks shown as breaks.
std::string FormatEvent(const eventlog::EventRecord& event);

}  // namespace korvale::eventview
