// The calendar named properties an appointment is written with, in one order
// for the administration tool and the bench generator alike: index a
// GetIDsFromNames answer with Named, and give each its type from kNamedTypes.
#pragma once

#include <algorithm>
#include <iterator>
#include <vector>

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
  using mapi::MAPINAMEID, mapi::PS_PUBLIC_STRINGS, mapi::PSETID_Appointment, mapi::PSETID_Common,
      mapi::PSETID_Meeting;
  return {MAPINAMEID::Name(PS_PUBLIC_STRINGS, "Keywords"),
          MAPINAMEID::Id(PSETID_Appointment, 0x820D),
          MAPINAMEID::Id(PSETID_Appointment, 0x820E),
          MAPINAMEID::Id(PSETID_Appointment, 0x8208),
          MAPINAMEID::Id(PSETID_Appointment, 0x8205),
          MAPINAMEID::Id(PSETID_Common, 0x8506),
          MAPINAMEID::Id(PSETID_Common, 0x8503),
          MAPINAMEID::Id(PSETID_Common, 0x8501),
          MAPINAMEID::Id(PSETID_Appointment, 0x8217),
          MAPINAMEID::Id(PSETID_Appointment, 0x8223),
          MAPINAMEID::Id(PSETID_Appointment, 0x8215),
          MAPINAMEID::Id(PSETID_Appointment, 0x8233),
          MAPINAMEID::Id(PSETID_Appointment, 0x8218),
          MAPINAMEID::Id(PSETID_Meeting, 0x0003),
          MAPINAMEID::Id(PSETID_Meeting, 0x0023),
          MAPINAMEID::Id(PSETID_Appointment, 0x8231),
          MAPINAMEID::Name(PS_PUBLIC_STRINGS, "KRVBookingNumber"),
          MAPINAMEID::Id(PSETID_Appointment, 0x8229)};
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
