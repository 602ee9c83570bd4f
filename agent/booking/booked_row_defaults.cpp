// Empty values for custom-field and extra columns, by column kind and dialect.
#include "agent/booking/booked_row_defaults.h"

#include <algorithm>
#include <array>

namespace korvale {
namespace {

// MAPI property types of the custom fields (the numbers of the MAPI headers).
constexpr uint32_t kPtI2 = 0x0002;
constexpr uint32_t kPtLong = 0x0003;
constexpr uint32_t kPtDouble = 0x0005;
constexpr uint32_t kPtCurrency = 0x0006;
constexpr uint32_t kPtBoolean = 0x000B;
constexpr uint32_t kPtI8 = 0x0014;
constexpr uint32_t kPtSystime = 0x0040;

enum class ColumnKind { kFlag, kNumber, kDate, kText, kBytes, kBody, kUnknown };

struct ExtraColumn {
  std::string_view name;
  ColumnKind kind;
};

// The optional columns of the calendar tables by their column names.
constexpr std::array<ExtraColumn, 53> kExtraColumns{{
    {"AllDayEvent", ColumnKind::kFlag},
    {"BillingInformation", ColumnKind::kText},
    {"Contacts", ColumnKind::kText},
    {"DirectoryServer", ColumnKind::kText},
    {"DoNotAutoArchive", ColumnKind::kFlag},
    {"Duration", ColumnKind::kNumber},
    {"EventAddress", ColumnKind::kText},
    {"Label", ColumnKind::kNumber},
    {"MeetingStatus", ColumnKind::kNumber},
    {"Mileage", ColumnKind::kText},
    {"NetMeetingAutoStart", ColumnKind::kFlag},
    {"NetMeetingOfficeDocumentPath", ColumnKind::kText},
    {"NetMeetingOrganizerEmail", ColumnKind::kText},
    {"OnlineMeeting", ColumnKind::kFlag},
    {"OnlineMeetingType", ColumnKind::kNumber},
    {"OutlookInternalVersion", ColumnKind::kNumber},
    {"OutlookVersion", ColumnKind::kText},
    {"Recurrence", ColumnKind::kNumber},
    {"RecurrencePattern", ColumnKind::kText},
    {"RecurrenceRangeStart", ColumnKind::kDate},
    {"RecurrenceRangeEnd", ColumnKind::kDate},
    {"RemindBeforehand", ColumnKind::kNumber},
    {"Reminder", ColumnKind::kFlag},
    {"ReminderOverrideDefault", ColumnKind::kFlag},
    {"ReminderSound", ColumnKind::kFlag},
    {"ReminderSoundFile", ColumnKind::kText},
    {"MeetingResponseStatus", ColumnKind::kNumber},
    {"ReplyTime", ColumnKind::kDate},
    {"Attachment", ColumnKind::kFlag},
    {"AutoForwarded", ColumnKind::kFlag},
    {"Created", ColumnKind::kDate},
    {"Importance", ColumnKind::kNumber},
    {"MessageClass", ColumnKind::kText},
    {"Modified", ColumnKind::kDate},
    {"OptionalAttendees", ColumnKind::kText},
    {"RequiredAttendees", ColumnKind::kText},
    {"Resources", ColumnKind::kText},
    {"MsgRead", ColumnKind::kFlag},
    {"ResponseRequested", ColumnKind::kFlag},
    {"Sensitivity", ColumnKind::kNumber},
    {"Sent", ColumnKind::kFlag},
    {"Size", ColumnKind::kNumber},
    {"DeliveryReceipt", ColumnKind::kFlag},
    {"Encrypted", ColumnKind::kFlag},
    {"ReadReceipt", ColumnKind::kFlag},
    {"Signed", ColumnKind::kFlag},
    {"StoreID", ColumnKind::kBytes},
    {"ApptText", ColumnKind::kBody},
    {"TimeCreated", ColumnKind::kDate},
    {"TimeExpired", ColumnKind::kDate},
    {"TimeLastModified", ColumnKind::kDate},
    {"TimeReceived", ColumnKind::kDate},
    {"TimeSent", ColumnKind::kDate},
}};

ColumnKind KindOf(std::string_view column) {
  auto it = std::find_if(kExtraColumns.begin(), kExtraColumns.end(),
                         [&](const ExtraColumn& c) { return c.name == column; });
  return it == kExtraColumns.end() ? ColumnKind::kUnknown : it->kind;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

std::string ExtraDefault(ColumnKind kind, Dialect dialect) {
  switch (kind) {
    case ColumnKind::kFlag:
    case ColumnKind::kNumber:
      return ", 0";
    case ColumnKind::kDate:
      // SQL Server and Oracle refuse a bare 0 for a date; SQLite follows SQL Server.
      return dialect == Dialect::kAccess || dialect == Dialect::kMySql ? ", 0" : ", ''";
    case ColumnKind::kText:
      return ", ''";
    case ColumnKind::kBytes:
      if (dialect == Dialect::kSqlServer) return ", CONVERT(BINARY(160), '0x')";
      if (dialect == Dialect::kMySql) return ", CONVERT('0x',BINARY(160))";
      return ", ''";
    case ColumnKind::kBody:
      return ", '@ApptText@@ApptText@'";
    case ColumnKind::kUnknown:
      break;
  }
  // Any column type takes NULL.
  return ", NULL";
}

}  // namespace

std::string CustomFieldDefault(uint32_t mapi_type, Dialect dialect) {
  switch (mapi_type) {
    case kPtI2:
    case kPtLong:
    case kPtI8:
      return "0";
    case kPtDouble:
    case kPtCurrency:
      return "0.0";
    case kPtBoolean:
      // SQL Server and Oracle have no boolean literal; their flag columns hold numbers.
      return dialect == Dialect::kSqlServer || dialect == Dialect::kOracle ? "0" : "False";
    case kPtSystime:
      return TimeFunction(dialect);
    default:
      return "''";
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
    std::string_view column = Trim(extra_column_list.substr(0, comma));
    if (!column.empty()) values += ExtraDefault(KindOf(column), dialect);
    if (comma == std::string_view::npos) break;
    extra_column_list.remove_prefix(comma + 1);
  }
  return values;
}

}  // namespace korvale
