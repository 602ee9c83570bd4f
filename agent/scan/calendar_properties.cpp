#include "agent/scan/calendar_properties.h"

#include <strings.h>

#include <cstdlib>

#include "platform/mapi/calendar_named_props.h"

namespace korvale {

using namespace mapi;

namespace {

struct NamedSpec {
  const GUID* set;
  LONG id;
  const char* name;  // public-strings name instead of an id
  ULONG type;
};

// The calendar properties, by their index.
const NamedSpec kCalendarSpecs[] = {
    {&PS_PUBLIC_STRINGS, 0, kNameKeywords, PT_MV_STRING8},
    {&PSETID_Appointment, kLidRecurrenceType, nullptr, PT_LONG},
    {&PSETID_Appointment, kLidClipStart, nullptr, PT_SYSTIME},
    {&PSETID_Appointment, kLidClipEnd, nullptr, PT_SYSTIME},
    {&PSETID_Appointment, kLidRecurrenceBlob, nullptr, PT_BINARY},
    {&PSETID_Appointment, kLidStart, nullptr, PT_SYSTIME},
    {&PSETID_Appointment, kLidEnd, nullptr, PT_SYSTIME},
    {&PSETID_Appointment, kLidLocation, nullptr, PT_STRING8},
    {&PSETID_Appointment, kLidBusyStatus, nullptr, PT_LONG},
    {&PSETID_Common, kLidPrivate, nullptr, PT_BOOLEAN},
    {&PSETID_Common, kLidReminderSet, nullptr, PT_BOOLEAN},
    {&PSETID_Common, kLidReminderMinutes, nullptr, PT_LONG},
    {&PSETID_Appointment, kLidMeetingState, nullptr, PT_LONG},
    {&PSETID_Appointment, kLidRecurring, nullptr, PT_BOOLEAN},
    {&PSETID_Appointment, kLidAllDay, nullptr, PT_BOOLEAN},
    {&PSETID_Appointment, kLidTimeZoneStruct, nullptr, PT_BINARY},
    {&PSETID_Appointment, kLidResponseStatus, nullptr, PT_LONG},
    {&PSETID_Meeting, kLidGlobalObjectId, nullptr, PT_BINARY},
    {&PSETID_Meeting, kLidCleanGlobalObjectId, nullptr, PT_BINARY},
    {&PSETID_Appointment, kLidInvitationsSent, nullptr, PT_BOOLEAN},
    {&PSETID_Appointment, kLidColorLabel, nullptr, PT_LONG},
    {&PSETID_Appointment, kLidProposedDuration, nullptr, PT_LONG},
    {&PSETID_Appointment, kLidAuxFlags, nullptr, PT_LONG},
    {&PSETID_Appointment, kLidProposalNumber, nullptr, PT_LONG},
    {&PSETID_Appointment, kLidSequence, nullptr, PT_LONG},
    {&PSETID_Appointment, kLidCounterProposal, nullptr, PT_BOOLEAN},
    {&PSETID_Appointment, kLidIntendedBusyStatus, nullptr, PT_LONG},
    {&PS_PUBLIC_STRINGS, 0, kNameBookingNumber, PT_STRING8},
    {&PSETID_Common, kLidContactName, nullptr, PT_STRING8},
};

struct OptionalNamed {
  OptionalColumn column;
  NamedSpec spec;
};

// The optional columns that read a named property, in the order they are requested.
const OptionalNamed kOptionalNamed[] = {
    {OptionalColumn::kAllDayEvent, {&PSETID_Appointment, kLidAllDay, nullptr, PT_BOOLEAN}},
    {OptionalColumn::kBillingInformation, {&PSETID_Common, kLidBillingInformation, nullptr, PT_STRING8}},
    {OptionalColumn::kContacts, {&PSETID_Common, kLidContacts, nullptr, PT_MV_STRING8}},
    {OptionalColumn::kDirectoryServer, {&PSETID_Appointment, kLidDirectoryServer, nullptr, PT_STRING8}},
    {OptionalColumn::kDoNotAutoArchive, {&PSETID_Common, kLidDoNotAutoArchive, nullptr, PT_BOOLEAN}},
    {OptionalColumn::kDuration, {&PSETID_Appointment, kLidDuration, nullptr, PT_LONG}},
    {OptionalColumn::kEventAddress, {&PSETID_Appointment, kLidEventAddress, nullptr, PT_STRING8}},
    {OptionalColumn::kLabel, {&PSETID_Appointment, kLidColorLabel, nullptr, PT_LONG}},
    {OptionalColumn::kMileage, {&PSETID_Common, kLidMileage, nullptr, PT_STRING8}},
    {OptionalColumn::kNetMeetingAutoStart, {&PSETID_Appointment, kLidOnlineAutoStart, nullptr, PT_BOOLEAN}},
    {OptionalColumn::kNetMeetingOfficeDocumentPath,
     {&PSETID_Appointment, kLidOnlineDocumentPath, nullptr, PT_STRING8}},
    {OptionalColumn::kNetMeetingOrganizerEmail,
     {&PSETID_Appointment, kLidOnlineOrganizerEmail, nullptr, PT_STRING8}},
    {OptionalColumn::kOnlineMeeting, {&PSETID_Appointment, kLidOnlineMeeting, nullptr, PT_BOOLEAN}},
    {OptionalColumn::kOnlineMeetingType, {&PSETID_Appointment, kLidOnlineMeetingType, nullptr, PT_LONG}},
    {OptionalColumn::kOutlookInternalVersion, {&PSETID_Common, kLidClientInternalVersion, nullptr, PT_LONG}},
    {OptionalColumn::kOutlookVersion, {&PSETID_Common, kLidClientVersion, nullptr, PT_STRING8}},
    {OptionalColumn::kRecurrence, {&PSETID_Appointment, kLidRecurrenceType, nullptr, PT_LONG}},
    {OptionalColumn::kRecurrencePattern, {&PSETID_Appointment, kLidRecurrenceText, nullptr, PT_STRING8}},
    {OptionalColumn::kRemindBeforehand, {&PSETID_Common, kLidReminderMinutes, nullptr, PT_LONG}},
    {OptionalColumn::kReminder, {&PSETID_Common, kLidReminderSet, nullptr, PT_BOOLEAN}},
    {OptionalColumn::kReminderOverrideDefault,
     {&PSETID_Common, kLidReminderOverrideDefault, nullptr, PT_BOOLEAN}},
    {OptionalColumn::kReminderSound, {&PSETID_Common, kLidReminderPlaySound, nullptr, PT_BOOLEAN}},
    {OptionalColumn::kReminderSoundFile, {&PSETID_Common, kLidReminderSoundFile, nullptr, PT_STRING8}},
    {OptionalColumn::kMeetingResponseStatus, {&PSETID_Appointment, kLidResponseStatus, nullptr, PT_LONG}},
    {OptionalColumn::kReplyTime, {&PSETID_Appointment, kLidReplyTime, nullptr, PT_SYSTIME}},
};

struct OptionalStandard {
  OptionalColumn column;
  OptionalColumn shares_with;  // a second column served by the same request
  ULONG tag;
};

constexpr OptionalColumn kNone = OptionalColumn::kCount;

// The optional columns read from standard properties, in the order they are requested.
const OptionalStandard kOptionalStandard[] = {
    {OptionalColumn::kAttachment, kNone, 0x0E1B000B},
    {OptionalColumn::kAutoForwarded, kNone, 0x0005000B},
    {OptionalColumn::kCreated, kNone, 0x30070040},
    {OptionalColumn::kImportance, kNone, 0x00170003},
    {OptionalColumn::kMessageClass, kNone, 0x001A001E},
    {OptionalColumn::kModified, kNone, 0x30080040},
    {OptionalColumn::kMsgRead, OptionalColumn::kSent, 0x0E070003},
    {OptionalColumn::kResponseRequested, kNone, 0x0063000B},
    {OptionalColumn::kSensitivity, kNone, 0x00360003},
    {OptionalColumn::kSize, kNone, 0x0E080003},
    {OptionalColumn::kDeliveryReceipt, kNone, 0x0023000B},
    {OptionalColumn::kEncrypted, OptionalColumn::kSigned, 0x00340003},
    {OptionalColumn::kReadReceipt, kNone, 0x0029000B},
    {OptionalColumn::kStoreId, kNone, 0x0FFB0102},
    {OptionalColumn::kApptText, kNone, 0x1000001E},
    {OptionalColumn::kTimeCreated, kNone, 0x30070040},
    {OptionalColumn::kTimeExpired, kNone, 0x00150040},
    {OptionalColumn::kTimeLastModified, kNone, 0x30080040},
    {OptionalColumn::kTimeReceived, kNone, 0x0E060040},
    {OptionalColumn::kTimeSent, kNone, 0x00390040},
};

MAPINAMEID ToNameId(const NamedSpec& spec) {
  return spec.name ? MAPINAMEID::Name(*spec.set, spec.name) : MAPINAMEID::Id(*spec.set, spec.id);
}

size_t CalendarCount(const AgentSettings& settings) {
  return settings.get_contact_company != 0 ? calendar_prop::kContactName + 1 : calendar_prop::kContactName;
}

// A custom field name "0x8503" is an id in the Common set, any other a public-strings name.
std::optional<MAPINAMEID> CustomFieldName(const std::string& name) {
  if (name.empty()) return std::nullopt;
  if (name.size() >= 2 && strncasecmp(name.c_str(), "0x", 2) == 0) {
    return MAPINAMEID::Id(PSETID_Common, static_cast<LONG>(std::strtol(name.c_str(), nullptr, 0)));
  }
  return MAPINAMEID::Name(PS_PUBLIC_STRINGS, name);
}

ULONG CustomFieldType(const AgentSettings& settings, size_t i) {
  return i < settings.custom_field_types.size() ? settings.custom_field_types[i] : PT_STRING8;
}

}  // namespace

std::vector<MAPINAMEID> CalendarNamedPropertyList(const AgentSettings& settings,
                                                  const OptionalColumns& columns) {
  std::vector<MAPINAMEID> names;
  for (size_t i = 0; i < CalendarCount(settings); ++i) names.push_back(ToNameId(kCalendarSpecs[i]));
  for (const auto& field : settings.custom_field_names) {
    if (auto name = CustomFieldName(field)) names.push_back(*name);
  }
  for (const auto& optional : kOptionalNamed) {
    if (columns.IsEnabled(optional.column)) names.push_back(ToNameId(optional.spec));
  }
  return names;
}

CalendarTagsResult ResolveCalendarTags(IMAPIProp& calendar, const AgentSettings& settings,
                                       const OptionalColumns& columns) {
  CalendarTagsResult result;
  SPropTagArray ids;
  HRESULT hr = calendar.GetIDsFromNames(CalendarNamedPropertyList(settings, columns), MAPI_CREATE, &ids);
  if (FAILED(hr)) {
    result.error = CalendarTagsError::kGetIDsFailed;
    result.hr = hr;
    return result;
  }
  size_t next = 0;
  auto take = [&](ULONG type) -> ULONG {
    ULONG id = next < ids.size() ? ids[next] : PR_NULL;
    ++next;
    return PROP_ID(id) == 0 ? PR_NULL : CHANGE_PROP_TYPE(id, type);
  };
  CalendarTags& tags = result.tags;
  tags.calendar.assign(calendar_prop::kContactName + 1, PR_NULL);
  for (size_t i = 0; i < CalendarCount(settings); ++i) {
    tags.calendar[i] = take(kCalendarSpecs[i].type);
    if (i < calendar_prop::kRequiredCount && tags.calendar[i] == PR_NULL &&
        result.error == CalendarTagsError::kNone) {
      result.error = CalendarTagsError::kMissingRequired;
      result.missing_index = i;
    }
  }
  for (size_t i = 0; i < settings.custom_field_names.size(); ++i) {
    tags.custom.push_back(settings.custom_field_names[i].empty() ? PR_NULL
                                                                 : take(CustomFieldType(settings, i)));
  }
  for (const auto& optional : kOptionalNamed) {
    if (columns.IsEnabled(optional.column)) {
      tags.optional_named.emplace_back(optional.column, take(optional.spec.type));
    }
  }
  return result;
}

MeetingColumns BuildMeetingColumns(const CalendarTags& tags, const AgentSettings& settings,
                                   const OptionalColumns& columns) {
  namespace cp = calendar_prop;
  MeetingColumns out;
  out.tags = {PR_ENTRYID,
              tags.Calendar(cp::kStart),
              tags.Calendar(cp::kEnd),
              PR_SUBJECT,
              tags.Calendar(cp::kLocation),
              tags.Calendar(cp::kBusyStatus),
              tags.Calendar(cp::kKeywords),
              tags.Calendar(cp::kMeetingState),
              tags.Calendar(cp::kPrivate),
              PR_SENT_REPRESENTING_NAME,
              tags.Calendar(cp::kRecurrencePattern),
              tags.Calendar(cp::kRecurrenceType),
              tags.Calendar(cp::kClipStart),
              tags.Calendar(cp::kClipEnd),
              tags.Calendar(cp::kTimeZoneStruct),
              PR_SENSITIVITY,
              tags.Calendar(cp::kBookingNumber),
              tags.Calendar(cp::kGlobalObjectId)};
  out.custom_begin = out.tags.size();
  for (size_t i = 0; i < settings.custom_field_names.size(); ++i) {
    out.tags.push_back(i < tags.custom.size() ? tags.custom[i] : PR_NULL);
  }
  out.optional_named_begin = out.tags.size();
  for (const auto& [column, tag] : tags.optional_named) {
    out.position[static_cast<size_t>(column)] = out.tags.size();
    out.tags.push_back(tag);
  }
  out.optional_standard_begin = out.tags.size();
  for (const auto& standard : kOptionalStandard) {
    bool first = columns.IsEnabled(standard.column);
    bool second = standard.shares_with != kNone && columns.IsEnabled(standard.shares_with);
    if (!first && !second) continue;
    if (first) out.position[static_cast<size_t>(standard.column)] = out.tags.size();
    if (second) out.position[static_cast<size_t>(standard.shares_with)] = out.tags.size();
    out.tags.push_back(standard.tag);
  }
  return out;
}

SRestriction SingleAppointmentRestriction(const CalendarTags& tags, FILETIME window_start,
                                          FILETIME window_end) {
  namespace cp = calendar_prop;
  return RestrictAnd({
      RestrictProperty(RELOP_LT, SPropValue::Time(tags.Calendar(cp::kStart), window_end)),
      RestrictProperty(RELOP_GT, SPropValue::Time(tags.Calendar(cp::kEnd), window_start)),
      RestrictProperty(RELOP_EQ, SPropValue(tags.Calendar(cp::kRecurring), false)),
      RestrictProperty(RELOP_NE, SPropValue(PR_MESSAGE_CLASS, std::string("IPM.Schedule.Meeting.Request"))),
      RestrictProperty(RELOP_NE, SPropValue(PR_MESSAGE_CLASS, std::string("IPM.Schedule.Meeting.Canceled"))),
  });
}

SRestriction RecurringAppointmentRestriction(const CalendarTags& tags) {
  return RestrictProperty(RELOP_EQ, SPropValue(tags.Calendar(calendar_prop::kRecurring), true));
}

}  // namespace korvale
