// Positions in the list of calendar named properties that the mailbox scan
// resolves on every calendar folder (and that the booking writer uses):
// index i of the list is index i of the returned tag array.
#pragma once

#include <cstddef>

namespace korvale::calendar_prop {

inline constexpr size_t kKeywords = 0;              // categories, PT_MV_STRING8
inline constexpr size_t kRecurrenceType = 1;        // PT_LONG
inline constexpr size_t kClipStart = 2;             // PT_SYSTIME
inline constexpr size_t kClipEnd = 3;               // PT_SYSTIME
inline constexpr size_t kRecurrencePattern = 4;     // PT_BINARY
inline constexpr size_t kStart = 5;                 // PT_SYSTIME
inline constexpr size_t kEnd = 6;                   // PT_SYSTIME
inline constexpr size_t kLocation = 7;              // PT_STRING8
inline constexpr size_t kBusyStatus = 8;            // PT_LONG
inline constexpr size_t kPrivate = 9;               // PT_BOOLEAN
inline constexpr size_t kReminderSet = 10;          // PT_BOOLEAN
inline constexpr size_t kReminderMinutes = 11;      // PT_LONG
inline constexpr size_t kMeetingState = 12;         // PT_LONG
inline constexpr size_t kRecurring = 13;            // PT_BOOLEAN
inline constexpr size_t kAllDay = 14;               // PT_BOOLEAN
inline constexpr size_t kTimeZoneStruct = 15;       // PT_BINARY
inline constexpr size_t kResponseStatus = 16;       // PT_LONG
inline constexpr size_t kGlobalObjectId = 17;       // PT_BINARY
inline constexpr size_t kCleanGlobalObjectId = 18;  // PT_BINARY
inline constexpr size_t kInvitationsSent = 19;      // PT_BOOLEAN
inline constexpr size_t kColorLabel = 20;           // PT_LONG
inline constexpr size_t kProposedDuration = 21;     // PT_LONG
inline constexpr size_t kAuxFlags = 22;             // PT_LONG
inline constexpr size_t kProposalNumber = 23;       // PT_LONG
inline constexpr size_t kSequence = 24;             // PT_LONG
inline constexpr size_t kCounterProposal = 25;      // PT_BOOLEAN
inline constexpr size_t kIntendedBusyStatus = 26;   // PT_LONG
inline constexpr size_t kBookingNumber = 27;        // PT_STRING8, public strings "KRVBookingNumber"
inline constexpr size_t kContactName = 28;          // PT_STRING8, only with GetContactCompany
// Entries 0..14 must resolve; the scan stops otherwise.
inline constexpr size_t kRequiredCount = 15;

}  // namespace korvale::calendar_prop
