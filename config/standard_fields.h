// The standard appointment fields an installation may publish, in the order
// the field chooser offers them, with the MAPI type name the web pages use.
#pragma once

#include <span>
#include <string_view>

namespace korvale::config {

struct StandardField {
  std::string_view name;
  std::string_view type;  // "PT_BOOLEAN", "PT_LONG", ...
};

std::span<const StandardField> StandardFields();

// The type of a standard field (exact name), or an empty view when unknown.
std::string_view StandardFieldType(std::string_view name);

}  // namespace korvale::config
