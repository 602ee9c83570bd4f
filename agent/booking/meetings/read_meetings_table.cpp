// ReadMeetingsTable: the BookingStatus state machine of table Meetings.
#include "agent/booking/meetings/read_meetings_table.h"

#include <cctype>
#include <optional>

#include "agent/booking/meetings/booking_journal.h"
#include "agent/booking/meetings/booking_values.h"
#include "agent/booking/meetings/meetings_statements.h"
#include "common/text.h"
#include "platform/tz/tz.h"

namespace korvale {
namespace {

constexpr std::string_view kTable = "Meetings";
constexpr std::string_view kSqlStatement = "\r\nSQL- statement:\r\n";
constexpr std::string_view kReadingFailed = "ReadMeetingsTable: General Error reading / updating records";

// A transaction around one row's status change and its journal entry, rolled
// back unless committed; without a journal the update runs on its own.
class MeetingsTransaction {
 public:
  MeetingsTransaction(Database& db, bool open) : db_(db) {
    open_ = open && db_.connection().BeginTransaction().ok();
  }
  ~MeetingsTransaction() {
    if (open_) (void)db_.connection().RollbackTransaction();
  }
  bool open() const { return open_; }
  SqlResult<SqlDone> Commit() {
    if (!open_) return SqlDone{};
    open_ = false;
    return db_.connection().CommitTransaction();
  }

 private:
  Database& db_;
  bool open_ = false;
};

class MeetingsReader {
 public:
  MeetingsReader(Database& db, const BookingCycle& cycle, BookingList& bookings, BookingJournal* journal)
      : db_(db), settings_(db.settings()), cycle_(cycle), bookings_(bookings), journal_(journal) {
    scope_.dialect = db.dialect();
    scope_.date_format = settings_.date_literal_format;
    scope_.shared = SharedTableMode(settings_);
    scope_.instance_name = cycle.instance_name;
  }

  const MeetingsScope& scope() const { return scope_; }

  void Report(EventType type, uint32_t id, std::string_view message) {
    db_.log().LogEvent(type, id, kTable, settings_.db, message);
  }

  // Reads, lists and advances the pending rows. False when anything failed;
  // the loop ends at a database error, as the connection may be gone.
  bool ProcessPendingRows() {
    bool ok = true;
    try {
      auto rows = db_.Query(SelectPendingMeetings(scope_));
      if (!rows.ok()) return false;
      for (const SqlRow& row : *rows) {
        RowOutcome outcome = ProcessRow(row);
        if (outcome == RowOutcome::kDatabaseError) return false;
        if (outcome == RowOutcome::kFailed) ok = false;
      }
    } catch (...) {
      Report(EventType::kError, event_id::kRecords, kReadingFailed);
      return false;
    }
    return ok;
  }

 private:
  enum class RowOutcome { kDone, kFailed, kDatabaseError };

  struct Recipients {
    std::string text;
    bool attendees = false;
    bool personal_group = false;
    std::string match_dl;  // the DL the scan groups are compared with
  };

  RowOutcome ProcessRow(const SqlRow& sql_row) {
    auto read = ReadMeetingsRow(sql_row, scope_.dialect);
    if (!read.ok()) {
      // One row a web page wrote badly must not hold up the others, nor the
      // scan: it is reported with its booking number and stays as it is.
      Report(EventType::kError, event_id::kRecords,
             std::string(kReadingFailed) + "\r\n" + read.status().message());
      return RowOutcome::kDone;
    }
    const MeetingsRow& row = *read;
    const bool no_invitation = IsNoInvitation(row.initials);

    Recipients recipients;
    recipients.match_dl = row.dl;
    if (no_invitation) {
      if (!row.attendees.empty()) {
        recipients.text = row.attendees;
        recipients.attendees = true;
      } else if (!row.dl.empty() && row.dl.front() == ')') {
        recipients.match_dl = row.dl.substr(1);
        auto group = db_.QueryFirst(SelectPersonalGroup(recipients.match_dl, row.name, scope_.dialect));
        if (!group.ok()) return RowOutcome::kDatabaseError;
        if (group->has_value()) {
          recipients.text = (*group)->Text("Members").value_or(std::string());
          recipients.personal_group = true;
          recipients.match_dl = row.dl;
        }
      }
    } else {
      recipients.text = row.attendees;
      recipients.attendees = true;
    }

    if (!MatchesScanGroup(recipients)) return RowOutcome::kDone;

    BookingRecord record;
    record.organizer = no_invitation ? std::string() : row.organizer;
    record.recipients =
        recipients.attendees || recipients.personal_group ? recipients.text : recipients.match_dl + "//";
    record.booked_by = row.name;
    record.start = row.start;
    record.end = row.end;
    record.title = row.title;
    record.location = row.location;
    Reminder reminder = ParseReminder(row.phone);
    record.reminder_minutes = reminder.minutes;
    record.is_private = reminder.is_private;
    record.busy_status = row.status;
    record.acl = row.acl;
    record.category = row.category;
    record.personal_group = recipients.personal_group;
    record.attendees = recipients.attendees;
    record.no_invitation = no_invitation;
    record.booking_status = row.booking_status;
    record.booking_number = row.office;
    record.entry_id = row.aclw;
    // A run that ended early took this row already; its record came from the journal.
    if (Journal() && journal_->AlreadyTaken(record)) return RowOutcome::kDone;

    MeetingsRowUpdate update;
    update.new_status = NextStatus(row.booking_status);
    update.time_booked = cycle_.now;
    update.booking_text = BookingText(settings_.appt_booked_by_text, row.name, row.acl);
    // The stored DL, also for a personal group without a Groups row: the
    // shortened name would match no row and the booking would be made again
    // in every cycle.
    update.dl = row.dl;
    return TakeRow(row, update, std::move(record));
  }

  bool MatchesScanGroup(const Recipients& recipients) const {
    if (settings_.group_names.empty()) return false;
    if (recipients.attendees || recipients.personal_group) return true;
    for (const std::string& group : settings_.group_names) {
      if (EqualsNoCase(group, recipients.match_dl)) return true;
    }
    return false;
  }

  static int NextStatus(int status) {
    if (status == 1) return 2;
    if (status == 3) return 4;
    return status;
  }

  BookingJournal* Journal() const { return journal_ && journal_->usable() ? journal_ : nullptr; }

  // The row's status change and its journal entry commit together, and the
  // record is listed only then: a booking is carried out exactly when the
  // agent took it. A row the update no longer finds (a web page changed it
  // since it was read) is not taken; it is read again in the next cycle.
  RowOutcome TakeRow(const MeetingsRow& row, const MeetingsRowUpdate& update, BookingRecord record) {
    // A new booking or a cancellation the update missed stays at 1 or 3 and
    // is read again. A row at 4 or 5 is taken all the same: the steps after
    // the loop remove it or set it to 2 whatever became of its update.
    const bool stays_pending = row.booking_status == 1 || row.booking_status == 3;
    std::string sql;
    try {
      sql = UpdateMeetingsRow(scope_, row, update);
      MeetingsTransaction transaction(db_, Journal() != nullptr);
      auto done = db_.Execute(sql);
      if (done.ok() && done->rows == 0 && stays_pending) return RowOutcome::kDone;
      if (done.ok() && Journal()) {
        auto recorded = journal_->Record(record);
        if (!recorded.ok()) {
          sql = "(the booking journal entry of booking " + row.office + ")";
          // Without a transaction the status change stands: the booking is
          // taken, only not journaled, and is carried out in this cycle.
          if (!transaction.open()) return Refused(recorded.error(), sql, std::move(record), true);
          done = recorded;
        }
      }
      if (done.ok()) done = transaction.Commit();
      if (done.ok()) {
        bookings_.Append(std::move(record));
        return RowOutcome::kDone;
      }
      return Refused(done.error(), sql, std::move(record), !stays_pending);
    } catch (...) {
      Report(EventType::kError, event_id::kFillTableStatement,
             "General Error" + std::string(kSqlStatement) + sql);
    }
    if (!stays_pending) bookings_.Append(std::move(record));
    return RowOutcome::kFailed;
  }

  // Reports a refused statement of taking a row; `taken`: listed all the same.
  RowOutcome Refused(const SqlError& error, const std::string& sql, BookingRecord record, bool taken) {
    Report(EventType::kWarning, event_id::kFillTableStatement,
           StripLineFeeds(error.text) + std::string(kSqlStatement) + sql);
    if (taken) bookings_.Append(std::move(record));
    return RowOutcome::kFailed;
  }

  Database& db_;
  const AgentSettings& settings_;
  const BookingCycle& cycle_;
  BookingList& bookings_;
  BookingJournal* journal_;
  MeetingsScope scope_;
};

// Runs one statement of the steps after the loop: a database error is warning
// 118 with the database's text, anything else error 121 with the step's text.
bool ExecuteStep(MeetingsReader& reader, Database& db, const std::string& sql,
                 std::string_view general_error) {
  try {
    auto done = db.Execute(sql);
    if (done.ok()) return true;
    reader.Report(EventType::kWarning, event_id::kKorvaleConfig, StripLineFeeds(done.error().text));
  } catch (...) {
    reader.Report(EventType::kError, event_id::kRecords, general_error);
  }
  return false;
}

bool CollectBookingNumbers(MeetingsReader& reader, Database& db, BookingNumberList& numbers) {
  try {
    auto rows = db.Query(SelectBookingNumbers(reader.scope()));
    if (!rows.ok()) return false;
    for (const SqlRow& row : *rows) {
      if (auto office = row.Text("Office")) numbers.Add(*office);
    }
    return true;
  } catch (...) {
    reader.Report(EventType::kError, event_id::kRecords, kReadingFailed);
    return false;
  }
}

}  // namespace

bool ReadMeetingsTable(Database& db, const BookingCycle& cycle, BookingList& bookings,
                       BookingNumberList& numbers, BookingJournal* journal) {
  bookings.Clear();
  numbers.Clear();
  // What earlier runs took and did not finish comes first, in its own order.
  if (journal) (void)journal->Load(bookings);
  MeetingsReader reader(db, cycle, bookings, journal);
  const AgentSettings& settings = db.settings();

  bool ok = reader.ProcessPendingRows();

  if (!ExecuteStep(reader, db, FinishRebookings(reader.scope()),
                   "General Error updating BookingStatus of records")) {
    ok = false;
  }

  const bool by_end_time = settings.days_past_meeting_endtime_delete_bookings >= 1;
  const int days =
      by_end_time ? settings.days_past_meeting_endtime_delete_bookings : settings.days_past_delete_bookings;
  auto cut_off = tz::AddMinutes(cycle.now, -static_cast<int64_t>(days) * 24 * 60);
  if (cut_off) {
    if (!ExecuteStep(reader, db, DeleteFinishedMeetings(reader.scope(), by_end_time, *cut_off),
                     "General Error deleting records")) {
      ok = false;
    }
  } else {
    reader.Report(EventType::kError, event_id::kRecords, "General Error deleting records");
    ok = false;
  }

  if (!CollectBookingNumbers(reader, db, numbers)) ok = false;
  return ok;
}

}  // namespace korvale
