// AddRecordsBookedDuringScan: calendar rows for bookings newer than the scan.
#include "agent/booking/calendar_rows/booked_during_scan.h"

#include "agent/booking/calendar_rows/booked_row_defaults.h"
#include "agent/booking/meetings/booking_values.h"
#include "agent/booking/meetings/meetings_row.h"
#include "agent/booking/meetings/meetings_statements.h"

namespace korvale {
namespace {

constexpr std::string_view kFailed = "General Error reading / adding records booked during scan";

void ReportFailure(Database& db, std::string_view detail) {
  std::string message(kFailed);
  if (!detail.empty()) message += "\r\n" + std::string(detail);
  db.log().LogEvent(EventType::kError, event_id::kRecords, "Meetings", db.settings().db, message);
}

class BookedRowsCopier {
 public:
  BookedRowsCopier(Database& db, std::string_view fill_table, std::string_view extra_column_list,
                   BookedRowWriter& writer)
      : db_(db), dialect_(db.dialect()), fill_table_(fill_table), writer_(writer) {
    const AgentSettings& settings = db.settings();
    custom_values_ = CustomFieldDefaults(settings.custom_field_names, settings.custom_field_types, dialect_);
    extra_values_ = ExtraColumnDefaults(extra_column_list, dialect_);
  }

  // False at the first failure, with what went wrong in failure_detail().
  bool CopyAll(const MeetingsScope& scope) {
    auto rows = db_.Query(SelectNewBookings(scope));
    if (!rows.ok()) return Fail(rows.error());
    for (const SqlRow& sql_row : *rows) {
      auto row = ReadMeetingsRow(sql_row, dialect_);
      if (!row.ok()) {
        // Reported on its own; the other new bookings still reach the table.
        ReportFailure(db_, row.status().message());
        continue;
      }
      std::string mailboxes = row->attendees;
      if (!row->organizer.empty()) mailboxes += "; " + row->organizer;
      for (const std::string& mailbox : SplitMailboxList(mailboxes)) {
        if (!WriteFor(mailbox, *row)) return false;
      }
    }
    return true;
  }

  const std::string& failure_detail() const { return failure_detail_; }

 private:
  bool Fail(const SqlError& error) {
    failure_detail_ = StripLineFeeds(error.text);
    return false;
  }

  std::string Q(std::string_view value, int max_len) const { return QuoteForSql(value, max_len, dialect_); }

  bool WriteFor(const std::string& mailbox, const MeetingsRow& booking) {
    auto user = db_.QueryFirst(SelectUserRow(fill_table_, mailbox, dialect_));
    if (!user.ok()) return Fail(user.error());

    BookedAppointmentRow out;
    out.mailbox = Q(mailbox, 50);
    out.start = booking.start;
    out.end = booking.end;
    out.title = Q(booking.title, 250);
    out.status = static_cast<uint32_t>(booking.status);
    out.location = booking.location;
    out.category = Q(booking.category, 50);
    out.organizer = Q(booking.organizer, 50);
    out.attendees = Q(booking.attendees, 1024);
    out.dl = Q(booking.dl, 250);
    out.acl = Q(booking.acl, 1024);
    if (user->has_value()) {
      const SqlRow& u = **user;
      out.phone = Q(u.Text("Phone").value_or(""), 50);
      out.datasource = Q(u.Text("Datasource").value_or(""), 50);
      out.time_difference = u.Double("TimeDifference").value_or(0.0);
      out.alias = Q(u.Text("Alias").value_or(""), 50);
      out.department = Q(u.Text("Department").value_or(""), 50);
      out.reserved3 = Q(u.Text("Reserved3").value_or(""), 50);
    }
    out.custom_values = custom_values_;
    out.extra_values = extra_values_;
    out.booking_number = Q(booking.office, 250);
    out.aclw = Q(booking.aclw, 1024);
    writer_.Write(out);
    return true;
  }

  Database& db_;
  Dialect dialect_;
  std::string fill_table_;
  BookedRowWriter& writer_;
  std::vector<std::string> custom_values_;
  std::string extra_values_;
  std::string failure_detail_;
};

}  // namespace

void AddRecordsBookedDuringScan(Database& db, std::string_view fill_table, const BookingCycle& cycle,
                                std::string_view extra_column_list, BookedRowWriter& writer) {
  std::string detail;
  try {
    MeetingsScope scope;
    scope.dialect = db.dialect();
    scope.date_format = db.settings().date_literal_format;
    scope.shared = SharedTableMode(db.settings());
    scope.instance_name = cycle.instance_name;
    BookedRowsCopier copier(db, fill_table, extra_column_list, writer);
    if (copier.CopyAll(scope)) return;
    detail = copier.failure_detail();
  } catch (...) {
  }
  ReportFailure(db, detail);
}

}  // namespace korvale
