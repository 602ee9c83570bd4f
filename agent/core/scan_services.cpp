// The services the mailbox scan borrows from other subsystems: calendar
// permissions as access lists, Windows account names, and the bookings.
#include "agent/core/update_agent.h"

namespace korvale {

void UpdateAgent::ConnectScanServices(ScanEnvironment&) {
  // Permissions, account names and bookings are connected as their subsystems arrive.
}

}  // namespace korvale
