// The ids (LIDs) of the calendar's named properties, each defined once for
// every program that reads or writes appointments. An id means something only
// with its property set: pair it with the GUID of the group it is listed in,
// e.g. MAPINAMEID::Id(PSETID_Appointment, kLidStart).
#pragma once

#include "platform/mapi/mapi_defs.h"

namespace korvale::mapi {

// ---- PSETID_Appointment ---------------------------------------------------

inline constexpr LONG kLidSequence = 0x8201;              // meeting update number, PT_LONG
inline constexpr LONG kLidBusyStatus = 0x8205;            // free/tentative/busy/away, PT_LONG
inline constexpr LONG kLidAuxFlags = 0x8207;              // auxiliary meeting flags, PT_LONG
inline constexpr LONG kLidLocation = 0x8208;              // where it takes place, PT_STRING8
inline constexpr LONG kLidStart = 0x820D;                 // start, universal time, PT_SYSTIME
inline constexpr LONG kLidEnd = 0x820E;                   // end, universal time, PT_SYSTIME
inline constexpr LONG kLidDuration = 0x8213;              // length in minutes, PT_LONG
inline constexpr LONG kLidColorLabel = 0x8214;            // colour label number, PT_LONG
inline constexpr LONG kLidAllDay = 0x8215;                // all-day event flag, PT_BOOLEAN
inline constexpr LONG kLidRecurrenceBlob = 0x8216;        // recurrence pattern and exceptions, PT_BINARY
inline constexpr LONG kLidMeetingState = 0x8217;          // meeting/received/cancelled flags, PT_LONG
inline constexpr LONG kLidResponseStatus = 0x8218;        // the attendee's answer, PT_LONG
inline constexpr LONG kLidReplyTime = 0x8220;             // when the answer was sent, PT_SYSTIME
inline constexpr LONG kLidRecurring = 0x8223;             // part of a series, PT_BOOLEAN
inline constexpr LONG kLidIntendedBusyStatus = 0x8224;    // busy status the organizer meant, PT_LONG
inline constexpr LONG kLidInvitationsSent = 0x8229;       // the meeting request went out, PT_BOOLEAN
inline constexpr LONG kLidRecurrenceType = 0x8231;        // none/daily/weekly/monthly/yearly, PT_LONG
inline constexpr LONG kLidRecurrenceText = 0x8232;        // the recurrence in words, PT_STRING8
inline constexpr LONG kLidTimeZoneStruct = 0x8233;        // the series' time zone rules, PT_BINARY
inline constexpr LONG kLidClipStart = 0x8235;             // midnight before the first occurrence, PT_SYSTIME
inline constexpr LONG kLidClipEnd = 0x8236;               // end of the series' last day, PT_SYSTIME
inline constexpr LONG kLidOnlineMeeting = 0x8240;         // held online, PT_BOOLEAN
inline constexpr LONG kLidOnlineMeetingType = 0x8241;     // kind of online meeting, PT_LONG
inline constexpr LONG kLidDirectoryServer = 0x8242;       // online meeting directory server, PT_STRING8
inline constexpr LONG kLidOnlineOrganizerEmail = 0x8243;  // online meeting organizer's address, PT_STRING8
inline constexpr LONG kLidOnlineAutoStart = 0x8244;       // start the online meeting itself, PT_BOOLEAN
inline constexpr LONG kLidOnlineDocumentPath = 0x8247;    // document shared in the meeting, PT_STRING8
inline constexpr LONG kLidEventAddress = 0x8248;          // address of an online event, PT_STRING8
inline constexpr LONG kLidProposedDuration = 0x8256;      // duration of a counter-proposal, PT_LONG
inline constexpr LONG kLidCounterProposal = 0x8257;       // a new time was proposed, PT_BOOLEAN
inline constexpr LONG kLidProposalNumber = 0x8259;        // number of counter-proposals, PT_LONG

// ---- PSETID_Common --------------------------------------------------------

inline constexpr LONG kLidReminderMinutes = 0x8501;          // reminder lead time in minutes, PT_LONG
inline constexpr LONG kLidReminderSet = 0x8503;              // a reminder is set, PT_BOOLEAN
inline constexpr LONG kLidPrivate = 0x8506;                  // private item, PT_BOOLEAN
inline constexpr LONG kLidDoNotAutoArchive = 0x850E;         // kept out of archiving, PT_BOOLEAN
inline constexpr LONG kLidReminderOverrideDefault = 0x851C;  // reminder sound chosen per item, PT_BOOLEAN
inline constexpr LONG kLidReminderPlaySound = 0x851E;        // the reminder plays a sound, PT_BOOLEAN
inline constexpr LONG kLidReminderSoundFile = 0x851F;        // the sound it plays, PT_STRING8
inline constexpr LONG kLidMileage = 0x8534;                  // mileage text, PT_STRING8
inline constexpr LONG kLidBillingInformation = 0x8535;       // billing text, PT_STRING8
inline constexpr LONG kLidContacts = 0x853A;                 // linked contacts' names, PT_MV_STRING8
inline constexpr LONG kLidClientInternalVersion = 0x8552;    // build number of the writing client, PT_LONG
inline constexpr LONG kLidClientVersion = 0x8554;            // version text of the writing client, PT_STRING8
inline constexpr LONG kLidContactName = 0x8586;              // name of the linked contact, PT_STRING8

// ---- PSETID_Meeting -------------------------------------------------------

inline constexpr LONG kLidGlobalObjectId = 0x0003;       // meeting identity with instance date, PT_BINARY
inline constexpr LONG kLidCleanGlobalObjectId = 0x0023;  // the same without instance date, PT_BINARY

// ---- PS_PUBLIC_STRINGS (names, not ids) -----------------------------------

inline constexpr const char* kNameKeywords = "Keywords";               // categories, PT_MV_STRING8
inline constexpr const char* kNameBookingNumber = "KRVBookingNumber";  // the booking's number, PT_STRING8

}  // namespace korvale::mapi
