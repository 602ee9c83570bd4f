// The optional appointment columns and their definitions.
#include "agent/database/optional_columns.h"

#include "agent/database/column_types.h"
#include "agent/database/dialect.h"

namespace korvale {
namespace {

using K = OptionalKind;

constexpr std::array<OptionalColumnInfo, kOptionalColumnCount> kColumns = {{
    {"AllDayEvent", "AllDayEvent", K::kBool, 0},
    {"BillingInformation", "BillingInformation", K::kText, 50},
    {"Contacts", "Contacts", K::kText, 50},
    {"DirectoryServer", "DirectoryServer", K::kText, 50},
    {"DoNotAutoArchive", "DoNotAutoArchive", K::kBool, 0},
    {"Duration", "Duration", K::kInt, 0},
    {"EventAddress", "EventAddress", K::kText, 50},
    {"Label", "Label", K::kInt, 0},
    {"MeetingStatus", "MeetingStatus", K::kInt, 0},
    {"Mileage", "Mileage", K::kText, 50},
    {"NetMeetingAutoStart", "NetMeetingAutoStart", K::kBool, 0},
    {"NetMeetingOfficeDocumentPath", "NetMeetingOfficeDocumentPath", K::kText, 50},
    {"NetMeetingOrganizerEmail", "NetMeetingOrganizerEmail", K::kText, 50},
    {"OnlineMeeting", "OnlineMeeting", K::kBool, 0},
    {"OnlineMeetingType", "OnlineMeetingType", K::kInt, 0},
    {"OutlookInternalVersion", "OutlookInternalVersion", K::kInt, 0},
    {"OutlookVersion", "OutlookVersion", K::kText, 50},
    {"Recurrence", "Recurrence", K::kInt, 0},
    {"RecurrencePattern", "RecurrencePattern", K::kText, 50},
    {"RecurrenceRangeStart", "RecurrenceRangeStart", K::kDate, 0},
    {"RecurrenceRangeEnd", "RecurrenceRangeEnd", K::kDate, 0},
    {"RemindBeforehand", "RemindBeforehand", K::kInt, 0},
    {"Reminder", "Reminder", K::kBool, 0},
    {"ReminderOverrideDefault", "ReminderOverrideDefault", K::kBool, 0},
    {"ReminderSound", "ReminderSound", K::kBool, 0},
    {"ReminderSoundFile", "ReminderSoundFile", K::kText, 50},
    {"MeetingResponseStatus", "MeetingResponseStatus", K::kInt, 0},
    {"ReplyTime", "ReplyTime", K::kDate, 0},
    {"Attachment", "Attachment", K::kBool, 0},
    {"AutoForwarded", "AutoForwarded", K::kBool, 0},
    {"Created", "Created", K::kDate, 0},
    {"Importance", "Importance", K::kInt, 0},
    {"MessageClass", "MessageClass", K::kText, 50},
    {"Modified", "Modified", K::kDate, 0},
    {"OptionalAttendees", "OptionalAttendees", K::kText, 1024},
    {"RequiredAttendees", "RequiredAttendees", K::kText, 1024},
    {"Resources", "Resources", K::kText, 1024},
    {"Read", "MsgRead", K::kBool, 0},
    {"ResponseRequested", "ResponseRequested", K::kBool, 0},
    {"Sensitivity", "Sensitivity", K::kInt, 0},
    {"Sent", "Sent", K::kBool, 0},
    {"Size", "Size", K::kInt, 0},
    {"DeliveryReceipt", "DeliveryReceipt", K::kBool, 0},
    {"Encrypted", "Encrypted", K::kBool, 0},
    {"ReadReceipt", "ReadReceipt", K::kBool, 0},
    {"Signed", "Signed", K::kBool, 0},
    {"StoreID", "StoreID", K::kBinary, 0},
    {"Text", "ApptText", K::kText, 250},
    {"TimeCreated", "TimeCreated", K::kDate, 0},
    {"TimeExpired", "TimeExpired", K::kDate, 0},
    {"TimeLastModified", "TimeLastModified", K::kDate, 0},
    {"TimeReceived", "TimeReceived", K::kDate, 0},
    {"TimeSent", "TimeSent", K::kDate, 0},
}};

constexpr size_t kSecondGroupStart = static_cast<size_t>(OptionalColumn::kStoreId);

std::string ColumnType(const AgentSettings& settings, const OptionalColumnInfo& info) {
  switch (info.kind) {
    case K::kBool: return BoolColumnType(settings);
    case K::kInt: return std::string(IntTypeName(settings)) + " NULL";
    case K::kDate: return std::string(DateTypeName(settings)) + " NULL";
    case K::kText: return SqlTypeName(settings, info.size) + " NULL";
    case K::kBinary: return std::string(IdentifierBinaryTypeName(settings)) + " NULL";
  }
  return "";
}

}  // namespace

const OptionalColumnInfo& Describe(OptionalColumn column) { return kColumns[static_cast<size_t>(column)]; }

OptionalColumns SelectOptionalColumns(std::string_view fields) {
  OptionalColumns result;
  for (size_t i = 0; i < kOptionalColumnCount; ++i) {
    if (fields.find(kColumns[i].key_word) == std::string_view::npos) continue;
    result.enabled[i] = true;
    if (i < kSecondGroupStart)
      ++result.first_group_count;
    else
      ++result.second_group_count;
    result.column_name_list += ", ";
    result.column_name_list += kColumns[i].column;
  }
  return result;
}

std::string OptionalColumnDefinitions(const AgentSettings& settings, const OptionalColumns& columns) {
  std::string definitions;
  for (size_t i = 0; i < kOptionalColumnCount; ++i) {
    if (!columns.enabled[i]) continue;
    definitions += ", ";
    definitions += kColumns[i].column;
    definitions += ' ';
    definitions += ColumnType(settings, kColumns[i]);
  }
  return definitions;
}

}  // namespace korvale
