// The JSON-lines form of events: writing one line and reading a file back.
#include <fstream>
#include <nlohmann/json.hpp>

#include "platform/eventlog/eventlog.h"

namespace korvale::eventlog {
namespace {

using Json = nlohmann::ordered_json;  // keeps the documented field order

std::optional<EventRecord> ParseEventLine(const std::string& line) {
  Json json = Json::parse(line, nullptr, /*allow_exceptions=*/false);
  if (!json.is_object()) return std::nullopt;
  auto time = json.find("time");
  auto source = json.find("source");
  auto type = json.find("type");
  auto id = json.find("id");
  auto texts = json.find("texts");
  if (time == json.end() || !time->is_string() || source == json.end() || !source->is_string() ||
      type == json.end() || !type->is_number_integer() || id == json.end() || !id->is_number_integer() ||
      texts == json.end() || !texts->is_array()) {
    return std::nullopt;
  }
  int64_t type_value = type->get<int64_t>();
  int64_t id_value = id->get<int64_t>();
  if (type_value < 0 || type_value > 0xFFFF || id_value < 0 || id_value > 0xFFFFFFFFll) {
    return std::nullopt;
  }
  EventRecord record;
  record.time = time->get<std::string>();
  record.source = source->get<std::string>();
  record.type = static_cast<int>(type_value);
  record.id = static_cast<uint32_t>(id_value);
  for (const Json& text : *texts) {
    if (!text.is_string()) return std::nullopt;
    record.texts.push_back(text.get<std::string>());
  }
  return record;
}

}  // namespace

std::string FormatEventJson(const EventRecord& record) {
  Json json;
  json["time"] = record.time;
  json["source"] = record.source;
  json["type"] = record.type;
  json["id"] = record.id;
  json["texts"] = record.texts;
  // Texts are whatever the caller had; bytes that are not UTF-8 become U+FFFD
  // instead of making the whole event unwritable.
  return json.dump(-1, ' ', /*ensure_ascii=*/false, Json::error_handler_t::replace);
}

std::vector<EventRecord> ReadEventFile(const std::string& path) {
  std::vector<EventRecord> records;
  std::ifstream in(path, std::ios::binary);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (std::optional<EventRecord> record = ParseEventLine(line)) records.push_back(std::move(*record));
  }
  return records;
}

}  // namespace korvale::eventlog
