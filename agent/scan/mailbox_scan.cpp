#include "agent/scan/mailbox_scan.h"

#include <strings.h>

#include <algorithm>

#include "agent/database/db_report.h"
#include "agent/database/shared_table.h"
#include "agent/scan/appointment_reader.h"
#include "agent/scan/mailbox_time_zone.h"
#include "agent/scan/owner_entry.h"
#include "agent/scan/user_row.h"
#include "common/elapsed_text.h"
#include "platform/tz/tz.h"

namespace korvale {

using namespace mapi;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kMaxWindowDays = 36500;

const char* const kHomeMtaHelp =
    " Please define the homeMTA attribute with ADSIEdit.msc or the Lightweight Directory Access "
    "Protocol (LDAP) Data Interchange Format (LDIF) directory export tool (LDIFDE). The homeMTA "
    "attribute value should be in the following form:\r\nCN=Microsoft MTA,CN=<ServerName>,"
    "CN=Servers,CN=<Administrative Group>,CN=Administrative Groups,CN=<organization>,"
    "CN=Microsoft Exchange,CN=Services,CN=Configuration,DC=<domainName>,DC=com\r\nMailbox ";

bool EqualNoCase(const std::string& a, const std::string& b) {
  return strcasecmp(a.c_str(), b.c_str()) == 0;
}

const char* ExchangeGeneration(int msx2k) {
  switch (msx2k) {
    case 0: return "5.5";
    case 1: return "2000/2003";
    case 2: return "2007";
    case 3: return "2010";
  }
  return "unknown. Please set parameter MSX2k in Caldrun.ini to either 0 (Exchange 5.5), 1 (Exchange "
         "2000/2003), 2 (Exchange 2007) or 3 (Exchange 2010)";
}

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

FILETIME LocalToUtcFileTime(const SYSTEMTIME& local, const TIME_ZONE_INFORMATION& zone) {
  return tz::SystemTimeToFileTime(tz::LocalToUniversal(zone, local)).value_or(0);
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

// Values the scan repeats in every row of the mailbox.
struct ScanValues {
  std::string name;  // quoted, 50
  std::string dl;    // quoted, 250
  UserRowValues user;
  int minimum_security = 0;
  bool book_meetings = false;
  std::string pdc;
};

}  // namespace

LocalWindow ScanWindow(const AgentSettings& settings, const SYSTEMTIME& today) {
  int past = std::clamp(settings.days_past, -kMaxWindowDays, kMaxWindowDays);
  int ahead = std::clamp(settings.days_ahead, -kMaxWindowDays, kMaxWindowDays);
  LocalWindow w;
  w.start = tz::AddMinutes(DateAt(today, 0, 0, 0), -int64_t{past} * 1440).value_or(DateAt(today, 0, 0, 0));
  w.end = tz::AddMinutes(DateAt(today, 23, 59, 59), int64_t{ahead} * 1440).value_or(DateAt(today, 23, 59, 59));
  return w;
}

HRESULT MailboxScan::DoUser(size_t group, const ENTRYID& owner_entry_id, const std::string& mailbox) {
  const AgentSettings& s = env_.settings;
  AgentLog& log = env_.log;
  ScanCycleState& cycle = env_.cycle;
  const Dialect dialect = env_.db.dialect();
  auto warn = [&](const std::string& text) { log.LogEvent(EventType::kWarning, event_id::kGeneral, text); };
  const Clock::time_point t_begin = Clock::now();
  try {
    // 1, 2: once per cycle, and not when the group's skip list names it.
    if (cycle.scanned_set.count(mailbox)) return S_OK;
    const std::string group_name = group < s.group_names.size() ? s.group_names[group] : std::string();
    auto group_it = std::find(s.group_names.begin(), s.group_names.end(), group_name);
    if (group_it != s.group_names.end()) {
      size_t g = static_cast<size_t>(group_it - s.group_names.begin());
      if (g < s.skip_lists.size() && s.skip_lists[g].find(mailbox) != std::string::npos) return S_OK;
    }
    if (s.time_log != 0) {
      log.LogEvent(EventType::kInformation, event_id::kSqlTraceOrTiming,
                   "Starting to scan mailbox: " + mailbox + ":");
    }
    cycle.scanned.push_back(mailbox);
    cycle.scanned_set.insert(mailbox);
    ++cycle.handled;

    ScanValues v;
    v.dl = QuoteForSql(env_.membership.Find(mailbox), 250, dialect);
    v.name = QuoteForSql(mailbox, 50, dialect);
    const TIME_ZONE_INFORMATION zone = MailboxTimeZone(s, group, env_.default_zone);

    // 7: the owner's directory entry.
    ULONG object_type = 0;
    std::shared_ptr<IUnknown> owner_object;
    HRESULT hr = env_.address_book.OpenEntry(owner_entry_id, nullptr, MAPI_BEST_ACCESS, &object_type,
                                             &owner_object);
    auto owner = mapi_cast<IMAPIProp>(owner_object);
    if (FAILED(hr) || !owner) {
      log.LogEvent(EventType::kError, event_id::kOwnerEntry, mailbox, "DoUser");
      return FAILED(hr) ? hr : MAPI_E_NOT_FOUND;
    }
    SPropTagArray owner_tags = OwnerPropertyTags(s);
    std::vector<SPropValue> owner_values;
    hr = owner->GetProps(&owner_tags, 0, &owner_values);
    if (FAILED(hr)) {
      log.LogEvent(EventType::kError, event_id::kOwnerProps, mailbox);
      log.LogEvent(EventType::kWarning, event_id::kSqlTraceOrTiming, "Return code = " + HResultHex(hr));
      return hr;
    }
    OwnerProperties o = ReadOwnerProperties(s, owner_values);

    // 8: the owner's texts.
    UserRowValues& u = v.user;
    u.name = v.name;
    u.dl = v.dl;
    auto q50 = [&](const std::string& t) { return QuoteForSql(t, 50, dialect); };
    u.alias = q50(o.alias);
    u.phone = q50(o.phone);
    u.office = q50(o.office);
    u.initials = q50(o.initials);
    u.department = q50(o.department);
    u.prof_title = q50(o.prof_title);
    u.off_fax = q50(o.off_fax);
    u.home_phone = q50(o.home_phone);
    u.mobile_phone = q50(o.mobile_phone);
    u.adr_comment = QuoteForSql(o.adr_comment, 1024, dialect);

    // 10: custom attributes, the SMTP address, FreeBusy.
    if (s.mailbox_custom_attribute > 0) {
      bool is_one = AttributeIsOne(o.security_attribute);
      v.minimum_security = (s.reverse_security_logic == 0 ? is_one : !is_one) ? 1 : 0;
    }
    // Written as read, like the other owner texts it goes through the quoting
    // so an apostrophe cannot break the statement.
    if (s.mb_cust_attr_sec_group > 0) u.reserved3 = q50(o.sec_group_attribute.value_or(""));
    if (s.mb_cust_attr_book_meetings > 0) v.book_meetings = AttributeIsOne(o.book_meetings_attribute);
    if (o.smtp_address && !o.smtp_address->empty()) u.title = q50(*o.smtp_address);
    if (s.free_busy != 0) v.minimum_security = 1;

    // 11: the home server.
    if (!o.home_mta) {
      warn("User '" + mailbox + "' does not seem to have an associated mailbox or has no homeMTA "
           "attribute defined in Active Directory." + kHomeMtaHelp + mailbox + " will be skipped.");
      --cycle.handled;
      return S_OK;
    }
    HomeServer home = ParseHomeMta(*o.home_mta);

    // 12: the data source and time difference of the home server.
    std::string datasource = group < s.group_datasources.size() ? s.group_datasources[group] : "";
    const ServerEntry* matched = nullptr;
    for (const auto& server : s.servers) {
      if (!EqualNoCase(server.name, home.server_name)) continue;
      if (datasource.empty()) {
        datasource = server.ds;
      } else if (!EqualNoCase(server.ds, datasource)) {
        continue;
      }
      matched = &server;
      break;
    }
    u.time_difference = TimeDifferenceColumn(matched);
    v.pdc = matched ? matched->pdc : std::string();

    // 13: a mailbox whose server is not configured is not published.
    if (!matched && s.no_server_check == 0) {
      if (home.server_name.empty()) {
        warn("User " + mailbox + " has no homeMTA attribute defined in Active Directory." +
             kHomeMtaHelp + mailbox + " will be skipped.");
      } else {
        log.LogEvent(EventType::kError, event_id::kHomeServer, home.server_name, mailbox);
      }
      --cycle.handled;
      return S_OK;
    }

    // 9: the associated Windows account, looked up where the server's accounts live.
    if (!o.assoc_nt_account.empty() && env_.sid_lookup) {
      if (auto account = env_.sid_lookup(v.pdc, o.assoc_nt_account)) u.assoc_nt_acc = q50(*account);
    }

    // 14: local or remote.
    bool local = s.no_server_check != 0 ||
                 (EqualNoCase(datasource, s.db) && group < s.local_flags.size() && s.local_flags[group]);
    if (local) datasource = "$local";
    u.datasource = q50(datasource);
    if (!local) {
      ++cycle.remote;
      WriteUserRow(env_.db, UserRowForm::kFirst, env_.fill_table, u, env_.instance_name);
      // 16: a pending booking for this mailbox makes it scanned here after all.
      if (!env_.bookings || !env_.bookings->HasBookings() || !env_.bookings->ForcesScan(mailbox, v.dl)) {
        return S_OK;
      }
    } else {
      WriteUserRow(env_.db, UserRowForm::kFirst, env_.fill_table, u, env_.instance_name);  // 15
    }

    // 17: the pause between mailboxes, listening for a stop.
    if (s.delay_after_num_mbx > 0 && (cycle.handled - cycle.remote) % s.delay_after_num_mbx == 0) {
      for (int waited = 0; waited < s.delay_secs; waited += 2) {
        if (env_.sleep) env_.sleep(std::chrono::milliseconds(2000));
        if (env_.stop.CheckStopRequest()) return S_OK;
      }
    }
    // 18
    if (env_.stop.CheckStopRequest()) return S_OK;
    const Clock::time_point t_before_store = Clock::now();

    // 19: the mailbox's store, with administrative rights.
    ENTRYID store_id;
    hr = env_.manage_store.CreateStoreEntryID(home.store_name, o.email_address,
                                              OPENSTORE_USE_ADMIN_PRIVILEGE | OPENSTORE_TAKE_OWNERSHIP,
                                              &store_id);
    if (FAILED(hr)) {
      warn("CreateStoreEntryID failed with Code = " + HResultHex(hr));
      return hr;
    }
    std::shared_ptr<IMsgStore> store;
    for (int attempt = 0; attempt < 10; ++attempt) {
      hr = env_.session.OpenMsgStore(0, store_id, nullptr,
                                     MDB_NO_DIALOG | MAPI_BEST_ACCESS | MDB_TEMPORARY | MDB_NO_MAIL, &store);
      if (SUCCEEDED(hr) && store) break;
    }
    if (FAILED(hr) || !store) {
      log.LogEvent(EventType::kWarning, event_id::kGeneral,
                   "OpenMsgStore failed with Code = " + HResultHex(hr) +
                       ".\r\nPlease check that the Korvale Service Account has the appropriate rights on "
                       "the mailbox store hosting mailbox '" + mailbox + "'.\r\n",
                   "Exchange Servername: " + home.store_name + "\r\nMailbox: " + o.email_address + "\r\n",
                   "Logged in with Korvale Serviceaccount (mailbox): " + s.logon_mailbox +
                       " on Exchange Server " + s.logon_server +
                       "\r\nMAPI Profile generated for Exchange Server Type:" + ExchangeGeneration(s.msx2k));
      std::optional<MAPIERROR> error;
      if (SUCCEEDED(env_.session.GetLastError(hr, 0, &error)) && error) {
        warn("GetLastError reports:\r\nVersion: " + std::to_string(error->ulVersion) +
             "\r\nError Message: " + error->lpszError + "\r\nComponent: " + error->lpszComponent +
             "\r\nContext: " + std::to_string(error->ulContext) +
             "\r\nLowLevelError: " + std::to_string(error->ulLowLevelError));
      }
      return FAILED(hr) ? hr : MAPI_E_NOT_FOUND;
    }
    const Clock::time_point t_store = Clock::now();

    // 20: Inbox, then the calendar it names.
    ENTRYID inbox_id;
    hr = store->GetReceiveFolder("", 0, &inbox_id, nullptr);
    if (FAILED(hr)) return warn("GetReceiveFolder failed with Code = " + HResultHex(hr)), hr;
    std::shared_ptr<IUnknown> unknown;
    hr = store->OpenEntry(inbox_id, nullptr, MAPI_BEST_ACCESS, &object_type, &unknown);
    auto inbox = mapi_cast<IMAPIFolder>(unknown);
    if (FAILED(hr) || !inbox) {
      warn("OpenEntry for InboxFolder of mailbox " + mailbox + " failed with Code = " + HResultHex(hr));
      return FAILED(hr) ? hr : MAPI_E_NOT_FOUND;
    }
    SPropTagArray calendar_tag{PR_IPM_APPOINTMENT_ENTRYID};
    std::vector<SPropValue> calendar_ref;
    hr = inbox->GetProps(&calendar_tag, 0, &calendar_ref);
    const SBinary* calendar_id = calendar_ref.empty() ? nullptr : calendar_ref[0].Binary();
    if (FAILED(hr)) return warn("GetProps for CalendarGUID failed with Code = " + HResultHex(hr)), hr;
    hr = calendar_id ? store->OpenEntry(*calendar_id, nullptr, MAPI_BEST_ACCESS, &object_type, &unknown)
                     : MAPI_E_INVALID_PARAMETER;
    auto calendar = mapi_cast<IMAPIFolder>(unknown);
    if (FAILED(hr) || !calendar) {
      warn(hr == MAPI_E_INVALID_PARAMETER ? std::string("No default calendar folder found in this mailbox")
                                          : "OpenEntry for CalendarFolder failed with Code = " + HResultHex(hr));
      return FAILED(hr) ? hr : MAPI_E_NOT_FOUND;
    }
    inbox.reset();
    const Clock::time_point t_calendar = Clock::now();

    // 21: the calendar's named properties.
    CalendarTagsResult resolved = ResolveCalendarTags(*calendar, s, env_.optional_columns);
    if (resolved.error == CalendarTagsError::kGetIDsFailed) {
      warn("GetIDsFromNames in Calendar folder failed with Code = " + HResultHex(resolved.hr));
      return resolved.hr;
    }
    if (resolved.error == CalendarTagsError::kMissingRequired) {
      warn("PropTag " + std::to_string(resolved.missing_index) + " not found in Calendar Folder");
      return MAPI_E_NOT_FOUND;
    }
    const CalendarTags& tags = resolved.tags;

    // 22: the bookings of the cycle.
    if (env_.bookings && env_.bookings->HasBookings()) {
      env_.bookings->BookIntoMailbox({mailbox, v.dl, *calendar, tags, zone, &owner_entry_id});
    }

    // 23, 24: the permissions, then the user row with them.
    if (env_.access_lists) {
      MailboxAccessLists lists = env_.access_lists(*store, *calendar_id, owner_entry_id, mailbox, v.pdc,
                                                   v.book_meetings, cycle.booking_accounts);
      u.acl = lists.acl;
      u.aclw = lists.aclw;
    }
    const Clock::time_point t_rights = Clock::now();
    WriteUserRow(env_.db, UserRowForm::kSecond, env_.fill_table, u, env_.instance_name);
    const Clock::time_point t_user_row = Clock::now();

    MailboxTransaction transaction(env_.db, env_.fill_table);
    // 25: in shared-table mode every row of the mailbox is unconfirmed until seen again.
    const bool shared = s.new_db == 1;
    if (shared) {
      std::string mark = "UPDATE " + env_.fill_table + " SET KRVUpdate = 1 WHERE ((Name='" + v.name +
                         "') AND (Status <> 9) AND ((KRVService='" +
                         QuoteInstanceName(env_.instance_name, dialect) + "') OR (KRVService IS NULL)))";
      auto done = env_.db.Execute(mark);
      if (!done.ok()) {
        LogTableEvent(env_.db, event_id::kFillTableStatement, env_.fill_table,
                      WithStatement(ErrorText(done.error()), mark));
      }
    }

    // 26: the scan window.
    LocalWindow window = ScanWindow(s, env_.local_now ? env_.local_now() : SYSTEMTIME{});
    FILETIME window_start_utc = LocalToUtcFileTime(window.start, env_.default_zone);
    FILETIME window_end_utc = LocalToUtcFileTime(window.end, env_.default_zone);

    // 27: the columns and the contents table.
    MeetingColumns columns = BuildMeetingColumns(tags, s, env_.optional_columns);
    std::shared_ptr<IMAPITable> contents;
    hr = calendar->GetContentsTable(0, &contents);
    if (FAILED(hr) || !contents) {
      warn("GetContentsTable failed with Code = " + HResultHex(hr));
      return FAILED(hr) ? hr : MAPI_E_NOT_FOUND;
    }

    Clock::duration db_time{};
    RowWriterContext writer{env_.db,           s,           env_.fill_table, env_.instance_name,
                            env_.optional_columns.column_name_list, window.start, window.end,
                            &db_time};
    uint32_t messages = 0;
    AppointmentReaderContext reader{s,
                                    log,
                                    env_.stop,
                                    env_.db,
                                    writer,
                                    *calendar,
                                    tags,
                                    columns,
                                    env_.optional_columns,
                                    env_.instance_name,
                                    window_start_utc,
                                    window_end_utc,
                                    zone,
                                    [this](const std::string& number) {
                                      return env_.bookings && env_.bookings->IsBookingNumber(number);
                                    },
                                    &messages};
    MailboxRowValues row_values{v.name, u.phone, v.dl, u.datasource, u.time_difference, u.alias,
                                u.department, u.reserved3, u.acl, u.aclw, v.minimum_security};

    // 28: single appointments inside the window.
    SRowSet rows;
    SRestriction single = SingleAppointmentRestriction(tags, window_start_utc, window_end_utc);
    hr = HrQueryAllRows(contents.get(), &columns.tags, &single, nullptr, 0, &rows);
    if (FAILED(hr)) {
      warn("HrQueryAllRows (normal meetings) for RowsMeetings failed with Code = " + HResultHex(hr));
      return hr;
    }
    const Clock::time_point t_query = Clock::now();
    hr = ReadAppointments(reader, row_values, PassKind::kSingle, rows);
    if (FAILED(hr)) {
      warn("Reading (normal) meetings in mailbox " + mailbox + " failed with Code = " + HResultHex(hr));
      return hr;
    }
    // 29: every series.
    rows = {};
    SRestriction recurring = RecurringAppointmentRestriction(tags);
    hr = HrQueryAllRows(contents.get(), &columns.tags, &recurring, nullptr, 0, &rows);
    if (FAILED(hr)) {
      warn("HrQueryAllRows (recurring meetings) for RowsMeetings failed with Code = " + HResultHex(hr));
      return hr;
    }
    hr = ReadAppointments(reader, row_values, PassKind::kRecurring, rows);
    if (FAILED(hr)) {
      warn("Reading (recurring) meetings in mailbox " + mailbox + " failed with Code = " + HResultHex(hr));
      return hr;
    }
    cycle.calendars_read.insert(mailbox);
    rows = {};

    // 30: after a complete scan, rows nobody confirmed are gone from the calendar.
    if (shared && !env_.stop.StopFlag()) {
      std::string remove = "DELETE FROM " + env_.fill_table + " WHERE ((Name='" + v.name +
                           "') AND (Status <> 9) AND (KRVUpdate = 1) AND (KRVService = '" +
                           QuoteInstanceName(env_.instance_name, dialect) + "'))";
      auto done = env_.db.Execute(remove);
      if (!done.ok()) {
        LogTableEvent(env_.db, event_id::kFillTableStatement, env_.fill_table,
                      WithStatement(ErrorText(done.error()), remove));
      }
    }

    // 31: the timing report.
    if (s.time_log != 0) {
      const Clock::time_point t_end = Clock::now();
      log.LogEvent(EventType::kInformation, event_id::kSqlTraceOrTiming,
                   "Time for user " + mailbox + ":\r\nServer: " + home.server_name +
                       "\r\nDatasource: " + u.datasource + "\r\nCreate Profile: " + ElapsedText(t_before_store - t_begin) +
                       "\r\nLogon: " + ElapsedText(t_store - t_before_store) + "\r\nGet Calendar: " +
                       ElapsedText(t_calendar - t_store) + "\r\nGet Folder Rights: " + ElapsedText(t_rights - t_calendar) +
                       "\r\nAdd Records to DB: " + ElapsedText(t_user_row - t_rights) + "\r\nApply Filter: " +
                       ElapsedText(t_query - t_user_row) + "\r\nNumber of Msgs: " + std::to_string(messages) +
                       "\r\nGo through msgs: " + ElapsedText(t_end - t_query) + "\r\n\r\nTotal time: " +
                       ElapsedText(t_end - t_begin) + "\r\n");
    }
    return S_OK;  // 32: everything held is released on the way out
  } catch (...) {
    warn("General Error reading mailbox " + mailbox + ".");
    return E_FAIL;
  }
}

}  // namespace korvale
