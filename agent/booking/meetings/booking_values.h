// Small value rules of the booking protocol: the reminder and privacy field,
// the "booked by" history text, the "no invitation" marker and mailbox lists.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace korvale {

// The marker in Phone that asks for a private appointment.
inline constexpr std::string_view kPrivateMarker = "$P$";

struct Reminder {
  uint32_t minutes = 0;
  bool is_private = false;
};

// Phone holds the reminder minutes, optionally followed by "$P$" for privacy.
// The number is read like strtoul with base 0 ("0x10" is 16, "010" is 8);
// no number, or a negative one, gives 0; values past 32 bits are capped.
//   ParseReminder("15$P$") -> {15, true};  ParseReminder("") -> {0, false}
Reminder ParseReminder(std::string_view phone);

// Initials "no invitation" (any case) books straight into the attendees' calendars.
bool IsNoInvitation(std::string_view initials);

// The history text put in front of the old ACL: the ApptBookedByText template
// with its two-character sequences \r, \n and \t made control characters and
// the first %s replaced by the booking user (%% stands for one percent sign).
//   BookingText("Booked by %s\\n", "Ann", "old") -> "Booked by Ann\nold"
std::string BookingText(std::string_view text_template, std::string_view booked_by, std::string_view old_acl);

// Mailbox names of a ";"-separated list, each trimmed; empty names are left out
// and the resource markers ("$R$", "£R£") removed, so a name is what the
// calendar table calls the mailbox.
std::vector<std::string> SplitMailboxList(std::string_view list);

}  // namespace korvale
