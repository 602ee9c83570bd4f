// The later phases of a mailbox's scan: opening its store and calendar,
// resolving the calendar's named properties, and reading the calendar into
// the fill table.
#include "agent/database/shared_table.h"
#include "agent/scan/appointment_reader.h"
#include "agent/scan/mailbox_phases.h"
#include "platform/tz/tz.h"

namespace korvale::scan_phase {

using namespace mapi;

namespace {

void Warn(ScanEnvironment& env, const std::string& text) {
  env.log.LogEvent(EventType::kWarning, event_id::kGeneral, text);
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

FILETIME LocalToUtcFileTime(const SYSTEMTIME& local, const TIME_ZONE_INFORMATION& zone) {
  return tz::SystemTimeToFileTime(tz::LocalToUniversal(zone, local)).value_or(0);
}

void ReportStoreRefused(ScanEnvironment& env, HRESULT hr, const std::string& mailbox, const HomeServer& home,
                        const OwnerProperties& owner) {
  const AgentSettings& s = env.settings;
  env.log.LogEvent(EventType::kWarning, event_id::kGeneral,
                   "OpenMsgStore failed with Code = " + HResultHex(hr) +
                       ".\r\nPlease check that the Korvale Service Account has the appropriate rights on "
                       "the mailbox store hosting mailbox '" +
                       mailbox + "'.\r\n",
                   "Exchange Servername: " + home.store_name + "\r\nMailbox: " + owner.email_address + "\r\n",
                   "Logged in with Korvale Serviceaccount (mailbox): " + s.logon_mailbox +
                       " on Exchange Server " + s.logon_server +
                       "\r\nMAPI Profile generated for Exchange Server Type:" + ExchangeGeneration(s.msx2k));
  std::optional<MAPIERROR> error;
  if (SUCCEEDED(env.session.GetLastError(hr, 0, &error)) && error) {
    Warn(env, "GetLastError reports:\r\nVersion: " + std::to_string(error->ulVersion) +
                  "\r\nError Message: " + error->lpszError + "\r\nComponent: " + error->lpszComponent +
                  "\r\nContext: " + std::to_string(error->ulContext) +
                  "\r\nLowLevelError: " + std::to_string(error->ulLowLevelError));
  }
}

// The store with administrative rights, tried ten times.
std::shared_ptr<IMsgStore> OpenStore(ScanEnvironment& env, const std::string& mailbox, const HomeServer& home,
                                     const OwnerProperties& owner, HRESULT& hr) {
  ENTRYID store_id;
  hr = env.manage_store.CreateStoreEntryID(home.store_name, owner.email_address,
                                           OPENSTORE_USE_ADMIN_PRIVILEGE | OPENSTORE_TAKE_OWNERSHIP,
                                           &store_id);
  if (FAILED(hr)) {
    Warn(env, "CreateStoreEntryID failed with Code = " + HResultHex(hr));
    return nullptr;
  }
  std::shared_ptr<IMsgStore> store;
  for (int attempt = 0; attempt < 10; ++attempt) {
    hr = env.session.OpenMsgStore(0, store_id, nullptr,
                                  MDB_NO_DIALOG | MAPI_BEST_ACCESS | MDB_TEMPORARY | MDB_NO_MAIL, &store);
    if (SUCCEEDED(hr) && store) break;
  }
  if (FAILED(hr) || !store) {
    ReportStoreRefused(env, hr, mailbox, home, owner);
    if (!FAILED(hr)) hr = MAPI_E_NOT_FOUND;
    return nullptr;
  }
  return store;
}

// Inbox, then the calendar it names.
void OpenCalendarFolder(ScanEnvironment& env, const std::string& mailbox, OpenedCalendar& opened) {
  IMsgStore& store = *opened.store;
  HRESULT& hr = opened.hr;
  ENTRYID inbox_id;
  hr = store.GetReceiveFolder("", 0, &inbox_id, nullptr);
  if (FAILED(hr)) return Warn(env, "GetReceiveFolder failed with Code = " + HResultHex(hr));
  ULONG object_type = 0;
  std::shared_ptr<IUnknown> unknown;
  hr = store.OpenEntry(inbox_id, nullptr, MAPI_BEST_ACCESS, &object_type, &unknown);
  auto inbox = mapi_cast<IMAPIFolder>(unknown);
  if (FAILED(hr) || !inbox) {
    Warn(env, "OpenEntry for InboxFolder of mailbox " + mailbox + " failed with Code = " + HResultHex(hr));
    if (!FAILED(hr)) hr = MAPI_E_NOT_FOUND;
    return;
  }
  SPropTagArray calendar_tag{PR_IPM_APPOINTMENT_ENTRYID};
  std::vector<SPropValue> calendar_ref;
  hr = inbox->GetProps(&calendar_tag, 0, &calendar_ref);
  const SBinary* calendar_id = calendar_ref.empty() ? nullptr : calendar_ref[0].Binary();
  if (FAILED(hr)) return Warn(env, "GetProps for CalendarGUID failed with Code = " + HResultHex(hr));
  hr = calendar_id ? store.OpenEntry(*calendar_id, nullptr, MAPI_BEST_ACCESS, &object_type, &unknown)
                   : MAPI_E_INVALID_PARAMETER;
  opened.calendar = mapi_cast<IMAPIFolder>(unknown);
  if (FAILED(hr) || !opened.calendar) {
    Warn(env, hr == MAPI_E_INVALID_PARAMETER
                  ? std::string("No default calendar folder found in this mailbox")
                  : "OpenEntry for CalendarFolder failed with Code = " + HResultHex(hr));
    if (!FAILED(hr)) hr = MAPI_E_NOT_FOUND;
    return;
  }
  opened.calendar_id = *calendar_id;
}

// One pass over the calendar's contents table: the query, then the reading.
HRESULT ReadPass(ScanEnvironment& env, AppointmentReaderContext& reader, IMAPITable& contents,
                 const MeetingColumns& columns, const SRestriction& restriction, PassKind kind,
                 const MailboxRowValues& row_values, const std::string& mailbox, Clock::time_point* queried) {
  const bool single = kind == PassKind::kSingle;
  SRowSet rows;
  HRESULT hr = HrQueryAllRows(&contents, &columns.tags, &restriction, nullptr, 0, &rows);
  if (FAILED(hr)) {
    Warn(env, std::string("HrQueryAllRows (") + (single ? "normal" : "recurring") +
                  " meetings) for RowsMeetings failed with Code = " + HResultHex(hr));
    return hr;
  }
  if (queried) *queried = Clock::now();
  hr = ReadAppointments(reader, row_values, kind, rows);
  if (FAILED(hr)) {
    Warn(env, std::string("Reading (") + (single ? "normal" : "recurring") + ") meetings in mailbox " +
                  mailbox + " failed with Code = " + HResultHex(hr));
  }
  return hr;
}

}  // namespace

OpenedCalendar OpenCalendar(ScanEnvironment& env, const std::string& mailbox, const HomeServer& home,
                            const OwnerProperties& owner) {
  OpenedCalendar opened;
  opened.store = OpenStore(env, mailbox, home, owner, opened.hr);
  if (!opened.store) return opened;
  opened.store_opened = Clock::now();
  OpenCalendarFolder(env, mailbox, opened);
  return opened;
}

ResolvedTags ResolveTags(ScanEnvironment& env, IMAPIFolder& calendar) {
  CalendarTagsResult resolved = ResolveCalendarTags(calendar, env.settings, env.optional_columns);
  if (resolved.error == CalendarTagsError::kGetIDsFailed) {
    Warn(env, "GetIDsFromNames in Calendar folder failed with Code = " + HResultHex(resolved.hr));
    return {resolved.hr, {}};
  }
  if (resolved.error == CalendarTagsError::kMissingRequired) {
    Warn(env, "PropTag " + std::to_string(resolved.missing_index) + " not found in Calendar Folder");
    return {MAPI_E_NOT_FOUND, {}};
  }
  return {S_OK, std::move(resolved.tags)};
}

PublishedCalendar PublishCalendar(ScanEnvironment& env, const std::string& mailbox, IMAPIFolder& calendar,
                                  const CalendarTags& tags, const TIME_ZONE_INFORMATION& zone,
                                  const ScanValues& v, MailboxTimes& times) {
  const AgentSettings& s = env.settings;
  PublishedCalendar published;
  // In shared-table mode every row of the mailbox is unconfirmed until seen again.
  const bool shared = s.table_mode == TableMode::kShared;
  if (shared) (void)MarkMailboxRows(env.db, env.fill_table, v.name, env.instance_name);

  LocalWindow window = ScanWindow(s, env.local_now ? env.local_now() : SYSTEMTIME{});
  FILETIME window_start_utc = LocalToUtcFileTime(window.start, env.default_zone);
  FILETIME window_end_utc = LocalToUtcFileTime(window.end, env.default_zone);

  MeetingColumns columns = BuildMeetingColumns(tags, s, env.optional_columns);
  std::shared_ptr<IMAPITable> contents;
  published.hr = calendar.GetContentsTable(0, &contents);
  if (FAILED(published.hr) || !contents) {
    Warn(env, "GetContentsTable failed with Code = " + HResultHex(published.hr));
    if (!FAILED(published.hr)) published.hr = MAPI_E_NOT_FOUND;
    return published;
  }

  Clock::duration db_time{};
  RowWriterContext writer{.db = env.db,
                          .settings = s,
                          .fill_table = env.fill_table,
                          .instance_name = env.instance_name,
                          .extra_columns = env.optional_columns.column_name_list,
                          .window_start = window.start,
                          .window_end = window.end,
                          .db_time = &db_time};
  AppointmentReaderContext reader{
      .settings = s,
      .log = env.log,
      .stop = env.stop,
      .db = env.db,
      .writer = writer,
      .calendar = calendar,
      .tags = tags,
      .columns = columns,
      .optional_columns = env.optional_columns,
      .instance_name = env.instance_name,
      .window_start_utc = window_start_utc,
      .window_end_utc = window_end_utc,
      .mailbox_zone = zone,
      .is_booking_number =
          [&env](const std::string& number) { return env.bookings && env.bookings->IsBookingNumber(number); },
      .message_counter = &published.messages};
  const UserRowValues& u = v.user;
  const MailboxRowValues row_values{.name = v.name,
                                    .phone = u.phone,
                                    .dl = v.dl,
                                    .datasource = u.datasource,
                                    .time_difference = u.time_difference,
                                    .alias = u.alias,
                                    .department = u.department,
                                    .reserved3 = u.reserved3,
                                    .acl = u.acl,
                                    .aclw = u.aclw,
                                    .minimum_security = v.minimum_security};

  SRestriction single = SingleAppointmentRestriction(tags, window_start_utc, window_end_utc);
  published.hr =
      ReadPass(env, reader, *contents, columns, single, PassKind::kSingle, row_values, mailbox, &times.query);
  if (FAILED(published.hr)) return published;
  SRestriction recurring = RecurringAppointmentRestriction(tags);
  published.hr = ReadPass(env, reader, *contents, columns, recurring, PassKind::kRecurring, row_values,
                          mailbox, nullptr);
  if (FAILED(published.hr)) return published;
  env.cycle.calendars_read.insert(mailbox);

  // After a complete scan, rows nobody confirmed are gone from the calendar.
  if (shared && !env.stop.StopFlag()) {
    (void)DeleteUnconfirmedMailboxRows(env.db, env.fill_table, v.name, env.instance_name);
  }
  return published;
}

}  // namespace korvale::scan_phase
