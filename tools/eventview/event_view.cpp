// Filtering and formatting events for the viewer; see event_view.h.
#include "tools/eventview/event_view.h"

#include <algorithm>

namespace korvale::eventview {
namespace {

std::string LowerAscii(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; });
  return text;
}

void AppendIndented(const std::string& text, std::string& out) {
  out += "    ";
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c != '\r' && c != '\n') {
      out += c;
      continue;
    }
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    // A break at the very end (the prefixes end in CRLF) needs no empty line.
    if (i + 1 < text.size()) out += "\n    ";
  }
  out += '\n';
}

}  // namespace

std::optional<int> ParseEventType(const std::string& text) {
  std::string word = LowerAscii(text);
  if (word == "1" || word == "error") return 1;
  if (word == "2" || word == "warning") return 2;
  if (word == "4" || word == "information" || word == "info") return 4;
  return std::nullopt;
}

std::string TypeWord(int type) {
  if (type == 1) return "Error";
  if (type == 2) return "Warning";
  return "Information";
}

bool Matches(const EventFilter& filter, const eventlog::EventRecord& event) {
  if (filter.source && LowerAscii(*filter.source) != LowerAscii(event.source)) return false;
  // The event log words every type other than 1 and 2 as information; filter the same way.
  if (filter.type && TypeWord(*filter.type) != TypeWord(event.type)) return false;
  if (filter.id && *filter.id != event.id) return false;
  return true;
}

std::string FormatEvent(const eventlog::EventRecord& event) {
  std::string out = event.time + "  " + TypeWord(event.type) + "  " + event.source + "  id " +
                    std::to_string(event.id) + "\n";
  for (const std::string& text : event.texts) AppendIndented(text, out);
  return out;
}

}  // namespace korvale::eventview
