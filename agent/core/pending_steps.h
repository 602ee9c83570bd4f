// Cycle steps whose subsystems are not built yet. Each one does nothing and
// says so; none of them reports anything as done.
#pragma once

namespace korvale::pending {

// Booking table: the pending rows are not read yet (success, nothing to do).
inline bool ReadMeetingsTable() { return true; }
// Rows booked during the scan are not copied yet.
inline void AddRecordsBookedDuringScan() {}
// Inbox notifications are not sent yet.
inline void SendInboxNotifications() {}
// Non-modifiable meetings are not checked for changes yet.
inline void CheckMeetingModifications() {}

}  // namespace korvale::pending
