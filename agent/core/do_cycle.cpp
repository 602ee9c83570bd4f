// The steps of one cycle, in their fixed order. Ending the cycle early means
// going on with the clean-up: releasing the mail objects, the end-of-cycle
// marker row, StoredProcEnd, the summary and closing the database.
#include <chrono>

#include "agent/booking/agent_bookings.h"
#include "agent/booking/calendar_rows/booked_during_scan.h"
#include "agent/booking/meetings/read_meetings_table.h"
#include "agent/core/booked_rows.h"
#include "agent/core/mapi_logon.h"
#include "agent/core/scan_groups.h"
#include "agent/core/temp_profile.h"
#include "agent/core/update_agent.h"
#include "agent/database/append_table.h"
#include "agent/database/db_report.h"
#include "agent/database/marker_rows.h"
#include "agent/database/prepare_database.h"
#include "agent/database/publication.h"
#include "agent/database/shared_table.h"
#include "agent/database/stored_procedures.h"
#include "platform/accounts/account_directory.h"

namespace korvale {

using mapi::FAILED;

int UpdateAgent::DoCycle() {
  const auto cycle_start = std::chrono::steady_clock::now();
  DatabasePreparation prep;
  MapiLogon logon;
  int result = 0;
  try {
    result = CycleSteps(prep, logon);
  } catch (...) {
    logger_.LogEvent(EventType::kWarning, event_id::kGeneral, "General Error doing cycle");
    result = 0;
  }
  // Once, whatever ended the steps: its own failure goes to the run-cycle wrapper.
  return FinishCycle(result, cycle_start, prep, logon);
}

// Steps 2 to 17. Returning ends the cycle: the clean-up follows in FinishCycle.
int UpdateAgent::CycleSteps(DatabasePreparation& prep, MapiLogon& logon) {
  int result = 1;
  LogBanner();                                                                           // 2
  ClearCycleState();                                                                     // 3
  if (settings_.recreate_mapi_profile != 0) DeleteTempProfile(instance_name_, logger_);  // 4
  if (FAILED(CreateTempProfile(settings_.logon_server, settings_.logon_mailbox, instance_name_,
                               settings_.msx2k, logger_))) {  // 5
    logger_.LogEvent(EventType::kWarning, event_id::kGeneral, "CreateTempProfile failed.");
    return result;
  }
  switch (LogOn(instance_name_, settings_, logger_, logon)) {  // 6
    case LogonOutcome::kLoggedOn: break;
    case LogonOutcome::kAddressBookFailed: return 0;
    case LogonOutcome::kFailed: return result;
  }
  Status prepared = PrepareDatabase(settings_, logger_, instance_name_, prep, env_.connector);  // 7
  if (prep.stop_requested) stop_flag_ = true;
  // A fault of the database ends the scan at once, like a stop, but as a failure.
  if (prep.database) prep.database->OnFault([this](const DatabaseFault&) { database_fault_ = true; });
  if (!prepared.ok() || !prep.database) return result;
  fill_table_ = prep.fill_table;
  fill_table_prepared_ = true;
  Database& db = *prep.database;
  OpenAccountDirectory();
  bookings_->Connect({&db, logon.session.get(), logon.address_book.get(), logon.manage_store.get(),
                      fill_table_, instance_name_});

  ScanGroups groups(settings_, logger_, *this, *logon.address_book);
  groups.BuildGroupArrays(membership_);                  // 8
  (void)MarkStaleRows(db, fill_table_, instance_name_);  // 9 (shared-table mode only)
  if (database_fault_) return 0;  // no booking is taken for a cycle that cannot publish

  const BookingCycle booking_cycle{instance_name_, LocalSystemTime(env_.now())};
  std::string published_table = ActiveTableFor(settings_, fill_table_);
  if (ReadMeetingsTable(db, booking_cycle, bookings_->list(), bookings_->numbers(),  // 10
                        bookings_->journal())) {
    auto scanner = MakeMailboxScanner(db, logon, prep);
    if (!groups.ScanAll(*scanner)) return 0;  // 11; event 114 ends the cycle
    // Only a scan that reached every mailbox has carried out every booking
    // taken; otherwise the journal keeps them for the next cycle.
    if (!StopFlag()) bookings_->FinishTakenBookings();
    if (!StopFlag() && groups.last_result() != mapi::MAPI_E_AMBIGUOUS_RECIP) {
      if (!AppendTable(db, fill_table_).ok()) return 0;               // 12
      (void)DeleteStaleRows(db, fill_table_, instance_name_);         // 13
      LocalWindow window = ScanWindow(settings_, booking_cycle.now);  // 14
      RowWriterContext writer{.db = db,
                              .settings = settings_,
                              .fill_table = fill_table_,
                              .instance_name = instance_name_,
                              .extra_columns = prep.optional_columns.column_name_list,
                              .window_start = window.start,
                              .window_end = window.end};
      BookedRowsToFillTable booked_rows(writer);
      AddRecordsBookedDuringScan(db, fill_table_, booking_cycle, prep.optional_columns.column_name_list,
                                 booked_rows);
      if (!PublishFillTable(db, fill_table_).ok()) return 0;  // 15
      published_table = fill_table_;
    }
  }
  if (!StopFlag() && !SendNotifications(&db, published_table)) result = 0;  // 16, 17
  return result;
}

bool UpdateAgent::SendNotifications(Database* db, const std::string& published_table) {
  bookings_->SendInboxNotifications();  // 16
  if (settings_.check_meeting_modifications == 0) return true;
  Status checked = bookings_->CheckMeetingModifications(  // 17
      published_table,
      [this](const std::string& mailbox) { return scan_state_.calendars_read.count(mailbox) > 0; });
  if (checked.ok()) return true;
  std::string text =
      checked.code() == kCheckDatabaseFailure
          ? "DoCycle - General Error reading / updating records. Database returned " + checked.message()
          : "DoCycle - General Error reading / updating records. Exception occured while "
            "reading database.";
  LogTableEvent(*db, event_id::kRecords, "Meetings", text);
  return false;
}

int UpdateAgent::FinishCycle(int result, std::chrono::steady_clock::time_point cycle_start,
                             DatabasePreparation& prep, MapiLogon& logon) {
  bookings_->Connect({});
  logon.Release();  // 19
  // After a lost connection nothing reaches the database any more.
  if (prep.database && prep.connection_opened && !prep.database->connection_lost()) {
    // Only into the table this cycle prepared, and not into one that failed.
    if (settings_.mb_cust_attr_book_meetings > 0 && fill_table_prepared_ && !prep.database->fault()) {  // 20
      (void)WriteCanBookMeetingsRow(*prep.database, fill_table_, scan_state_.booking_accounts,
                                    instance_name_);
    }
    (void)RunStoredProcEnd(*prep.database);  // 21
  }
  LogSummary(std::chrono::steady_clock::now() - cycle_start);  // 22, 23
  prep.database.reset();                                       // 24
  accounts_.reset();
  if (database_fault_) return 0;
  return stop_flag_ ? 1 : result;
}

void UpdateAgent::ClearCycleState() {
  database_fault_ = false;
  fill_table_prepared_ = false;
  membership_.Clear();
  scan_state_ = ScanCycleState{};
  bookings_->StartCycle();
}

void UpdateAgent::OpenAccountDirectory() {
  auto directory = env_.account_directory(settings_.logon_server);
  if (directory.ok()) {
    accounts_ = std::move(*directory);
    return;
  }
  logger_.LogEvent(EventType::kWarning, event_id::kGeneral,
                   "The Windows accounts of server " + settings_.logon_server +
                       " cannot be read; calendar permissions name only everybody (Korvale_Any), each "
                       "other member is reported and left out. " +
                       directory.status().message());
  // The permission tables are still read: a default entry needs no account,
  // and each member that cannot be resolved is reported on its own.
  accounts_ = accounts::UnreadableAccountDirectory(directory.status().message());
}

}  // namespace korvale
