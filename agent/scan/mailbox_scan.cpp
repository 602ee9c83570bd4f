#include "agent/scan/mailbox_scan.h"

#include <algorithm>

#include "agent/database/db_report.h"
#include "agent/scan/mailbox_phases.h"
#include "agent/scan/mailbox_time_zone.h"
#include "common/elapsed_text.h"
#include "platform/tz/tz.h"

namespace korvale {

using namespace mapi;
namespace {

using scan_phase::Clock;
using scan_phase::MailboxTimes;

constexpr int kMaxWindowDays = 36500;

SYSTEMTIME DateAt(const SYSTEMTIME& day, int hour, int minute, int second) {
  SYSTEMTIME t{};
  t.wYear = day.wYear;
  t.wMonth = day.wMonth;
  t.wDay = day.wDay;
  t.wHour = static_cast<uint16_t>(hour);
  t.wMinute = static_cast<uint16_t>(minute);
  t.wSecond = static_cast<uint16_t>(second);
  return t;
}

// The fill-table writes of one mailbox commit together: the table is not
// published before the cycle ends, so nobody waits for them, and one commit
// per mailbox instead of one per row is what keeps large scans fast. The
// statements on Meetings run before it begins, so the web pages never wait.
class MailboxTransaction {
 public:
  MailboxTransaction(Database& db, const std::string& table)
      : db_(db), table_(table), open_(db.connection().BeginTransaction().ok()) {}
  ~MailboxTransaction() {
    if (!open_) return;
    auto done = db_.connection().CommitTransaction();
    if (!done.ok()) {
      LogTableEvent(db_, event_id::kFillTableStatement, table_, ErrorText(done.error()));
      (void)db_.connection().RollbackTransaction();
    }
  }
  MailboxTransaction(const MailboxTransaction&) = delete;
  MailboxTransaction& operator=(const MailboxTransaction&) = delete;

 private:
  Database& db_;
  const std::string& table_;
  bool open_;
};

// Once per cycle, and not when the group's skip list names it.
bool Skipped(const ScanEnvironment& env, size_t group, const std::string& mailbox) {
  const AgentSettings& s = env.settings;
  if (env.cycle.scanned_set.count(mailbox)) return true;
  const std::string group_name = group < s.group_names.size() ? s.group_names[group] : std::string();
  auto group_it = std::find(s.group_names.begin(), s.group_names.end(), group_name);
  if (group_it == s.group_names.end()) return false;
  size_t g = static_cast<size_t>(group_it - s.group_names.begin());
  return g < s.skip_lists.size() && s.skip_lists[g].find(mailbox) != std::string::npos;
}

void CountMailbox(ScanEnvironment& env, const std::string& mailbox) {
  if (env.settings.time_log != 0) {
    env.log.LogEvent(EventType::kInformation, event_id::kSqlTraceOrTiming,
                     "Starting to scan mailbox: " + mailbox + ":");
  }
  env.cycle.scanned.push_back(mailbox);
  env.cycle.scanned_set.insert(mailbox);
  ++env.cycle.handled;
}

// The bookings of the cycle, then the permissions and the user row with them (22–24).
void BookAndWriteRights(ScanEnvironment& env, const std::string& mailbox, const mapi::ENTRYID& owner_entry_id,
                        const scan_phase::OpenedCalendar& opened, const CalendarTags& tags,
                        const TIME_ZONE_INFORMATION& zone, scan_phase::ScanValues& v, MailboxTimes& times) {
  if (env.bookings && env.bookings->HasBookings()) {
    env.bookings->BookIntoMailbox({mailbox, v.dl, *opened.calendar, tags, zone, &owner_entry_id});
  }
  if (env.access_lists) {
    MailboxAccessLists lists = env.access_lists(*opened.store, opened.calendar_id, owner_entry_id, mailbox,
                                                v.pdc, v.book_meetings, env.cycle.booking_accounts);
    v.user.acl = lists.acl;
    v.user.aclw = lists.aclw;
  }
  times.rights = Clock::now();
  WriteUserRow(env.db, UserRowForm::kSecond, env.fill_table, v.user, env.instance_name);
  times.user_row = Clock::now();
}

void ReportTimes(ScanEnvironment& env, const std::string& mailbox, const HomeServer& home,
                 const std::string& datasource, uint32_t messages, const MailboxTimes& t) {
  env.log.LogEvent(
      EventType::kInformation, event_id::kSqlTraceOrTiming,
      "Time for user " + mailbox + ":\r\nServer: " + home.server_name + "\r\nDatasource: " + datasource +
          "\r\nCreate Profile: " + ElapsedText(t.before_store - t.begin) + "\r\nLogon: " +
          ElapsedText(t.store - t.before_store) + "\r\nGet Calendar: " + ElapsedText(t.calendar - t.store) +
          "\r\nGet Folder Rights: " + ElapsedText(t.rights - t.calendar) + "\r\nAdd Records to DB: " +
          ElapsedText(t.user_row - t.rights) + "\r\nApply Filter: " + ElapsedText(t.query - t.user_row) +
          "\r\nNumber of Msgs: " + std::to_string(messages) + "\r\nGo through msgs: " +
          ElapsedText(t.end - t.query) + "\r\n\r\nTotal time: " + ElapsedText(t.end - t.begin) + "\r\n");
}

}  // namespace

LocalWindow ScanWindow(const AgentSettings& settings, const SYSTEMTIME& today) {
  int past = std::clamp(settings.days_past, -kMaxWindowDays, kMaxWindowDays);
  int ahead = std::clamp(settings.days_ahead, -kMaxWindowDays, kMaxWindowDays);
  LocalWindow w;
  w.start = tz::AddMinutes(DateAt(today, 0, 0, 0), -int64_t{past} * 1440).value_or(DateAt(today, 0, 0, 0));
  w.end =
      tz::AddMinutes(DateAt(today, 23, 59, 59), int64_t{ahead} * 1440).value_or(DateAt(today, 23, 59, 59));
  return w;
}

HRESULT MailboxScan::DoUser(size_t group, const ENTRYID& owner_entry_id, const std::string& mailbox) {
  using namespace scan_phase;
  MailboxTimes times;
  times.begin = Clock::now();
  try {
    if (Skipped(env_, group, mailbox)) return S_OK;
    CountMailbox(env_, mailbox);
    const TIME_ZONE_INFORMATION zone = MailboxTimeZone(env_.settings, group, env_.default_zone);

    OwnerRead owner = ReadOwner(env_, owner_entry_id, mailbox);
    if (FAILED(owner.hr)) return owner.hr;
    ScanValues values = OwnerValues(env_, mailbox, owner.props);
    PublisherChoice choice = ChoosePublisher(env_, group, mailbox, owner.props, values);
    if (choice.publisher != Publisher::kThisAgent) return S_OK;
    if (StopRequestedAfterPause(env_)) return S_OK;

    times.before_store = Clock::now();
    OpenedCalendar opened = OpenCalendar(env_, mailbox, choice.home, owner.props);
    if (FAILED(opened.hr)) return opened.hr;
    times.store = opened.store_opened;
    times.calendar = Clock::now();
    ResolvedTags tags = ResolveTags(env_, *opened.calendar);
    if (FAILED(tags.hr)) return tags.hr;
    BookAndWriteRights(env_, mailbox, owner_entry_id, opened, tags.tags, zone, values, times);

    // Commits when the scan of the mailbox ends, whichever way it ends.
    MailboxTransaction transaction(env_.db, env_.fill_table);
    PublishedCalendar published =
        PublishCalendar(env_, mailbox, *opened.calendar, tags.tags, zone, values, times);
    if (FAILED(published.hr)) return published.hr;
    if (env_.settings.time_log != 0) {
      times.end = Clock::now();
      ReportTimes(env_, mailbox, choice.home, values.user.datasource, published.messages, times);
    }
    return S_OK;
  } catch (...) {
    env_.log.LogEvent(EventType::kWarning, event_id::kGeneral,
                      "General Error reading mailbox " + mailbox + ".");
    return E_FAIL;
  }
}

}  // namespace korvale
