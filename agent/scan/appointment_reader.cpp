// The appointment reader: one pass over the rows of a calendar folder, each
// item's values prepared once and written as one appointment row, or as the
// occurrences of its series.
#include "agent/scan/appointment_reader.h"

#include <stdexcept>

#include "agent/scan/booking_check.h"
#include "agent/scan/item_access.h"
#include "agent/scan/item_values.h"
#include "agent/scan/recurrence/pattern_reader.h"
#include "agent/scan/recurrence/recurrence_messages.h"
#include "agent/scan/recurring_item.h"
#include "agent/scan/row_writer.h"
#include "common/text.h"

namespace korvale {

using namespace mapi;
namespace mc = meeting_column;

namespace {

constexpr int kSubjectMax = 250;
constexpr int kNameMax = 50;
constexpr int kAttendeeMax = 1024;
constexpr int kBookingNumberMax = 250;
constexpr int32_t kCancelledMeeting = 7;

// An item whose row lacks what every item has; reported and skipped.
class BrokenItem : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

void Warn(AgentLog& log, const std::string& text) {
  log.LogEvent(EventType::kWarning, event_id::kGeneral, text);
}

std::optional<std::string_view> ZoneBytes(const ItemRow& row) {
  const SBinary* bytes = row.Binary(mc::kTimeZoneStruct);
  if (!bytes) return std::nullopt;
  return std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size());
}

class ItemReader {
 public:
  ItemReader(AppointmentReaderContext& ctx, const MailboxRowValues& mailbox, PassKind pass, const SRow& row)
      : ctx_(ctx),
        settings_(ctx.settings),
        mailbox_(mailbox),
        mailbox_name_(Unescaped(mailbox.name)),
        pass_(pass),
        row_(row),
        dialect_(ctx.db.dialect()) {}

  HRESULT Read();

 private:
  HRESULT ReadRecipientsOnce();
  void PrepareValues();
  void PrepareMeeting();
  void PrepareBookingNumber(const SBinary& entry_id, int32_t state);

  AppointmentReaderContext& ctx_;
  const AgentSettings& settings_;
  const MailboxRowValues& mailbox_;
  std::string mailbox_name_;
  PassKind pass_;
  ItemRow row_;
  Dialect dialect_;

  std::optional<OpenedItem> opened_;
  std::optional<std::vector<ItemRecipient>> recipients_;
  PreparedItem item_;
  std::string raw_categories_;
  std::string raw_organizer_;
  std::vector<std::string> attendee_names_;
  bool left_out_ = false;
};

HRESULT ItemReader::ReadRecipientsOnce() {
  if (recipients_) return S_OK;
  RecipientRead read = ReadRecipients(*opened_);
  if (read.failed != RecipientStep::kDone) {
    Warn(ctx_.log, RecipientFailureText(read));
    return read.hr;
  }
  recipients_ = std::move(read.recipients);
  return S_OK;
}

HRESULT ItemReader::Read() {
  const SBinary* entry_id = row_.Binary(mc::kEntryId);
  if (!entry_id || entry_id->empty()) throw BrokenItem("no entry identifier");
  opened_.emplace(ctx_.calendar, *entry_id);

  item_.private_item = IsPrivateItem(settings_, row_.Boolean(mc::kPrivate), row_.Long(mc::kSensitivity));
  item_.zone = recurrence::AppointmentZone(ZoneBytes(row_), ctx_.mailbox_zone);
  if (const std::optional<std::string_view> subject = row_.Text(mc::kSubject))
    item_.raw_subject = std::string(*subject);
  const std::optional<FILETIME> start = row_.Time(mc::kStart);
  const std::optional<FILETIME> end = row_.Time(mc::kEnd);
  if (!start || !end) throw BrokenItem("no start or end");
  const int32_t state = row_.Long(mc::kMeetingState).value_or(0);

  // One read of the recipient table serves the attendee columns and the meeting's attendees.
  if (NeedsRecipientColumns(ctx_.optional_columns) || state > 0) {
    if (const HRESULT hr = ReadRecipientsOnce(); FAILED(hr)) return hr;
  }

  MeetingRow& row = item_.row;
  for (size_t i = 0; i < settings_.custom_field_names.size(); ++i) {
    row.custom_field_values.push_back(
        CustomFieldLiteral(settings_, i, row_.At(ctx_.columns.custom_begin + i), dialect_, item_.zone));
  }
  const ExtraValueInput extra_input{
      settings_,  ctx_.optional_columns, ctx_.columns,       dialect_,
      item_.zone, mailbox_name_,         item_.private_item, recipients_ ? &*recipients_ : nullptr};
  item_.extra = BuildExtraValues(extra_input, row_);
  row.start = ToZoneTime(item_.zone, *start);
  row.end = ToZoneTime(item_.zone, *end);
  PrepareValues();
  if (state > 0) PrepareMeeting();
  if (settings_.skip_cancelled_meetings != 0 && state == kCancelledMeeting) left_out_ = true;
  if (CategoryFilterExcludes(settings_, mailbox_name_, raw_categories_, static_cast<int32_t>(row.status))) {
    left_out_ = true;
  }
  // Nothing further is written for an item that is left out.
  if (left_out_ || (item_.private_item && settings_.show_no_private != 0)) return S_OK;

  row.appt_id = settings_.table_mode == TableMode::kShared ? HexFromBin(*entry_id) : std::string();
  if (const SBinary* global_id = row_.Binary(mc::kGlobalObjectId))
    item_.global_object_id = HexFromBin(*global_id);
  PrepareBookingNumber(*entry_id, state);

  if (settings_.get_contact_company != 0) {
    std::optional<std::string> contact;
    const HRESULT hr = ReadContactName(*opened_, ctx_.tags.Calendar(calendar_prop::kContactName), &contact);
    if (FAILED(hr)) {
      Warn(ctx_.log, "OpenEntry for Message in CalendarFolder (for ContactCompany) failed with Code = " +
                         HResultHex(hr));
      return hr;
    }
    if (contact) row.contact_company = ReplaceAll("//" + *contact + "//", "//", "; ");
  }

  if (pass_ == PassKind::kRecurring) return ExpandRecurringItem(ctx_, mailbox_, row_, item_, *opened_);
  row.extra_values = item_.extra.ForSingle(dialect_);
  CheckAndAddMeeting(ctx_.writer, row);
  return S_OK;
}

// Location, subject, busy status, categories and the mailbox's own values.
void ItemReader::PrepareValues() {
  MeetingRow& row = item_.row;
  row.minimum_security = mailbox_.minimum_security != 0 || item_.private_item ? 1 : 0;
  row.name = mailbox_.name;
  row.location = std::string(row_.Text(mc::kLocation).value_or(""));
  if (mailbox_.minimum_security != 0) {
    row.subject.clear();
  } else if (item_.private_item) {
    row.subject = "private";
  } else {
    row.subject = QuoteForSql(item_.raw_subject.value_or(""), kSubjectMax, dialect_);
  }
  row.status = static_cast<uint32_t>(row_.Long(mc::kBusyStatus).value_or(2));
  if (const std::vector<std::string>* categories = row_.MultiText(mc::kCategories)) {
    raw_categories_ = SlashList(*categories);
  }
  if (settings_.no_category_for_min_security_users == 0 || mailbox_.minimum_security == 0) {
    row.category = QuoteForSql(raw_categories_, kNameMax, dialect_);
  }
  row.dl = mailbox_.dl;
  row.datasource = mailbox_.datasource;
  row.time_difference = mailbox_.time_difference;
  row.alias = mailbox_.alias;
  row.department = mailbox_.department;
  row.reserved3 = mailbox_.reserved3;
  row.acl = mailbox_.acl;
  row.aclw = mailbox_.aclw;
  row.phone = mailbox_.phone;
}

// Organizer and attendees of a meeting (state flags above 0).
void ItemReader::PrepareMeeting() {
  MeetingRow& row = item_.row;
  raw_organizer_ = std::string(row_.Text(mc::kOrganizer).value_or(""));
  if (settings_.no_organizer == 0) row.organizer = QuoteForSql(raw_organizer_, kNameMax, dialect_);
  if (!recipients_) return;
  std::string attendees;
  for (const ItemRecipient& recipient : *recipients_) {
    if (recipient.name.empty() || SameName(recipient.name, raw_organizer_) ||
        SameName(recipient.name, mailbox_name_)) {
      continue;
    }
    if (!attendees.empty()) attendees += "; ";
    attendees += recipient.name;
    attendee_names_.push_back(recipient.name);
  }
  row.attendees = QuoteForSql(attendees, kAttendeeMax, dialect_);
}

void ItemReader::PrepareBookingNumber(const SBinary& entry_id, int32_t state) {
  std::string number(row_.Text(mc::kBookingNumber).value_or(""));
  if (!number.empty() && ctx_.is_booking_number && ctx_.is_booking_number(number)) {
    BookedItemView view;
    view.start = item_.row.start;
    view.end = item_.row.end;
    view.subject = item_.raw_subject.value_or("");
    view.busy_status = static_cast<int32_t>(item_.row.status);
    view.location = item_.row.location;
    view.private_item = item_.private_item;
    view.categories = raw_categories_;
    view.organizer = raw_organizer_;
    view.attendees = attendee_names_;
    view.is_meeting = state > 0;
    view.mailbox_name = mailbox_name_;
    number = CheckBookingNumber(ctx_.db, ctx_.instance_name, number, view);
  }
  // A single appointment without a booking is identified by its entry.
  if (pass_ == PassKind::kSingle && number.empty()) number = HexFromBin(entry_id);
  if (item_.private_item) number.clear();
  item_.row.booking_number = QuoteForSql(number, kBookingNumberMax, dialect_);
}

std::string SubjectForReport(const SRow& row) {
  const std::optional<std::string_view> subject = ItemRow(row).Text(mc::kSubject);
  return std::string(subject && !subject->empty() ? *subject : recurrence::kUnknownSubject);
}

}  // namespace

HRESULT ReadAppointments(AppointmentReaderContext& ctx, const MailboxRowValues& mailbox, PassKind pass,
                         const SRowSet& rows) {
  for (const SRow& row : rows.aRow) {
    if (ctx.stop.StopFlag()) break;
    if (ctx.settings.time_log != 0 && ctx.message_counter != nullptr) ++*ctx.message_counter;
    try {
      ItemReader reader(ctx, mailbox, pass, row);
      const HRESULT hr = reader.Read();
      if (FAILED(hr)) return hr;
    } catch (...) {
      Warn(ctx.log, "Error while reading appointment '" + SubjectForReport(row) + "' in mailbox " +
                        Unescaped(mailbox.name) +
                        ". Some data of this appointment is errorneous. The service is skipping reading this "
                        "appointment");
    }
  }
  return S_OK;
}

}  // namespace korvale
