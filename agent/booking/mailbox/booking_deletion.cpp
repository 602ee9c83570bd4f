// Deleting the appointments of a cancelled booking from one mailbox, with
// cancellations to the attendees of a meeting.
#include "agent/booking/mailbox/book_into_mailbox.h"
#include "platform/tz/tz.h"

namespace korvale {

using namespace mapi;

namespace {

// One appointment found for the booking.
struct FoundAppointment {
  ENTRYID entry_id;
  std::optional<SYSTEMTIME> start;  // local time of the mailbox
  std::optional<SYSTEMTIME> end;
  std::string subject;
  std::string categories;  // joined with ", "
};

std::optional<SYSTEMTIME> LocalTime(const SPropValue& value, const TIME_ZONE_INFORMATION& zone) {
  const SysTime* utc = value.FileTime();
  if (!utc) return std::nullopt;
  return tz::SystemTimeToTzSpecificLocalTime(zone, tz::FileTimeToSystemTime(utc->ft));
}

std::string Joined(const SPropValue& value) {
  std::string text;
  if (const auto* list = value.MVString()) {
    for (const std::string& item : *list) text += (text.empty() ? "" : ", ") + item;
  } else if (const std::string* single = value.String()) {
    text = *single;
  }
  return text;
}

std::string DateOrUndetermined(const std::optional<SYSTEMTIME>& time) {
  return time ? NotificationDate(*time) : std::string(kUndeterminedDate);
}

// The attendees get a copy of the appointment as a cancellation.
HRESULT SendCancellation(BookingWriter& writer, const MailboxBookingTarget& mailbox,
                         const ENTRYID& entry_id) {
  const CalendarTags& tags = mailbox.tags;
  ULONG type = 0;
  std::shared_ptr<IUnknown> object;
  HRESULT hr = mailbox.calendar.OpenEntry(entry_id, nullptr, MAPI_BEST_ACCESS, &type, &object);
  auto appointment = mapi_cast<IMessage>(object);
  if (FAILED(hr) || !appointment) {
    hr = FAILED(hr) ? hr : MAPI_E_NOT_FOUND;
    WarnBooking(writer,
                "OpenEntry for delete Message in CalendarFolder failed with Code = " + HResultHex(hr));
    return hr;
  }
  std::shared_ptr<IMessage> cancellation;
  hr = mailbox.calendar.CreateMessage(nullptr, 0, &cancellation);
  if (FAILED(hr) || !cancellation) {
    hr = FAILED(hr) ? hr : MAPI_E_NOT_FOUND;
    WarnBooking(writer, "CreateMessage for MtgDelReqMsg failed with Code = " + HResultHex(hr));
    return hr;
  }
  if (hr = appointment->CopyTo(nullptr, IID_IMessage, cancellation.get(), 0, nullptr); FAILED(hr)) {
    WarnBooking(writer, "Copying msg to MtgDelReqMsg failed with Code = " + HResultHex(hr));
    return hr;
  }
  std::vector<SPropValue> props{{PR_MESSAGE_CLASS, std::string("IPM.Schedule.Meeting.Canceled")},
                                {PR_DELETE_AFTER_SUBMIT, true}};
  if (ULONG state = tags.Calendar(calendar_prop::kMeetingState); state != PR_NULL) {
    props.emplace_back(state, int32_t{7});
  }
  if (ULONG busy = tags.Calendar(calendar_prop::kBusyStatus); busy != PR_NULL) {
    props.emplace_back(busy, int32_t{0});
  }
  if (hr = cancellation->SetProps(props, nullptr); FAILED(hr)) {
    WarnBooking(writer, "SetProps for MtgDelReqMsg failed with Code = " + HResultHex(hr));
    return hr;
  }
  if (hr = cancellation->SubmitMessage(0); FAILED(hr)) {
    WarnBooking(writer, "SubmitMessage failed with Code = " + HResultHex(hr));
    return hr;
  }
  return S_OK;
}

// The appointments of the mailbox's calendar that carry the booking: by entry
// identifier when the booking names one, else by booking number. `found`
// stays empty (with S_OK) when the calendar cannot hold the number at all.
HRESULT FindBookedAppointments(BookingWriter& writer, const MailboxBookingTarget& mailbox,
                               const BookingRecord& record, std::vector<FoundAppointment>& found) {
  const CalendarTags& tags = mailbox.tags;
  const ULONG booking_tag = tags.Calendar(calendar_prop::kBookingNumber);
  std::shared_ptr<IMAPITable> contents;
  HRESULT hr = mailbox.calendar.GetContentsTable(0, &contents);
  if (FAILED(hr) || !contents) {
    hr = FAILED(hr) ? hr : MAPI_E_NOT_FOUND;
    WarnBooking(writer, "GetContentsTable failed with Code = " + HResultHex(hr));
    return hr;
  }
  SRestriction restriction;
  if (record.entry_id.empty()) {
    // Without the named property no appointment can carry the number.
    if (booking_tag == PR_NULL) return S_OK;
    restriction = RestrictProperty(RELOP_EQ, booking_tag, {booking_tag, record.booking_number});
  } else {
    ENTRYID wanted;
    if (!FBinFromHex(record.entry_id, &wanted)) {
      WarnBooking(writer,
                  "AllocBuffer for FBinFromHex failed with Code = " + HResultHex(MAPI_E_INVALID_PARAMETER));
      return MAPI_E_INVALID_PARAMETER;
    }
    restriction = RestrictProperty(RELOP_EQ, PR_ENTRYID, {PR_ENTRYID, wanted});
  }
  const SPropTagArray columns{PR_ENTRYID, tags.Calendar(calendar_prop::kStart),
                              tags.Calendar(calendar_prop::kEnd), tags.Calendar(calendar_prop::kKeywords),
                              PR_SUBJECT};
  SRowSet rows;
  hr = HrQueryAllRows(contents.get(), &columns, &restriction, nullptr, 0, &rows);
  if (FAILED(hr)) {
    WarnBooking(writer, "HrQueryAllRows for DeleteRows failed with Code = " + HResultHex(hr));
    return hr;
  }
  for (const SRow& row : rows.aRow) {
    if (row.cValues() < columns.size() || !row[0].Binary()) continue;
    FoundAppointment a;
    a.entry_id = *row[0].Binary();
    a.start = LocalTime(row[1], mailbox.zone);
    a.end = LocalTime(row[2], mailbox.zone);
    a.categories = Joined(row[3]);
    if (const std::string* subject = row[4].String()) a.subject = *subject;
    found.push_back(std::move(a));
  }
  return S_OK;
}

// Keeps what is deleted in the booking list (a change mail later in the cycle
// describes the earlier version with it), queues the owner's notification and
// reports the deletion.
void RecordDeletion(BookingWriter& writer, const MailboxBookingTarget& mailbox, const BookingRecord& record,
                    size_t position, const FoundAppointment& a) {
  BookingRecord as_deleted = record;
  if (a.start) as_deleted.start = *a.start;
  if (a.end) as_deleted.end = *a.end;
  as_deleted.title = a.subject;
  as_deleted.category = a.categories;
  as_deleted.deleted_in = mailbox.mailbox_name;
  writer.bookings.Replace(position, std::move(as_deleted));

  const std::string start = DateOrUndetermined(a.start);
  const std::string end = DateOrUndetermined(a.end);
  if (record.booking_status == 3 && NotifiesMailbox(writer.settings, mailbox.mailbox_name)) {
    QueueDeletionNotification(writer.notifications, writer.settings,
                              {start, end, a.subject, a.categories, record.booked_by}, mailbox.mailbox_name,
                              OwnerEntryId(writer, mailbox.mailbox_name));
  }
  WarnBooking(writer, "Deleting the following meeting in mailbox " + mailbox.mailbox_name +
                          ":\r\nSubject: " + a.subject + "\r\nStart: " + start + "\r\nEnd: " + end +
                          "\r\nCategory: " + a.categories + "\r\nKRVBookingNumber: " + record.booking_number +
                          "\r\nBookingStatus: " + std::to_string(record.booking_status));
}

}  // namespace

HRESULT DeleteBookedAppointments(BookingWriter& writer, const MailboxBookingTarget& mailbox,
                                 size_t position) {
  const BookingRecord record = writer.bookings.at(position);
  std::vector<FoundAppointment> found;
  HRESULT hr = FindBookedAppointments(writer, mailbox, record, found);
  if (FAILED(hr)) return hr;

  // A cancellation that cannot be sent has been reported; the appointment is
  // deleted all the same, or the cancelled meeting would stay for good.
  HRESULT result = S_OK;
  if (IsMeeting(record)) {
    for (const FoundAppointment& a : found) {
      if (hr = SendCancellation(writer, mailbox, a.entry_id); FAILED(hr)) result = hr;
    }
  }
  std::vector<ENTRYID> deleted;
  for (const FoundAppointment& a : found) {
    RecordDeletion(writer, mailbox, record, position, a);
    deleted.push_back(a.entry_id);
  }
  if (deleted.empty()) return result;
  if (hr = mailbox.calendar.DeleteMessages(deleted, 0); FAILED(hr)) {
    WarnBooking(writer, "DeleteMessages failed with Code = " + HResultHex(hr));
    return hr;
  }
  return result;
}

}  // namespace korvale
