#include "config/screens/fields_screen.h"

#include <algorithm>
#include <array>
#include <utility>

#include "common/list_split.h"
#include "config/screens/option_screens.h"
#include "config/standard_fields.h"

namespace korvale::config {

namespace {

constexpr std::string_view kCustomPrefix = "Custom Field, Type: ";

constexpr std::array<std::pair<std::string_view, std::string_view>, 53> kDescriptions = {{
    {"AllDayEvent", "The AllDayEvent property is True when the appointment is an all-day event."},
    {"BillingInformation",
     "The BillingInformation property returns the billing information of the appointment."},
    {"Contacts", "The Contacts property returns the names of the contacts linked to the appointment."},
    {"DirectoryServer", "The DirectoryServer property returns the directory server of an online meeting."},
    {"DoNotAutoArchive",
     "The DoNotAutoArchive property is True when the appointment is never archived automatically."},
    {"Duration", "The Duration property returns the duration of this appointment in minutes."},
    {"EventAddress", "The EventAddress property returns the address of an online event."},
    {"Label", "The Label property returns the number of the colour label of the appointment."},
    {"MeetingStatus",
     "The MeetingStatus property returns whether the appointment is a meeting and its state."},
    {"Mileage", "The Mileage property returns the mileage entered for the appointment."},
    {"NetMeetingAutoStart",
     "The NetMeetingAutoStart property is True when the online meeting starts by itself."},
    {"NetMeetingOfficeDocumentPath",
     "The NetMeetingOfficeDocumentPath property returns the path of the document shared in the online "
     "meeting."},
    {"NetMeetingOrganizerEmail",
     "The NetMeetingOrganizerEmail property returns the e-mail address of the online meeting's organizer."},
    {"OnlineMeeting", "The OnlineMeeting property is True when the appointment is an online meeting."},
    {"OnlineMeetingType", "The OnlineMeetingType property returns the kind of online meeting."},
    {"OutlookInternalVersion",
     "The OutlookInternalVersion property returns the build number of the client that saved the "
     "appointment."},
    {"OutlookVersion",
     "The OutlookVersion property returns the version of the client that saved the appointment."},
    {"Recurrence", "The Recurrence property returns whether the appointment is part of a recurring series."},
    {"RecurrencePattern",
     "The RecurrencePattern property returns the description of the series' recurrence."},
    {"RecurrenceRangeStart", "The RecurrenceRangeStart property returns the date the series starts."},
    {"RecurrenceRangeEnd", "The RecurrenceRangeEnd property returns the date the series ends."},
    {"RemindBeforehand",
     "The RemindBeforehand property returns the minutes before the start at which the reminder shows."},
    {"Reminder", "The Reminder property is True when a reminder is set for the appointment."},
    {"ReminderOverrideDefault",
     "The ReminderOverrideDefault property is True when the reminder does not use the default settings."},
    {"ReminderSound", "The ReminderSound property is True when the reminder plays a sound."},
    {"ReminderSoundFile", "The ReminderSoundFile property returns the path of the reminder's sound file."},
    {"MeetingResponseStatus",
     "The MeetingResponseStatus property returns the answer given to the meeting request."},
    {"ReplyTime", "The ReplyTime property returns the time the meeting request was answered."},
    {"Attachment", "The Attachment property is True when the appointment has attachments."},
    {"AutoForwarded", "The AutoForwarded property is True when the item was forwarded automatically."},
    {"Created", "The Created property returns the time the appointment was created."},
    {"Importance",
     "The Importance property returns the importance of the message. 0 = Low, 1 = Normal, 2 = High "
     "importance."},
    {"MessageClass", "The MessageClass property returns the message class of the item."},
    {"Modified", "The Modified property returns the time the appointment was last changed."},
    {"OptionalAttendees", "The OptionalAttendees property returns the names of the optional attendees."},
    {"RequiredAttendees", "The RequiredAttendees property returns the names of the required attendees."},
    {"Resources", "The Resources property returns the names of the resources booked for the meeting."},
    {"Read", "The Read property is True when the item has been read."},
    {"ResponseRequested", "The ResponseRequested property is True when the organizer asked for answers."},
    {"Sensitivity",
     "The Sensitivity property returns the sensitivity. 0 = Normal, 1 = Personal, 2 = Private, 3 = "
     "Confidential."},
    {"Sent", "The Sent property is True when the item has been sent."},
    {"Size", "The Size property returns the size of the item in bytes."},
    {"DeliveryReceipt", "The DeliveryReceipt property is True when a delivery receipt was requested."},
    {"Encrypted", "The Encrypted property is True when the item is encrypted."},
    {"ReadReceipt", "The ReadReceipt property is True when a read receipt was requested."},
    {"Signed", "The Signed property is True when the item is digitally signed."},
    {"StoreID", "The StoreID property returns the identifier of the message store that holds the item."},
    {"Text",
     "The Text property returns the text of the appointment. For private appointments, this value is not "
     "retrieved."},
    {"TimeCreated", "The TimeCreated property returns the time the item was created in the store."},
    {"TimeExpired", "The TimeExpired property returns the time after which the item expires."},
    {"TimeLastModified",
     "The TimeLastModified property returns the time the item was last changed in the store."},
    {"TimeReceived", "The TimeReceived property returns the time the item was received."},
    {"TimeSent", "The TimeSent property returns the time the item was sent."},
}};

FieldItem CustomItem(const std::string& name, const std::string& type) {
  return {name, std::string(kCustomPrefix) + type};
}

bool Listed(const std::vector<FieldItem>& items, std::string_view name) {
  for (const FieldItem& item : items) {
    if (item.name == name) return true;
  }
  return false;
}

std::optional<size_t> Find(const std::vector<FieldItem>& items, std::string_view name) {
  for (size_t i = 0; i < items.size(); ++i) {
    if (items[i].name == name) return i;
  }
  return std::nullopt;
}

}  // namespace

std::string_view StandardFieldDescription(std::string_view name) {
  for (const auto& [field, description] : kDescriptions) {
    if (field == name) return description;
  }
  return {};
}

std::vector<std::string> CustomFieldTypes() {
  return {"PT_I2", "PT_STRING8", "PT_LONG",    "PT_DOUBLE",     "PT_CURRENCY",  "PT_BOOLEAN",
          "PT_I8", "PT_UNICODE", "PT_SYSTIME", "PT_MV_STRING8", "PT_MV_UNICODE"};
}

std::optional<std::string> CustomFieldType(const FieldItem& item) {
  if (item.description.rfind("Custom Field", 0) != 0) return std::nullopt;
  if (item.description.rfind(kCustomPrefix, 0) != 0) return std::string();
  return item.description.substr(kCustomPrefix.size());
}

FieldsScreen::FieldsScreen(const ConfigSettings& s) : filters_(s.custom_filters) {
  custom_fields_ = SplitSemicolonList(s.custom_fields);
  custom_types_ = SplitSemicolonList(s.custom_fields_types);
  custom_types_.resize(custom_fields_.size(), "PT_STRING8");
  // Scanned custom fields first, then the standard ones, as the include file orders them.
  const std::vector<std::string> selected_custom = SplitSemicolonList(s.custom_fields_selected);
  const std::vector<std::string> selected_types = SplitSemicolonList(s.custom_fields_types_selected);
  for (size_t i = 0; i < selected_custom.size(); ++i) {
    if (Listed(selected_, selected_custom[i])) continue;
    selected_.push_back(
        CustomItem(selected_custom[i], i < selected_types.size() ? selected_types[i] : "PT_STRING8"));
  }
  for (const std::string& name : SplitSemicolonList(s.fields)) {
    if (!StandardFieldType(name).empty() && !Listed(selected_, name)) {
      selected_.push_back({name, std::string(StandardFieldDescription(name))});
    }
  }
  for (const StandardField& field : StandardFields()) {
    if (!Listed(selected_, field.name)) {
      available_.push_back({std::string(field.name), std::string(StandardFieldDescription(field.name))});
    }
  }
  // Defined but not scanned custom fields stay offered.
  for (size_t i = 0; i < custom_fields_.size(); ++i) {
    if (!Listed(selected_, custom_fields_[i]) && !Listed(available_, custom_fields_[i])) {
      available_.push_back(CustomItem(custom_fields_[i], custom_types_[i]));
    }
  }
}

std::optional<size_t> FieldsScreen::FindAvailable(std::string_view name) const {
  return Find(available_, name);
}
std::optional<size_t> FieldsScreen::FindSelected(std::string_view name) const {
  return Find(selected_, name);
}

void FieldsScreen::Select(size_t i) {
  if (i >= available_.size()) return;
  selected_.push_back(available_[i]);
  available_.erase(available_.begin() + static_cast<std::ptrdiff_t>(i));
}

void FieldsScreen::Deselect(size_t i) {
  if (i >= selected_.size()) return;
  available_.push_back(selected_[i]);
  selected_.erase(selected_.begin() + static_cast<std::ptrdiff_t>(i));
}

bool FieldsScreen::AddCustomField(const std::string& name, const std::string& type) {
  const std::vector<std::string> types = CustomFieldTypes();
  const std::vector<std::string> pieces = SplitSemicolonList(name);
  // A name holding the list separator would come back as two fields.
  if (pieces.size() != 1 || pieces[0] != name) return false;
  if (std::find(types.begin(), types.end(), type) == types.end()) return false;
  if (Listed(available_, name) || Listed(selected_, name)) return false;
  selected_.push_back(CustomItem(name, type));
  custom_fields_.push_back(name);
  custom_types_.push_back(type);
  return true;
}

bool FieldsScreen::AddFilter(size_t i) {
  if (i >= selected_.size()) return false;
  for (const CustomFilter& filter : filters_) {
    if (filter.field == selected_[i].name) return false;
  }
  CustomFilter filter;
  filter.field = selected_[i].name;
  filter.display = filter.field;
  filters_.push_back(filter);
  return true;
}

void FieldsScreen::RemoveFilter(size_t i) {
  if (i < filters_.size()) filters_.erase(filters_.begin() + static_cast<std::ptrdiff_t>(i));
}

void FieldsScreen::ModifyFilter(size_t i, const std::string& display, const std::string& logic,
                                const std::string& select) {
  if (i >= filters_.size()) return;
  filters_[i].display = display;
  filters_[i].logic = logic == "OR" ? "OR" : "AND";
  filters_[i].select = select;
}

void FieldsScreen::Apply(ConfigSettings& s, ConfigUi& ui) const {
  std::vector<std::string> standard, custom, custom_types;
  for (const FieldItem& item : selected_) {
    if (auto type = CustomFieldType(item)) {
      custom.push_back(item.name);
      custom_types.push_back(*type);
    } else {
      standard.push_back(item.name);
    }
  }
  s.fields = JoinSemicolonList(standard);
  s.custom_fields_selected = JoinSemicolonList(custom);
  s.custom_fields_types_selected = JoinSemicolonList(custom_types);
  s.custom_fields = JoinSemicolonList(custom_fields_);
  s.custom_fields_types = JoinSemicolonList(custom_types_);
  s.custom_filters = filters_;
  ShowDropTablesNote(ui);
}

}  // namespace korvale::config
