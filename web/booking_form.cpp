#include "web/booking_form.h"

#include <algorithm>

#include "common/text.h"
#include "common/utf8.h"
#include "web/calendar_date.h"

namespace korvale::web {

namespace {

std::string Field(const FormFields& fields, const std::string& name) {
  auto it = fields.find(name);
  return it == fields.end() ? "" : it->second;
}

std::string Trimmed(std::string_view s) { return std::string(Trim(s, kSpacesAndTabs)); }

// Empty when the text is acceptable, else the reason.
std::string CheckText(const std::string& label, const std::string& text, size_t max_chars, bool required) {
  if (required && text.empty()) return label + " is missing.";
  if (!IsValidUtf8(text)) return label + " is not valid UTF-8 text.";
  if (std::any_of(text.begin(), text.end(),
                  [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; })) {
    return label + " must not contain control characters.";
  }
  if (Utf8Length(text) > max_chars)
    return label + " is longer than " + std::to_string(max_chars) + " characters.";
  return "";
}

std::string CheckName(const std::string& label, const std::string& name) {
  std::string problem = CheckText(label, name, 50, true);
  if (problem.empty() && name.find_first_of(";$") != std::string::npos) {
    problem = label + " must not contain \";\" or \"$\".";
  }
  return problem;
}

std::vector<std::string> Names(const FormFields& fields, const std::string& key) {
  std::vector<std::string> names;
  auto [begin, end] = fields.equal_range(key);
  for (auto it = begin; it != end; ++it) {
    std::string name = Trimmed(it->second);
    if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
  }
  return names;
}

}  // namespace

Expected<BookingRequest> ParseBookingForm(const FormFields& fields) {
  BookingRequest r;
  r.group = Trimmed(Field(fields, "group"));
  r.organizer = Trimmed(Field(fields, "organizer"));
  r.attendees = Names(fields, "attendee");
  r.rooms = Names(fields, "room");
  r.title = Trimmed(Field(fields, "title"));
  r.location = Trimmed(Field(fields, "location"));
  r.category = Trimmed(Field(fields, "category"));
  r.is_private = Field(fields, "private") == "1";

  std::vector<std::string> problems = {
      CheckText("The group", r.group, 250, true), CheckName("The organizer", r.organizer),
      CheckText("The title", r.title, 250, true), CheckText("The location", r.location, 50, false),
      CheckText("The category", r.category, 50, false)};
  for (const auto& n : r.attendees) problems.push_back(CheckName("An attendee", n));
  for (const auto& n : r.rooms) problems.push_back(CheckName("A room", n));

  auto day = ParseDay(Field(fields, "date"));
  auto start = ParseTimeOfDay(Field(fields, "start"));
  auto end = ParseTimeOfDay(Field(fields, "end"));
  if (!day) problems.push_back("The date must be given as YYYY-MM-DD.");
  if (!start || !end) problems.push_back("Start and end must be given as HH:MM.");
  if (start && end && *end <= *start) problems.push_back("The end must be later than the start.");
  if (day && start && end) {
    r.start = AtMinute(*day, *start);
    r.end = AtMinute(*day, *end);
  }

  const std::string reminder = Field(fields, "reminder");
  if (!reminder.empty()) {
    if (reminder.size() > 5 || reminder.find_first_not_of("0123456789") != std::string::npos ||
        std::stoi(reminder) > 40320) {
      problems.push_back("The reminder must be a number of minutes from 0 to 40320.");
    } else {
      r.reminder_minutes = std::stoi(reminder);
    }
  }

  std::string recipients = r.organizer;
  for (const auto& n : r.attendees) recipients += ";" + n;
  for (const auto& n : r.rooms) recipients += ";$R$" + n + "$R$";
  if (Utf8Length(recipients) > 1024) problems.push_back("Too many attendees and rooms for one booking.");

  for (const std::string& p : problems) {
    if (!p.empty()) return Status::Error(p);
  }
  return r;
}

}  // namespace korvale::web
