#include "config/standard_fields.h"

#include <array>

namespace korvale::config {

namespace {

constexpr std::string_view kBool = "PT_BOOLEAN", kLong = "PT_LONG", kText = "PT_STRING8",
                           kTexts = "PT_MV_STRING8", kBinary = "PT_BINARY", kTime = "PT_SYSTIME";

constexpr std::array<StandardField, 53> kFields = {{
    {"AllDayEvent", kBool},
    {"BillingInformation", kText},
    {"Contacts", kTexts},
    {"DirectoryServer", kText},
    {"DoNotAutoArchive", kBool},
    {"Duration", kLong},
    {"EventAddress", kText},
    {"Label", kLong},
    {"MeetingStatus", kLong},
    {"Mileage", kText},
    {"NetMeetingAutoStart", kBool},
    {"NetMeetingOfficeDocumentPath", kText},
    {"NetMeetingOrganizerEmail", kText},
    {"OnlineMeeting", kBool},
    {"OnlineMeetingType", kLong},
    {"OutlookInternalVersion", kLong},
    {"OutlookVersion", kText},
    {"Recurrence", kLong},
    {"RecurrencePattern", kText},
    {"RecurrenceRangeStart", kTime},
    {"RecurrenceRangeEnd", kTime},
    {"RemindBeforehand", kLong},
    {"Reminder", kBool},
    {"ReminderOverrideDefault", kBool},
    {"ReminderSound", kBool},
    {"ReminderSoundFile", kText},
    {"MeetingResponseStatus", kLong},
    {"ReplyTime", kTime},
    {"Attachment", kBool},
    {"AutoForwarded", kBool},
    {"Created", kTime},
    {"Importance", kLong},
    {"MessageClass", kText},
    {"Modified", kTime},
    {"OptionalAttendees", kText},
    {"RequiredAttendees", kText},
    {"Resources", kText},
    {"Read", kBool},
    {"ResponseRequested", kBool},
    {"Sensitivity", kLong},
    {"Sent", kBool},
    {"Size", kLong},
    {"DeliveryReceipt", kBool},
    {"Encrypted", kBool},
    {"ReadReceipt", kBool},
    {"Signed", kBool},
    {"StoreID", kBinary},
    {"Text", kText},
    {"TimeCreated", kTime},
    {"TimeExpired", kTime},
    {"TimeLastModified", kTime},
    {"TimeReceived", kTime},
    {"TimeSent", kTime},
}};

}  // namespace

std::span<const StandardField> StandardFields() { return kFields; }

std::string_view StandardFieldType(std::string_view name) {
  for (const auto& field : kFields) {
    if (field.name == name) return field.type;
  }
  return {};
}

}  // namespace korvale::config
