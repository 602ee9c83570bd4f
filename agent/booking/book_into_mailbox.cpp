// Choosing the records that concern a mailbox and applying them.
#include "agent/booking/book_into_mailbox.h"

#include <chrono>

namespace korvale {

using namespace mapi;

namespace {

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

}  // namespace

bool ConcernsMailbox(const BookingRecord& record, const std::string& mailbox_name,
                     const std::string& dl_value) {
  const std::string resource = "$R$" + mailbox_name + "$R$";
  auto names_mailbox = [&](const std::string& text) {
    return Contains(text, mailbox_name) || Contains(text, resource);
  };
  if (record.personal_group && names_mailbox(record.recipients)) return true;
  if (!record.recipients.empty() && Contains(dl_value, record.recipients)) return true;
  if (record.attendees &&
      (record.organizer.starts_with(mailbox_name) || record.organizer.starts_with(resource))) {
    return true;
  }
  return record.no_invitation && names_mailbox(record.recipients);
}

bool IsMeeting(const BookingRecord& record) {
  return !record.no_invitation && record.attendees && !record.recipients.empty();
}

void WarnBooking(BookingWriter& writer, const std::string& text) {
  writer.log.LogEvent(EventType::kWarning, event_id::kGeneral, text);
}

uint64_t UtcNow(const BookingWriter& writer) {
  if (writer.utc_now) return writer.utc_now();
  using namespace std::chrono;
  constexpr int64_t kUnixEpochIn100ns = 116444736000000000LL;
  auto since_epoch = duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
  return static_cast<uint64_t>(kUnixEpochIn100ns + since_epoch * 10);
}

std::string OwnerEntryId(const BookingWriter& writer, const std::string& mailbox_name) {
  return writer.owner_entry_id ? writer.owner_entry_id(mailbox_name) : std::string();
}

HRESULT BookIntoMailbox(BookingWriter& writer, const MailboxBookingTarget& mailbox) {
  try {
    HRESULT result = S_OK;
    for (size_t i = 0; i < writer.bookings.size(); ++i) {
      const BookingRecord& record = writer.bookings.at(i);
      if (!ConcernsMailbox(record, mailbox.mailbox_name, mailbox.dl_value)) continue;
      HRESULT hr = S_OK;
      switch (record.booking_status) {
        case 1:
        case 5: hr = CreateBookedAppointment(writer, mailbox, i); break;
        case 3:
        case 4: hr = DeleteBookedAppointments(writer, mailbox, i); break;
        default: break;
      }
      if (FAILED(hr)) result = hr;
    }
    return result;
  } catch (...) {
    // Whatever broke, the scan goes on with the mailbox; the report names it.
  }
  WarnBooking(writer, "General Error booking new appointments in mailbox " + mailbox.mailbox_name + ".");
  return E_FAIL;
}

}  // namespace korvale
