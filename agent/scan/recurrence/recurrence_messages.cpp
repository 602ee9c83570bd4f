// Event-log texts of the recurring pass.
#include "agent/scan/recurrence/recurrence_messages.h"

namespace korvale::recurrence {
namespace {

std::string_view SubjectOrUnknown(std::optional<std::string_view> subject) {
  return subject && !subject->empty() ? *subject : kUnknownSubject;
}

}  // namespace

const char* ToString(RecurrenceType type) {
  switch (type) {
    case RecurrenceType::kDaily: return "daily";
    case RecurrenceType::kWeekly: return "weekly";
    case RecurrenceType::kMonthly: return "monthly";
    case RecurrenceType::kYearly: return "yearly";
  }
  return "unknown";
}

std::string NoRecurrenceText(std::optional<std::string_view> subject, std::string_view mailbox) {
  std::string text = "Recurrence information of meeting ";
  text += SubjectOrUnknown(subject);
  text += " in mailbox ";
  text += mailbox;
  text += " could not be read.";
  return text;
}

std::string PatternUnreadableText(RecurrenceType type, std::optional<std::string_view> subject,
                                  std::string_view mailbox) {
  std::string text = "Recurrence information of ";
  text += ToString(type);
  text += " recurring meeting ";
  text += SubjectOrUnknown(subject);
  text += " in mailbox ";
  text += mailbox;
  text += " could not be read.";
  return text;
}

std::string ExpansionErrorText(RecurrenceType type, std::string_view mailbox) {
  std::string text = "General Error expanding ";
  text += ToString(type);
  text += " recurrence in mailbox ";
  text += mailbox;
  text += ".";
  return text;
}

}  // namespace korvale::recurrence
