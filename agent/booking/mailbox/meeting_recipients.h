// The recipients of a booked meeting: the names of the booking's recipients
// text with their resource markers removed, resolved in the address book, and
// for names the address book does not know, a one-off SMTP recipient with the
// address kept in the person's user row of the calendar table.
#pragma once

#include <string>
#include <string_view>

#include "agent/booking/mailbox/book_into_mailbox.h"
#include "platform/mapi/mapi.h"

namespace korvale {

// A recipient name without its markers: "$R$" and "£R£" (in UTF-8 and in the
// single bytes of Windows-1252). *resource tells whether "$R$" was there: a
// resource is invited as a blind-copy recipient.
//   RecipientName("$R$Room 1$R$", &r) == "Room 1", r == true
std::string RecipientName(std::string_view name, bool* resource);

// Split at ";", each name trimmed at the left; empty names are left out.
// Every entry carries PR_DISPLAY_NAME and PR_RECIPIENT_TYPE (MAPI_BCC for a
// resource, otherwise MAPI_TO).
mapi::ADRLIST MeetingRecipientList(std::string_view recipients);

// "SELECT Title FROM %s WHERE ((Status=9) AND (Name LIKE '%s'))".
std::string SelectRecipientAddress(std::string_view active_table, std::string_view name, Dialect dialect);

// Resolves the list; when some name is unknown or ambiguous, looks up an SMTP
// address for each entry without an identifier, makes it a one-off recipient
// and resolves again. Names that stay unresolved are reported (warning 137)
// and stay in the list by name.
void ResolveMeetingRecipients(BookingWriter& writer, mapi::ADRLIST& list);

}  // namespace korvale
