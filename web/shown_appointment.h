// One appointment as a visitor may see it: with details when the visitor is
// in the calendar's ACL, as a busy block (time and busy status) otherwise. A
// row the agent published as "private" stays "private" for everybody.
#pragma once

#include <string>
#include <vector>

#include "web/published.h"

namespace korvale::web {

struct ShownAppointment {
  std::string member;
  SqlTimestamp start, end;
  int status = 2;
  bool details = false;
  // Empty unless `details`.
  std::string title, location, category, organizer;
  std::string booking_number;
  // Stable across cycles for the same appointment: from the appointment
  // identifier or the booking number where the row carries one, else from
  // mailbox, start and end (numbered when one calendar holds the same times twice).
  std::string uid;
};

// "free", "tentative", "busy", "out of office"; "busy" for unknown values.
std::string StatusText(int status);

// The rows of one calendar as the visitor sees them, in the given order.
std::vector<ShownAppointment> ShowRows(const std::vector<PublishedRow>& rows, bool details);

}  // namespace korvale::web
