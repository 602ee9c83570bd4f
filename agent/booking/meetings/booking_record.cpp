// The booking list and the booking number list.
#include "agent/booking/meetings/booking_record.h"

namespace korvale {

bool BookingList::Replace(size_t position, BookingRecord record) {
  if (position >= records_.size()) return false;
  records_[position] = std::move(record);
  return true;
}

void BookingNumberList::Clear() {
  numbers_.clear();
  seen_.clear();
}

bool BookingNumberList::Add(std::string_view number) {
  auto [it, inserted] = seen_.emplace(number);
  if (!inserted) return false;
  numbers_.push_back(*it);
  return true;
}

bool BookingNumberList::Contains(std::string_view number) const {
  return seen_.find(std::string(number)) != seen_.end();
}

}  // namespace korvale
