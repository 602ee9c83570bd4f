// Choosing the records that concern a mailbox and applying them.
#include "agent/booking/mailbox/book_into_mailbox.h"

#include <chrono>

namespace korvale {

using namespace mapi;

namespace {

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// Whether to make the record's appointment in the mailbox now. It is marked
// before it is made; a mark of an earlier run means it was made unless that
// run ended before saving it, which the calendar tells.
bool StartCreation(BookingWriter& writer, const MailboxBookingTarget& mailbox, const BookingRecord& record) {
  if (!writer.progress) return true;
  if (writer.progress->ReachedEarlier(record, mailbox.mailbox_name)) {
    return !CalendarHoldsBooking(mailbox, record.booking_number);
  }
  // Without its mark a later cycle could not know it was made: it waits for that cycle.
  return writer.progress->Remember(record, mailbox.mailbox_name);
}

}  // namespace

bool CalendarHoldsBooking(const MailboxBookingTarget& mailbox, const std::string& booking_number) {
  const ULONG booking_tag = mailbox.tags.Calendar(calendar_prop::kBookingNumber);
  if (booking_tag == PR_NULL) return false;
  std::shared_ptr<IMAPITable> contents;
  if (FAILED(mailbox.calendar.GetContentsTable(0, &contents)) || !contents) return false;
  SRestriction restriction = RestrictProperty(RELOP_EQ, booking_tag, {booking_tag, booking_number});
  const SPropTagArray columns{PR_ENTRYID};
  SRowSet rows;
  if (FAILED(HrQueryAllRows(contents.get(), &columns, &restriction, nullptr, 0, &rows))) return false;
  return !rows.aRow.empty();
}

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
        case 5:
          if (!StartCreation(writer, mailbox, record)) continue;
          hr = CreateBookedAppointment(writer, mailbox, i);
          break;
        case 3:
        case 4:
          if (writer.progress && writer.progress->ReachedEarlier(record, mailbox.mailbox_name)) continue;
          hr = DeleteBookedAppointments(writer, mailbox, i);
          // Marked once done: repeating a deletion that was not marked finds nothing.
          if (writer.progress) writer.progress->Remember(writer.bookings.at(i), mailbox.mailbox_name);
          break;
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
