// The date/time codes the datasource screen offers for a database's date
// format, with the description shown for each, and how one is inserted.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace korvale::config {

struct DateTimeCode {
  std::string_view code;         // as listed ("<space>" stands for a blank)
  std::string_view description;  // empty for the separators
};

// In list order: the strftime codes, then "/", ".", "-", ":" and "<space>".
std::span<const DateTimeCode> DateTimeCodes();

// Inserts the listed `code` into `format` at `position` (clamped to its end);
// "<space>" inserts a blank. Returns the position after the inserted text.
size_t InsertDateTimeCode(std::string& format, size_t position, std::string_view code);

}  // namespace korvale::config
