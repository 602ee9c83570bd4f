// Reminder parsing, the booking history text and mailbox list splitting.
#include "agent/booking/meetings/booking_values.h"
#include "common/text.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <limits>

namespace korvale {
namespace {

bool IsBlank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

}  // namespace

Reminder ParseReminder(std::string_view phone) {
  Reminder reminder;
  std::string_view number = phone;
  if (size_t marker = phone.find(kPrivateMarker); marker != std::string_view::npos) {
    number = phone.substr(0, marker);
    reminder.is_private = true;
  }
  std::string text(number);
  size_t first = 0;
  while (first < text.size() && IsBlank(text[first])) ++first;
  // strtoul would turn "-5" into a huge reminder; a negative number is none.
  if (first < text.size() && text[first] == '-') return reminder;
  errno = 0;
  unsigned long long value = std::strtoull(text.c_str(), nullptr, 0);
  if (errno == ERANGE || value > std::numeric_limits<uint32_t>::max()) {
    value = std::numeric_limits<uint32_t>::max();
  }
  reminder.minutes = static_cast<uint32_t>(value);
  return reminder;
}

bool IsNoInvitation(std::string_view initials) {
  constexpr std::string_view kNoInvitation = "no invitation";
  if (initials.size() != kNoInvitation.size()) return false;
  for (size_t i = 0; i < initials.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(initials[i])) != kNoInvitation[i]) return false;
  }
  return true;
}

std::string BookingText(std::string_view text_template, std::string_view booked_by,
                        std::string_view old_acl) {
  std::string text;
  bool name_placed = false;
  for (size_t i = 0; i < text_template.size(); ++i) {
    char c = text_template[i];
    char next = i + 1 < text_template.size() ? text_template[i + 1] : '\0';
    if (c == '\\' && (next == 'r' || next == 'n' || next == 't')) {
      text += next == 'r' ? '\r' : next == 'n' ? '\n' : '\t';
      ++i;
    } else if (c == '%' && next == 's' && !name_placed) {
      text += booked_by;
      name_placed = true;
      ++i;
    } else if (c == '%' && next == '%') {
      text += '%';
      ++i;
    } else {
      text += c;
    }
  }
  text += old_acl;
  return text;
}

std::vector<std::string> SplitMailboxList(std::string_view list) {
  std::vector<std::string> names;
  while (!list.empty()) {
    size_t semicolon = list.find(';');
    std::string name(Trim(list.substr(0, semicolon)));
    EraseAll(name, "$R$");
    EraseAll(name, "\xC2\xA3R\xC2\xA3");
    name = std::string(Trim(name));
    if (!name.empty()) names.push_back(std::move(name));
    if (semicolon == std::string_view::npos) break;
    list.remove_prefix(semicolon + 1);
  }
  return names;
}

}  // namespace korvale
