// The mailbox scan: publishes one mailbox of a scan group. It writes the
// owner's user row, decides whether this agent publishes the calendar or
// another data source does, and for a calendar it publishes: opens the store
// with administrative rights, resolves the calendar's named properties, lets
// the bookings apply, builds the access lists, and reads the calendar in two
// passes (single appointments inside the scan window, then every series).
// Nothing it meets ends the cycle: every failure is reported and the scan
// goes on with the next mailbox.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <unordered_set>
#include <vector>

#include "agent/database/database.h"
#include "agent/database/optional_columns.h"
#include "agent/scan/booking_hooks.h"
#include "agent/scan/calendar_properties.h"
#include "common/agent_log.h"
#include "common/agent_settings.h"
#include "common/membership_map.h"
#include "common/stop_check.h"
#include "platform/mapi/mapi.h"
#include "platform/tz/tz_types.h"

namespace korvale {

// Bookkeeping shared by every mailbox of one cycle.
struct ScanCycleState {
  std::vector<std::string> scanned;  // mailboxes handled, in order
  std::unordered_set<std::string> scanned_set;
  // Mailboxes whose calendar was read to the end (both passes) in this cycle.
  std::unordered_set<std::string> calendars_read;
  int handled = 0;
  int remote = 0;
  std::string booking_accounts;  // for the "$canbookmeetings" row
};

// The owner's and members' permissions as access lists (ACL, ACLw).
struct MailboxAccessLists {
  std::string acl;
  std::string aclw;
};
using AccessListBuilder = std::function<MailboxAccessLists(
    mapi::IMsgStore& store, const mapi::ENTRYID& calendar_id, const mapi::ENTRYID& owner_id,
    const std::string& mailbox_name, const std::string& pdc, bool book_meetings,
    std::string& booking_accounts)>;

// "DOMAIN\name" of a SID looked up on a domain controller (empty: this
// machine); nullopt when it cannot be resolved or names a group.
using SidNameLookup =
    std::function<std::optional<std::string>(const std::string& pdc, const mapi::SBinary& sid)>;

struct ScanEnvironment {
  const AgentSettings& settings;
  AgentLog& log;
  StopCheck& stop;
  Database& db;
  std::string fill_table;
  std::string instance_name;
  const OptionalColumns& optional_columns;
  mapi::IMAPISession& session;
  mapi::IAddrBook& address_book;
  mapi::IExchangeManageStore& manage_store;
  const MembershipMap& membership;
  TIME_ZONE_INFORMATION default_zone;
  ScanCycleState& cycle;
  BookingHooks* bookings = nullptr;                      // null: no booking list this cycle
  AccessListBuilder access_lists;                        // null: both lists stay empty
  SidNameLookup sid_lookup;                              // null: AssocNTAcc stays empty
  std::function<SYSTEMTIME()> local_now;                 // today for the scan window
  std::function<void(std::chrono::milliseconds)> sleep;  // the pause between mailboxes
};

class MailboxScan {
 public:
  explicit MailboxScan(ScanEnvironment& env) : env_(env) {}
  // Publishes one mailbox of scan group `group_index` (0-based); the result is
  // informational only (the callers go on whatever it is).
  mapi::HRESULT DoUser(size_t group_index, const mapi::ENTRYID& owner_entry_id,
                       const std::string& mailbox_name);

 private:
  ScanEnvironment& env_;
};

// The scan window for `today`: start 00:00:00 minus DaysPast days, end
// 23:59:59 plus DaysAhead days (local times); the day counts are kept within
// a hundred years so absurd settings cannot leave the calendar's range.
struct LocalWindow {
  SYSTEMTIME start;
  SYSTEMTIME end;
};
LocalWindow ScanWindow(const AgentSettings& settings, const SYSTEMTIME& today);

}  // namespace korvale
