// Empty values for custom-field and extra columns, by column kind and dialect.
#include "agent/booking/calendar_rows/booked_row_defaults.h"

#include "agent/database/optional_columns.h"
#include "common/text.h"
#include "platform/mapi/mapi_defs.h"

namespace korvale {
namespace {

// The value a booking row writes into an optional column it knows nothing of.
std::string ExtraDefault(std::string_view column, Dialect dialect) {
  // The body keeps its two markers, which the row writer removes.
  if (column == "ApptText") return ", '@ApptText@@ApptText@'";
  for (size_t i = 0; i < kOptionalColumnCount; ++i) {
    const OptionalColumnInfo& info = Describe(static_cast<OptionalColumn>(i));
    if (column != info.column) continue;
    switch (info.kind) {
      case OptionalKind::kBool:
      case OptionalKind::kInt: return ", 0";
      case OptionalKind::kDate:
        // SQL Server and Oracle refuse a bare 0 for a date; SQLite follows SQL Server.
        return dialect == Dialect::kAccess || dialect == Dialect::kMySql ? ", 0" : ", ''";
      case OptionalKind::kText: return ", ''";
      case OptionalKind::kBinary:
        if (dialect == Dialect::kSqlServer) return ", CONVERT(BINARY(160), '0x')";
        if (dialect == Dialect::kMySql) return ", CONVERT('0x',BINARY(160))";
        return ", ''";
    }
  }
  // A column this version does not know takes NULL, whatever its type.
  return ", NULL";
}

}  // namespace

std::string CustomFieldDefault(uint32_t mapi_type, Dialect dialect) {
  switch (mapi_type) {
    case mapi::PT_I2:
    case mapi::PT_LONG:
    case mapi::PT_I8: return "0";
    case mapi::PT_DOUBLE:
    case mapi::PT_CURRENCY: return "0.0";
    case mapi::PT_BOOLEAN:
      // SQL Server and Oracle have no boolean literal; their flag columns hold numbers.
      return dialect == Dialect::kSqlServer || dialect == Dialect::kOracle ? "0" : "False";
    case mapi::PT_SYSTIME: return TimeFunction(dialect);
    default: return "''";
  }
}

std::vector<std::string> CustomFieldDefaults(const std::vector<std::string>& names,
                                             const std::vector<uint32_t>& types, Dialect dialect) {
  std::vector<std::string> values;
  values.reserve(names.size());
  for (size_t i = 0; i < names.size(); ++i) {
    values.push_back(i < types.size() ? CustomFieldDefault(types[i], dialect) : "''");
  }
  return values;
}

std::string ExtraColumnDefaults(std::string_view extra_column_list, Dialect dialect) {
  std::string values;
  while (!extra_column_list.empty()) {
    size_t comma = extra_column_list.find(',');
    std::string_view column = Trim(extra_column_list.substr(0, comma), kSpacesAndTabs);
    if (!column.empty()) values += ExtraDefault(column, dialect);
    if (comma == std::string_view::npos) break;
    extra_column_list.remove_prefix(comma + 1);
  }
  return values;
}

}  // namespace korvale
