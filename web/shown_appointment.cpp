#include "web/shown_appointment.h"

#include <cstdio>
#include <map>

namespace korvale::web {

namespace {

uint64_t Fnv1a(const std::string& text) {
  uint64_t hash = 1469598103934665603ull;
  for (unsigned char c : text) {
    hash ^= c;
    hash *= 1099511628211ull;
  }
  return hash;
}

std::string Hex64(uint64_t v) {
  char buffer[20];
  std::snprintf(buffer, sizeof buffer, "%016llx", static_cast<unsigned long long>(v));
  return buffer;
}

std::string Compact(const SqlTimestamp& t) {
  char buffer[24];
  std::snprintf(buffer, sizeof buffer, "%04d%02d%02dT%02d%02d", t.year % 10000, t.month % 100, t.day % 100,
                t.hour % 100, t.minute % 100);
  return buffer;
}

std::string UidBase(const PublishedRow& r) {
  // The identifier is a hexadecimal text; anything else is hashed so that the
  // UID stays a plain token.
  if (!r.appt_id.empty() && r.appt_id.find_first_not_of("0123456789ABCDEFabcdef") == std::string::npos &&
      r.appt_id.size() <= 320) {
    return "appt-" + r.appt_id + "-" + Compact(r.start);
  }
  if (!r.booking_number.empty()) {
    return "booking-" + Hex64(Fnv1a(r.booking_number)) + "-" + Hex64(Fnv1a(r.name)) + "-" + Compact(r.start);
  }
  return "row-" + Hex64(Fnv1a(r.name + "|" + Compact(r.start) + "|" + Compact(r.end)));
}

}  // namespace

std::string StatusText(int status) {
  switch (status) {
    case 0: return "free";
    case 1: return "tentative";
    case 3: return "out of office";
    default: return "busy";
  }
}

std::vector<ShownAppointment> ShowRows(const std::vector<PublishedRow>& rows, bool details) {
  std::vector<ShownAppointment> shown;
  std::map<std::string, int> seen;
  for (const PublishedRow& r : rows) {
    ShownAppointment a;
    a.member = r.name;
    a.start = r.start;
    a.end = r.end;
    a.status = r.status;
    a.details = details;
    if (details) {
      a.title = r.title;
      a.location = r.location;
      a.category = r.category;
      a.organizer = r.organizer;
      a.booking_number = r.booking_number;
    }
    std::string base = UidBase(r);
    int n = seen[base]++;
    a.uid = base + (n > 0 ? "-" + std::to_string(n) : "") + "@korvale";
    shown.push_back(std::move(a));
  }
  return shown;
}

}  // namespace korvale::web
