// The steps of one cycle, in their fixed order. Ending the cycle early means
// going on with the clean-up: releasing the mail objects, the end-of-cycle
// marker row, StoredProcEnd, the summary and closing the database.
#include <chrono>

#include "agent/core/mapi_logon.h"
#include "agent/core/pending_steps.h"
#include "agent/core/scan_groups.h"
#include "agent/core/temp_profile.h"
#include "agent/core/update_agent.h"
#include "agent/database/append_table.h"
#include "agent/database/marker_rows.h"
#include "agent/database/prepare_database.h"
#include "agent/database/publication.h"
#include "agent/database/shared_table.h"
#include "agent/database/stored_procedures.h"

namespace korvale {

using mapi::FAILED;

int UpdateAgent::DoCycle() {
  int result = 1;
  const auto cycle_start = std::chrono::steady_clock::now();
  DatabasePreparation prep;
  MapiLogon logon;
  try {
    LogBanner();  // 2
    ClearCycleState();  // 3
    if (settings_.recreate_mapi_profile != 0) DeleteTempProfile(instance_name_, logger_);  // 4
    if (FAILED(CreateTempProfile(settings_.logon_server, settings_.logon_mailbox, instance_name_,
                                 settings_.msx2k, logger_))) {  // 5
      logger_.LogEvent(EventType::kWarning, event_id::kGeneral, "CreateTempProfile failed.");
      return FinishCycle(result, cycle_start, prep, logon);
    }
    switch (LogOn(instance_name_, settings_, logger_, logon)) {  // 6
      case LogonOutcome::kLoggedOn:
        break;
      case LogonOutcome::kAddressBookFailed:
        result = 0;
        [[fallthrough]];
      case LogonOutcome::kFailed:
        return FinishCycle(result, cycle_start, prep, logon);
    }
    Status prepared = PrepareDatabase(settings_, logger_, instance_name_, prep);  // 7
    if (prep.stop_requested) stop_flag_ = true;
    if (!prepared.ok() || !prep.database) return FinishCycle(result, cycle_start, prep, logon);
    fill_table_ = prep.fill_table;
    Database& db = *prep.database;

    ScanGroups groups(settings_, logger_, *this, *logon.address_book);
    groups.BuildGroupArrays(membership_);  // 8
    (void)MarkStaleRows(db, fill_table_, instance_name_);  // 9 (shared-table mode only)

    if (pending::ReadMeetingsTable()) {  // 10
      auto scanner = MakeMailboxScanner(db, logon, prep);
      if (!groups.ScanAll(*scanner)) {  // 11
        result = 0;
      } else if (!stop_flag_ && groups.last_result() != mapi::MAPI_E_AMBIGUOUS_RECIP) {
        if (!AppendTable(db, fill_table_).ok()) {  // 12
          result = 0;
          return FinishCycle(result, cycle_start, prep, logon);
        }
        (void)DeleteStaleRows(db, fill_table_, instance_name_);  // 13
        pending::AddRecordsBookedDuringScan();                   // 14
        if (!PublishFillTable(db, fill_table_).ok()) {           // 15
          result = 0;
          return FinishCycle(result, cycle_start, prep, logon);
        }
      }
    }
    if (!stop_flag_) {
      pending::SendInboxNotifications();  // 16
      if (settings_.check_meeting_modifications != 0) pending::CheckMeetingModifications();  // 17
    }
  } catch (...) {
    logger_.LogEvent(EventType::kWarning, event_id::kGeneral, "General Error doing cycle");
    result = 0;
  }
  return FinishCycle(result, cycle_start, prep, logon);
}

int UpdateAgent::FinishCycle(int result, std::chrono::steady_clock::time_point cycle_start,
                             DatabasePreparation& prep, MapiLogon& logon) {
  logon.Release();  // 19
  if (prep.database && prep.connection_opened) {
    if (settings_.mb_cust_attr_book_meetings > 0) {  // 20
      (void)WriteCanBookMeetingsRow(*prep.database, fill_table_, scan_state_.booking_accounts, instance_name_);
    }
    (void)RunStoredProcEnd(*prep.database);  // 21
  }
  LogSummary(std::chrono::steady_clock::now() - cycle_start);  // 22, 23
  prep.database.reset();  // 24
  return stop_flag_ ? 1 : result;
}

void UpdateAgent::ClearCycleState() {
  membership_.Clear();
  scan_state_ = ScanCycleState{};
}

}  // namespace korvale
