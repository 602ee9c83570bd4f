// Result rows read by column name, with the conversions a recordset's field
// access would do.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "common/text.h"
#include "platform/odbc/odbc.h"

namespace korvale {
namespace {

std::string TimestampText(const SqlTimestamp& t) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                t.minute, t.second);
  return buffer;
}

// Reads "YYYY-MM-DD[ HH:MM[:SS]]" (also with a 'T'); nullopt when it is not one.
std::optional<SqlTimestamp> ParseTimestamp(const std::string& text) {
  SqlTimestamp t;
  char separator = ' ';
  int fields = std::sscanf(text.c_str(), "%d-%d-%d%c%d:%d:%d", &t.year, &t.month, &t.day, &separator, &t.hour,
                           &t.minute, &t.second);
  if (fields == 3 || (fields >= 6 && (separator == ' ' || separator == 'T'))) return t;
  return std::nullopt;
}

}  // namespace

std::string SqlError::StateNativeOrigin() const {
  // The origin is the "[vendor][component]" prefix of the first message.
  std::string origin;
  size_t pos = 0;
  while (pos < text.size() && text[pos] == '[') {
    size_t close = text.find(']', pos);
    if (close == std::string::npos) break;
    origin.append(text, pos, close - pos + 1);
    pos = close + 1;
  }
  return "State:" + sql_state + ",Native:" + std::to_string(native_code) + ",Origin:" + origin;
}

SqlRow::SqlRow(std::shared_ptr<const std::vector<std::string>> names, std::vector<SqlValue> values)
    : names_(std::move(names)), values_(std::move(values)) {}

const SqlValue* SqlRow::Find(std::string_view column) const {
  if (!names_) return nullptr;
  for (size_t i = 0; i < names_->size() && i < values_.size(); ++i) {
    if (EqualsNoCase((*names_)[i], column)) return &values_[i];
  }
  return nullptr;
}

bool SqlRow::Has(std::string_view column) const { return Find(column) != nullptr; }

bool SqlRow::IsNull(std::string_view column) const {
  const SqlValue* value = Find(column);
  return value == nullptr || std::holds_alternative<std::monostate>(*value);
}

std::optional<std::string> SqlRow::Text(std::string_view column) const {
  const SqlValue* value = Find(column);
  if (value == nullptr) return std::nullopt;
  if (auto* s = std::get_if<std::string>(value)) return *s;
  if (auto* i = std::get_if<int64_t>(value)) return std::to_string(*i);
  if (auto* d = std::get_if<double>(value)) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%g", *d);
    return std::string(buffer);
  }
  if (auto* t = std::get_if<SqlTimestamp>(value)) return TimestampText(*t);
  if (auto* b = std::get_if<std::vector<uint8_t>>(value)) return std::string(b->begin(), b->end());
  return std::nullopt;
}

std::optional<int64_t> SqlRow::Int(std::string_view column) const {
  const SqlValue* value = Find(column);
  if (value == nullptr) return std::nullopt;
  if (auto* i = std::get_if<int64_t>(value)) return *i;
  if (auto* d = std::get_if<double>(value)) {
    if (!std::isfinite(*d)) return std::nullopt;
    return static_cast<int64_t>(*d);
  }
  if (auto* s = std::get_if<std::string>(value)) return std::strtoll(s->c_str(), nullptr, 10);
  return std::nullopt;
}

std::optional<double> SqlRow::Double(std::string_view column) const {
  const SqlValue* value = Find(column);
  if (value == nullptr) return std::nullopt;
  if (auto* d = std::get_if<double>(value)) return *d;
  if (auto* i = std::get_if<int64_t>(value)) return static_cast<double>(*i);
  if (auto* s = std::get_if<std::string>(value)) return std::strtod(s->c_str(), nullptr);
  return std::nullopt;
}

std::optional<SqlTimestamp> SqlRow::Timestamp(std::string_view column) const {
  const SqlValue* value = Find(column);
  if (value == nullptr) return std::nullopt;
  if (auto* t = std::get_if<SqlTimestamp>(value)) return *t;
  // Drivers without a date type hand back the stored text.
  if (auto* s = std::get_if<std::string>(value)) return ParseTimestamp(*s);
  return std::nullopt;
}

std::optional<std::vector<uint8_t>> SqlRow::Binary(std::string_view column) const {
  const SqlValue* value = Find(column);
  if (value == nullptr) return std::nullopt;
  if (auto* b = std::get_if<std::vector<uint8_t>>(value)) return *b;
  if (auto* s = std::get_if<std::string>(value)) return std::vector<uint8_t>(s->begin(), s->end());
  return std::nullopt;
}

}  // namespace korvale
