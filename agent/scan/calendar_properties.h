// The calendar's named properties and the columns the scan reads.
//
// Named properties are per store: the scan asks each calendar folder for the
// identifiers of the list below (creating them where missing) and forces the
// expected type into each tag. The column set `tagaMeetings` then addresses
// a row's values by position: the 18 fixed columns, the custom fields, the
// named optional columns and the standard optional columns.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "agent/database/optional_columns.h"
#include "agent/scan/calendar_prop_index.h"
#include "common/agent_settings.h"
#include "platform/mapi/mapi.h"

namespace korvale {

// Positions of the fixed columns of `tagaMeetings`.
namespace meeting_column {
inline constexpr size_t kEntryId = 0;
inline constexpr size_t kStart = 1;
inline constexpr size_t kEnd = 2;
inline constexpr size_t kSubject = 3;
inline constexpr size_t kLocation = 4;
inline constexpr size_t kBusyStatus = 5;
inline constexpr size_t kCategories = 6;
inline constexpr size_t kMeetingState = 7;
inline constexpr size_t kPrivate = 8;
inline constexpr size_t kOrganizer = 9;
inline constexpr size_t kRecurrencePattern = 10;
inline constexpr size_t kRecurrenceType = 11;
inline constexpr size_t kClipStart = 12;
inline constexpr size_t kClipEnd = 13;
inline constexpr size_t kTimeZoneStruct = 14;
inline constexpr size_t kSensitivity = 15;
inline constexpr size_t kBookingNumber = 16;
inline constexpr size_t kGlobalObjectId = 17;
inline constexpr size_t kFixedCount = 18;
}  // namespace meeting_column

// The named properties to resolve, in order: the 29 calendar properties (the
// contact name only with GetContactCompany), one per custom field, one per
// enabled optional column that is a named property.
std::vector<mapi::MAPINAMEID> CalendarNamedPropertyList(const AgentSettings& settings,
                                                        const OptionalColumns& columns);

// The resolved tags with their types forced.
struct CalendarTags {
  std::vector<mapi::ULONG> calendar;  // indexed by calendar_prop::k*; PR_NULL where absent
  std::vector<mapi::ULONG> custom;    // one per custom field name (PR_NULL for an empty name)
  // One per enabled named optional column, in the order of the optional-column list.
  std::vector<std::pair<OptionalColumn, mapi::ULONG>> optional_named;
  mapi::ULONG Calendar(size_t index) const {
    return index < calendar.size() ? calendar[index] : mapi::PR_NULL;
  }
};

enum class CalendarTagsError { kNone, kGetIDsFailed, kMissingRequired };

struct CalendarTagsResult {
  CalendarTagsError error = CalendarTagsError::kNone;
  mapi::HRESULT hr = 0;      // with kGetIDsFailed
  size_t missing_index = 0;  // with kMissingRequired: the first index 0..14 without an id
  CalendarTags tags;
};

// GetIDsFromNames with MAPI_CREATE on the folder, the 0..14 check, the types forced.
CalendarTagsResult ResolveCalendarTags(mapi::IMAPIProp& calendar, const AgentSettings& settings,
                                       const OptionalColumns& columns);

// Where each kind of value sits in a row of `tagaMeetings`.
struct MeetingColumns {
  mapi::SPropTagArray tags;  // the column set
  size_t custom_begin = meeting_column::kFixedCount;
  size_t optional_named_begin = 0;     // first named optional column
  size_t optional_standard_begin = 0;  // first standard optional column
  // Position of each enabled optional column's value; nullopt for the derived
  // ones (MeetingStatus, RecurrenceRange*, *Attendees, Resources).
  std::array<std::optional<size_t>, kOptionalColumnCount> position{};
};

MeetingColumns BuildMeetingColumns(const CalendarTags& tags, const AgentSettings& settings,
                                   const OptionalColumns& columns);

// RES_AND of start < window end, end > window start, not recurring, and not a
// meeting request or cancellation; both limits in universal time.
mapi::SRestriction SingleAppointmentRestriction(const CalendarTags& tags, mapi::FILETIME window_start,
                                                mapi::FILETIME window_end);
// Recurring flag = TRUE.
mapi::SRestriction RecurringAppointmentRestriction(const CalendarTags& tags);

}  // namespace korvale
