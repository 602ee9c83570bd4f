// The event-log texts of the recurring pass, for the appointment reader to
// report (warning, event 137) when a series cannot be read or expanded.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "agent/scan/recurrence/recurrence_state.h"
#include "common/agent_log.h"

namespace korvale::recurrence {

inline constexpr EventType kRecurrenceEventType = EventType::kWarning;
inline constexpr uint32_t kRecurrenceEventId = event_id::kGeneral;

// Stands for a subject that is missing or empty.
inline constexpr std::string_view kUnknownSubject = "[unknown or empty subject]";

// The item has no pattern bytes:
// "Recurrence information of meeting %s in mailbox %s could not be read."
std::string NoRecurrenceText(std::optional<std::string_view> subject, std::string_view mailbox);

// A pattern reader returned 0:
// "Recurrence information of daily recurring meeting %s in mailbox %s could not be read."
// (weekly, monthly, yearly accordingly).
std::string PatternUnreadableText(RecurrenceType type, std::optional<std::string_view> subject,
                                  std::string_view mailbox);

// An expansion failed (the row writer threw):
// "General Error expanding monthly recurrence in mailbox %s." (daily, weekly
// and yearly accordingly).
std::string ExpansionErrorText(RecurrenceType type, std::string_view mailbox);

}  // namespace korvale::recurrence
