// The steps of one cycle, in their fixed order.
#include <chrono>

#include "agent/core/pending_steps.h"
#include "agent/core/update_agent.h"

namespace korvale {

int UpdateAgent::DoCycle() {
  int result = 1;
  const auto cycle_start = std::chrono::steady_clock::now();
  try {
    LogBanner();                                   // 2
    // 3-6: notification queue, temporary profile, logon (mail system layer).
    // 7: database; 8: membership map; 9: shared-table marking.
    bool bookings_ok = pending::ReadMeetingsTable();  // 10
    if (bookings_ok && !stop_flag_) {
      // 11: scan loop over the scan groups.
      if (!stop_flag_) {
        // 12, 13: append table, stale shared-table rows.
        pending::AddRecordsBookedDuringScan();     // 14
        // 15: publication of the fill table.
      }
    }
    if (!stop_flag_) {
      pending::SendInboxNotifications();           // 16
      if (settings_.check_meeting_modifications != 0) pending::CheckMeetingModifications();  // 17
    }
  } catch (...) {
    logger_.LogEvent(EventType::kWarning, event_id::kGeneral, "General Error doing cycle");
    result = 0;
  }
  // 19-21: release the mail objects, "$canbookmeetings", StoredProcEnd.
  LogSummary(std::chrono::steady_clock::now() - cycle_start);  // 22, 23
  // 24: close the database.
  return stop_flag_ ? 1 : result;
}

}  // namespace korvale
