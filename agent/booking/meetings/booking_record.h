// The booking records taken from table Meetings for one run of the agent, and
// the booking numbers that exist there. ReadMeetingsTable fills both; the
// mailbox scan reads the numbers to recognise booked appointments, and the
// booking writer reads and replaces records while it applies them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "platform/tz/tz_types.h"

namespace korvale {

// One processed row of Meetings, in the field order the booking writer expects.
struct BookingRecord {
  std::string organizer;   // empty for a "no invitation" booking
  std::string recipients;  // attendees, personal-group members, or DL + "//"
  std::string booked_by;
  SYSTEMTIME start;
  SYSTEMTIME end;
  std::string title;
  std::string location;
  uint32_t reminder_minutes = 0;
  int busy_status = 0;
  std::string acl;  // the booking history as read, before this cycle's text
  std::string category;
  bool personal_group = false;  // recipients came from table Groups
  bool attendees = false;       // recipients are the attendees list
  bool no_invitation = false;
  int booking_status = 0;  // as read: 1, 3, 4 or 5
  bool is_private = false;
  std::string booking_number;  // Office; "$$nMMtg$$" inside marks a non-modifiable meeting
  std::string entry_id;        // ACLw: hexadecimal entry identifier of a changed appointment
  // Set by a deletion: the mailbox it removed the appointment from. The change
  // mail names it as the earlier version's booker; booked_by stays the
  // booking user, whom every later deletion mail names.
  std::string deleted_in;
  // The booking journal's entry of the record; empty when taken without one.
  std::string journal_entry;
};

// The booking list: records in reading order, addressed by position.
class BookingList {
 public:
  void Clear() { records_.clear(); }
  void Append(BookingRecord record) { records_.push_back(std::move(record)); }
  size_t size() const { return records_.size(); }
  bool empty() const { return records_.empty(); }
  // Position must be below size().
  const BookingRecord& at(size_t position) const { return records_.at(position); }
  // Replaces the record at a position; false (nothing changed) when there is none.
  bool Replace(size_t position, BookingRecord record);
  const std::vector<BookingRecord>& records() const { return records_; }

 private:
  std::vector<BookingRecord> records_;
};

// Booking numbers without duplicates (exact comparison), in reading order.
class BookingNumberList {
 public:
  void Clear();
  // Appends a number not yet held; false when it was already there.
  bool Add(std::string_view number);
  bool Contains(std::string_view number) const;
  size_t size() const { return numbers_.size(); }
  const std::string& at(size_t position) const { return numbers_.at(position); }
  const std::vector<std::string>& numbers() const { return numbers_; }

 private:
  std::vector<std::string> numbers_;
  std::unordered_set<std::string> seen_;
};

}  // namespace korvale
