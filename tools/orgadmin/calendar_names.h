// The calendar named properties an appointment is written with, in one order
// for the administration tool and the bench generator alike: index a
// GetIDsFromNames answer with Named, and give each its type from kNamedTypes.
#pragma once

#include <algorithm>
#include <iterator>
#include <vector>

#include "platform/mapi/calendar_named_props.h"
#include "platform/mapi/mapi.h"

namespace korvale::orgadmin {

enum Named {
  kKeywords,
  kStart,
  kEnd,
  kLocation,
  kBusy,
  kPrivate,
  kReminderSet,
  kReminderMinutes,
  kMeetingState,
  kRecurring,
  kAllDay,
  kTimeZone,
  kResponse,
  kGlobalId,
  kCleanGlobalId,
  kRecurrenceType,
  kBookingNumber,
  kInvitationsSent,
  kNamedCount
};

inline std::vector<mapi::MAPINAMEID> CalendarNames() {
  using namespace mapi;
  return {MAPINAMEID::Name(PS_PUBLIC_STRINGS, kNameKeywords),
          MAPINAMEID::Id(PSETID_Appointment, kLidStart),
          MAPINAMEID::Id(PSETID_Appointment, kLidEnd),
          MAPINAMEID::Id(PSETID_Appointment, kLidLocation),
          MAPINAMEID::Id(PSETID_Appointment, kLidBusyStatus),
          MAPINAMEID::Id(PSETID_Common, kLidPrivate),
          MAPINAMEID::Id(PSETID_Common, kLidReminderSet),
          MAPINAMEID::Id(PSETID_Common, kLidReminderMinutes),
          MAPINAMEID::Id(PSETID_Appointment, kLidMeetingState),
          MAPINAMEID::Id(PSETID_Appointment, kLidRecurring),
          MAPINAMEID::Id(PSETID_Appointment, kLidAllDay),
          MAPINAMEID::Id(PSETID_Appointment, kLidTimeZoneStruct),
          MAPINAMEID::Id(PSETID_Appointment, kLidResponseStatus),
          MAPINAMEID::Id(PSETID_Meeting, kLidGlobalObjectId),
          MAPINAMEID::Id(PSETID_Meeting, kLidCleanGlobalObjectId),
          MAPINAMEID::Id(PSETID_Appointment, kLidRecurrenceType),
          MAPINAMEID::Name(PS_PUBLIC_STRINGS, kNameBookingNumber),
          MAPINAMEID::Id(PSETID_Appointment, kLidInvitationsSent)};
}

inline constexpr mapi::ULONG kNamedTypes[kNamedCount] = {
    mapi::PT_MV_STRING8, mapi::PT_SYSTIME, mapi::PT_SYSTIME, mapi::PT_STRING8, mapi::PT_LONG,
    mapi::PT_BOOLEAN,    mapi::PT_BOOLEAN, mapi::PT_LONG,    mapi::PT_LONG,    mapi::PT_BOOLEAN,
    mapi::PT_BOOLEAN,    mapi::PT_BINARY,  mapi::PT_LONG,    mapi::PT_BINARY,  mapi::PT_BINARY,
    mapi::PT_LONG,       mapi::PT_STRING8, mapi::PT_BOOLEAN};

// A new 56-byte global object identifier of a meeting: the class identifier,
// a zero instance date, creation time and reserved bytes, then a fresh GUID.
inline mapi::SBinary GlobalObjectId() {
  static constexpr uint8_t kClassId[16] = {0x04, 0x00, 0x00, 0x00, 0x82, 0x00, 0xE0, 0x00,
                                           0x74, 0xC5, 0xB7, 0x10, 0x1A, 0x82, 0xE0, 0x08};
  // Class identifier; instance date (the whole series), creation time and
  // reserved bytes all zero; the size of the data; the data.
  mapi::SBinary id(56, 0);
  std::copy(std::begin(kClassId), std::end(kClassId), id.begin());
  id[36] = 16;
  const auto guid = mapi::GuidToBytes(mapi::NewGuid());
  std::copy(guid.begin(), guid.end(), id.begin() + 40);
  return id;
}

}  // namespace korvale::orgadmin
