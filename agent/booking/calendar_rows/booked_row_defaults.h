// Placeholder values for the custom-field and extra columns of a calendar row
// that comes from a booking, not from a mailbox item: there is nothing to read
// them from, so each column gets the empty value of its kind.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "agent/database/dialect.h"

namespace korvale {

// The literal for a custom field of a MAPI property type: "0" for integers,
// "0.0" for floating and currency, false for booleans, the dialect's time
// function for dates, "''" for everything else.
std::string CustomFieldDefault(uint32_t mapi_type, Dialect dialect);

// One literal per custom field name (types paired by position; a name without
// a type gets "''").
std::vector<std::string> CustomFieldDefaults(const std::vector<std::string>& names,
                                             const std::vector<uint32_t>& types, Dialect dialect);

// The extra values for an extra column list such as ", AllDayEvent, ApptText":
// ", 0" for flag, number and (Access, MySQL) date columns, ", ''" for text and
// (SQL Server, Oracle, SQLite) date columns, the empty body markers for ApptText.
std::string ExtraColumnDefaults(std::string_view extra_column_list, Dialect dialect);

}  // namespace korvale
