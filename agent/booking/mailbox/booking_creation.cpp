// Creating the appointment of a new or re-booked booking in one mailbox: a
// meeting with its request sent to the attendees, or a plain appointment.
#include "agent/booking/mailbox/book_into_mailbox.h"
#include "agent/booking/mailbox/meeting_identifiers.h"
#include "agent/booking/mailbox/meeting_recipients.h"
#include "agent/booking/meetings/booking_values.h"
#include "agent/database/db_report.h"
#include "agent/database/schema.h"
#include "platform/tz/tz.h"

namespace korvale {

using namespace mapi;

namespace {

// Universal start and end of the appointment.
struct UtcSpan {
  FILETIME start = 0;
  FILETIME end = 0;
  bool all_day = false;
};

// The record's times are the mailbox's local times. A booking that ends at
// 23:59:00 means the whole day: it ends at the next midnight instead.
std::optional<UtcSpan> AppointmentSpan(const BookingRecord& record, const TIME_ZONE_INFORMATION& zone) {
  UtcSpan span;
  SYSTEMTIME end = record.end;
  if (end.wHour == 23 && end.wMinute == 59 && end.wSecond == 0) {
    end.wMilliseconds = 0;
    auto midnight = tz::AddMinutes(end, 1);
    if (!midnight) return std::nullopt;
    end = *midnight;
    span.all_day = true;
  }
  auto start = tz::SystemTimeToFileTime(tz::LocalToUniversal(zone, record.start));
  auto finish = tz::SystemTimeToFileTime(tz::LocalToUniversal(zone, end));
  if (!start || !finish) return std::nullopt;
  span.start = *start;
  span.end = *finish;
  return span;
}

// Collects values, leaving out named properties the store did not resolve.
class PropList {
 public:
  explicit PropList(const CalendarTags& tags) : tags_(tags) {}
  void Add(ULONG tag, PropVariant value) { values_.emplace_back(tag, std::move(value)); }
  void Named(size_t index, PropVariant value) {
    ULONG tag = tags_.Calendar(index);
    if (tag != PR_NULL) values_.emplace_back(tag, std::move(value));
  }
  const std::vector<SPropValue>& values() const { return values_; }

 private:
  const CalendarTags& tags_;
  std::vector<SPropValue> values_;
};

void AddAppointmentProps(PropList& props, const BookingWriter& writer, const BookingRecord& record,
                         const UtcSpan& span, const TIME_ZONE_INFORMATION& zone) {
  namespace cp = calendar_prop;
  props.Add(PR_MESSAGE_CLASS, std::string("IPM.Appointment"));
  props.Add(PR_SUBJECT, record.title);
  props.Add(PR_BODY, BookingText(writer.settings.appt_booked_by_text, record.booked_by, record.acl));
  props.Named(cp::kLocation, record.location);
  props.Named(cp::kBusyStatus, static_cast<int32_t>(record.busy_status));
  props.Named(cp::kBookingNumber, record.booking_number);
  props.Add(PR_START_DATE, SysTime{span.start});
  props.Add(PR_END_DATE, SysTime{span.end});
  props.Named(cp::kStart, SysTime{span.start});
  props.Named(cp::kEnd, SysTime{span.end});
  if (span.all_day) props.Named(cp::kAllDay, true);
  props.Named(cp::kPrivate, record.is_private);
  if (record.reminder_minutes == 0) {
    props.Named(cp::kReminderSet, false);
  } else {
    props.Named(cp::kReminderSet, true);
    props.Named(cp::kReminderMinutes, static_cast<int32_t>(record.reminder_minutes));
  }
  if (!record.category.empty()) {
    props.Named(cp::kKeywords, std::vector<std::string>{record.category});
  }
  props.Named(cp::kMeetingState, int32_t{0});
  props.Named(cp::kRecurring, false);
  const std::string zone_bytes = tz::TimeZoneStructToBytes(zone);
  props.Named(cp::kTimeZoneStruct, SBinary(zone_bytes.begin(), zone_bytes.end()));
}

void AddMeetingProps(PropList& props, const BookingWriter& writer, const BookingRecord& record) {
  namespace cp = calendar_prop;
  const FILETIME now = UtcNow(writer);
  MeetingIdentifiers ids = NewMeetingIdentifiers(now);
  props.Named(cp::kMeetingState, int32_t{1});
  props.Named(cp::kResponseStatus, int32_t{1});
  props.Add(PR_RESPONSE_REQUESTED, true);
  props.Add(PR_REPLY_REQUESTED, true);
  props.Named(cp::kGlobalObjectId, SBinary(ids.global));
  props.Named(cp::kCleanGlobalObjectId, SBinary(ids.clean));
  props.Add(PR_ICON_INDEX, int32_t{0x402});
  props.Add(PR_LAST_VERB_EXECUTED, int32_t{0x204});
  props.Add(PR_LAST_VERB_EXECUTION_TIME, SysTime{now});
  props.Named(cp::kInvitationsSent, true);
  props.Named(cp::kRecurring, false);
  if (!record.organizer.empty()) props.Add(PR_SENT_REPRESENTING_NAME, record.organizer);
}

// Later values of the same tag win: the meeting values replace the
// appointment's defaults (meeting state 0, recurring false).
std::vector<SPropValue> LastValuePerTag(const std::vector<SPropValue>& values) {
  std::vector<SPropValue> unique;
  for (const SPropValue& v : values) {
    if (SPropValue* old = PpropFindProp(unique, v.ulPropTag)) {
      *old = v;
    } else {
      unique.push_back(v);
    }
  }
  return unique;
}

// A re-created appointment has a new entry identifier: the rows that named
// the old one (column ACLw) are pointed at it.
HRESULT UpdateChangedEntryId(BookingWriter& writer, IMessage& appointment, const BookingRecord& record) {
  std::vector<SPropValue> values;
  SPropTagArray tags{PR_ENTRYID};
  HRESULT hr = appointment.GetProps(&tags, 0, &values);
  const SBinary* id = values.empty() ? nullptr : values[0].Binary();
  if (FAILED(hr) || !id) {
    hr = FAILED(hr) ? hr : (values.empty() ? MAPI_E_NOT_FOUND : values[0].ErrorCode());
    WarnBooking(writer, "Getting new ENTRYID of modified appointment failed with Code = " + HResultHex(hr));
    return hr;
  }
  const Dialect dialect = writer.db.dialect();
  const std::string sql = "UPDATE Meetings SET ACLw = '" + QuoteWholeForSql(HexFromBin(*id), dialect) +
                          "' WHERE (ACLw LIKE '%" + QuoteWholeForSql(record.entry_id, dialect) + "%')";
  auto done = writer.db.Execute(sql);
  if (!done.ok()) {
    LogTableEvent(writer.db, event_id::kFillTableStatement, kMeetingsTable,
                  WithStatement(ErrorText(done.error()), sql));
  }
  return S_OK;
}

// The request the attendees receive: a copy of the appointment with the
// request's own state, response and busy values.
HRESULT SendMeetingRequest(BookingWriter& writer, const MailboxBookingTarget& mailbox,
                           IMessage& appointment) {
  namespace cp = calendar_prop;
  const CalendarTags& tags = mailbox.tags;
  std::shared_ptr<IMessage> request;
  HRESULT hr = mailbox.calendar.CreateMessage(nullptr, 0, &request);
  if (FAILED(hr) || !request) {
    hr = FAILED(hr) ? hr : MAPI_E_NOT_FOUND;
    WarnBooking(writer, "CreateMessage for MtgReqMsg failed with Code = " + HResultHex(hr));
    return hr;
  }
  SPropTagArray excluded;
  for (size_t index : {cp::kMeetingState, cp::kBusyStatus, cp::kResponseStatus}) {
    if (tags.Calendar(index) != PR_NULL) excluded.push_back(tags.Calendar(index));
  }
  if (hr = appointment.CopyTo(&excluded, IID_IMessage, request.get(), 0, nullptr); FAILED(hr)) {
    WarnBooking(writer, "Copying msg to MtgReqMsg failed with Code = " + HResultHex(hr));
    return hr;
  }
  PropList props(tags);
  props.Add(PR_MESSAGE_CLASS, std::string("IPM.Schedule.Meeting.Request"));
  props.Named(cp::kMeetingState, int32_t{3});
  props.Named(cp::kResponseStatus, int32_t{5});
  props.Add(PR_RECIPIENT_REASSIGNMENT_PROHIBITED, false);
  props.Add(PR_DELETE_AFTER_SUBMIT, true);
  props.Named(cp::kBusyStatus, int32_t{1});
  if (hr = request->SetProps(props.values(), nullptr); FAILED(hr)) {
    WarnBooking(writer, "SetProps for MtgReqMsg failed with Code = " + HResultHex(hr));
    return hr;
  }
  if (hr = request->SubmitMessage(0); FAILED(hr)) {
    WarnBooking(writer, "SubmitMessage failed with Code = " + HResultHex(hr));
    return hr;
  }
  return S_OK;
}

}  // namespace

HRESULT CreateBookedAppointment(BookingWriter& writer, const MailboxBookingTarget& mailbox, size_t position) {
  const BookingRecord record = writer.bookings.at(position);
  const bool meeting = IsMeeting(record);

  std::shared_ptr<IMessage> appointment;
  HRESULT hr = mailbox.calendar.CreateMessage(nullptr, 0, &appointment);
  if (FAILED(hr) || !appointment) {
    hr = FAILED(hr) ? hr : MAPI_E_NOT_FOUND;
    WarnBooking(writer, "CreateMessage for new meeting failed with Code = " + HResultHex(hr));
    return hr;
  }
  const char* set_props_text =
      meeting ? "SetProps for new appt failed with Code = " : "SetProps failed with Code = ";
  std::optional<UtcSpan> span = AppointmentSpan(record, mailbox.zone);
  if (!span) {
    // A date the calendar cannot hold; the store would refuse it the same way.
    WarnBooking(writer, set_props_text + HResultHex(MAPI_E_INVALID_PARAMETER));
    return MAPI_E_INVALID_PARAMETER;
  }
  PropList props(mailbox.tags);
  AddAppointmentProps(props, writer, record, *span, mailbox.zone);

  ADRLIST recipients;
  if (meeting) {
    recipients = MeetingRecipientList(record.recipients);
    ResolveMeetingRecipients(writer, recipients);
    AddMeetingProps(props, writer, record);
  }
  if (hr = appointment->SetProps(LastValuePerTag(props.values()), nullptr); FAILED(hr)) {
    WarnBooking(writer, set_props_text + HResultHex(hr));
    return hr;
  }
  if (meeting) {
    if (hr = appointment->ModifyRecipients(MODRECIP_ADD, recipients); FAILED(hr)) {
      WarnBooking(writer, "ModifyRecipients failed with Code = " + HResultHex(hr));
      return hr;
    }
  }
  if (hr = appointment->SaveChanges(KEEP_OPEN_READWRITE); FAILED(hr)) {
    WarnBooking(writer, "SaveChanges failed with Code = " + HResultHex(hr));
    return hr;
  }
  // Every re-created appointment that replaces a known one gets its new
  // identifier recorded, meeting or not: a later cancellation by identifier
  // would otherwise find nothing to delete.
  if (record.booking_status == 5 && !record.entry_id.empty()) {
    if (hr = UpdateChangedEntryId(writer, *appointment, record); FAILED(hr)) return hr;
  }
  if (meeting) {
    if (hr = SendMeetingRequest(writer, mailbox, *appointment); FAILED(hr)) return hr;
  }
  if (NotifiesMailbox(writer.settings, mailbox.mailbox_name)) {
    QueueBookingNotification(writer.notifications, writer.settings, writer.bookings, record,
                             mailbox.mailbox_name, OwnerEntryId(writer, mailbox.mailbox_name));
  }
  return S_OK;
}

}  // namespace korvale
