// The booking journal: what the agent has taken from table Meetings and not
// yet carried out in every mailbox, kept in the calendar database so that it
// outlives a cycle that ends early (a stop request, a failed step, the
// process killed).
//
// The web pages see the statuses as always: a booking goes to 2 (a
// cancellation to 4 and is removed) when the agent takes it. In the same
// transaction the agent writes the booking record into table
// KRVBookingJournal. While the scan applies the record, one mark per mailbox
// says where it has been applied. A cycle whose scan reached every mailbox
// deletes the journal; otherwise the next cycle loads the records again and
// applies them only where no mark says they were. So every booking taken is
// carried out, and none twice:
//   - a new appointment is marked before it is made; a mark left by a run
//     that ended between marking and saving is checked against the calendar
//     (an appointment with the booking number there means it was made);
//   - a deletion is marked after it is done; repeating one that was done but
//     not marked finds nothing left to delete.
// A mark that cannot be written keeps the journal for the next cycle; a new
// appointment whose mark cannot be written is not made now.
//
//   BookingJournal journal(db, instance, "20240610120000-4711");
//   journal.Load(bookings);                 // before the pending rows are taken
//   journal.Record(record);                 // inside the per-row transaction
//   BookingWriter{..., &journal};           // the scan marks the mailboxes
//   if (scan_reached_every_mailbox) journal.Finish();
#pragma once

#include <string>
#include <unordered_set>

#include "agent/booking/mailbox/book_into_mailbox.h"
#include "agent/booking/meetings/booking_record.h"
#include "agent/database/database.h"

namespace korvale {

inline constexpr char kBookingJournalTable[] = "KRVBookingJournal";

// The record as one line of text and back; nullopt for a text that is not one.
std::string EncodeBookingRecord(const BookingRecord& record);
std::optional<BookingRecord> DecodeBookingRecord(std::string_view text);

class BookingJournal : public BookingProgress {
 public:
  // run_id: unique for this run of the agent; entries are ordered by it.
  BookingJournal(Database& db, std::string instance_name, std::string run_id);

  // Appends the records earlier runs took and did not finish, in the order
  // they were taken, and remembers the mailboxes they reached. Creates the
  // table when it is missing. False (reported, warning 137) when the journal
  // cannot be used; the cycle then goes on without one.
  bool Load(BookingList& bookings);
  bool usable() const { return usable_; }

  // A pending row that a loaded record already took: a run that ended before
  // the row reached its final status (a cancellation still at 4 before its
  // removal, a re-booking still at 5 before the bulk update) left it pending.
  bool AlreadyTaken(const BookingRecord& record) const;

  // Writes the record under a new entry, which it keeps in journal_entry. The
  // caller runs it in the transaction of the row's status change.
  SqlResult<SqlDone> Record(BookingRecord& record);

  // BookingProgress
  bool ReachedEarlier(const BookingRecord& record, const std::string& mailbox) const override;
  bool Remember(const BookingRecord& record, const std::string& mailbox) override;

  // The scan reached every mailbox: the journal is emptied, unless a mark
  // could not be written in this run.
  void Finish();

 private:
  void Warn(const std::string& text);
  std::string InstanceCondition() const;

  Database& db_;
  std::string instance_name_;
  std::string run_id_;
  int next_ = 0;
  bool usable_ = false;
  bool mark_failed_ = false;
  std::vector<BookingRecord> loaded_;
  std::unordered_set<std::string> earlier_marks_;  // entry + "\n" + mailbox
};

}  // namespace korvale
