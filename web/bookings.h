// Bookings as the web pages make them: a row in Meetings with BookingStatus 1
// (in shared-table mode naming the agent instance that takes it in Reserved2)
// that the next agent cycle books into the mailboxes, the row followed through
// its statuses, and the cancellation request (status 3).
//
// Nothing is written unless every check passed: the visitor may book into the
// organizer's calendar and every room's (ACLw, and the "$canbookmeetings"
// accounts where booking is restricted), every name is a published calendar
// (of any group), and no room is busy at that time in the published table or
// in a booking still on its way into the mailboxes.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/status.h"
#include "web/booking_form.h"
#include "web/published.h"

namespace korvale::web {

// Status codes of a refused booking or cancellation.
enum class BookingRefusal : int64_t {
  kInvalid = 400,
  kForbidden = 403,
  kNotFound = 404,
  kConflict = 409,
  kDatabase = 500
};

struct BookingInfo {
  std::string number, booked_by, title, location, organizer, attendees, group;
  SqlTimestamp start, end;
  std::optional<SqlTimestamp> time_booked;
  int booking_status = 0;
};

// "waiting for the next cycle" (1), "booked" (2), "cancellation requested"
// (3), "cancelled" (4), "being booked again" (5).
std::string BookingStatusText(int status);

class Bookings {
 public:
  Bookings(SqlConnection& db, const Installation& installation) : db_(db), installation_(installation) {}

  // Checks and writes one booking; returns its booking number. `members` are
  // the user rows of the active table; `now` stamps the booking number.
  Expected<std::string> Book(const BookingRequest& request, const std::string& visitor,
                             const PublishedState& state, const std::vector<MemberRow>& members,
                             const SqlTimestamp& now);

  // The booking's row; nullopt when no row has that number (a cancelled
  // booking is removed by the cycle that cancels it).
  Expected<std::optional<BookingInfo>> Find(const std::string& number);

  // Asks for the cancellation: status 3 for a booking at 1, 2 or 5. Only the
  // visitor who booked it, or one who may book into the organizer's calendar.
  Status Cancel(const std::string& number, const std::string& visitor, const PublishedState& state,
                const std::vector<MemberRow>& members);

 private:
  Status CheckRooms(const BookingRequest& request, const PublishedState& state);

  SqlConnection& db_;
  const Installation& installation_;
};

}  // namespace korvale::web
