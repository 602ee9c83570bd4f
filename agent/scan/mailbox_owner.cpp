// The first phases of a mailbox's scan: the owner's directory entry, the
// values every row repeats, and who publishes the calendar.
#include "agent/scan/mailbox_phases.h"
#include "agent/scan/mailbox_time_zone.h"
#include "common/text.h"

namespace korvale::scan_phase {

using namespace mapi;

namespace {

const char* const kHomeMtaHelp =
    " Please define the homeMTA attribute with ADSIEdit.msc or the Lightweight Directory Access "
    "Protocol (LDAP) Data Interchange Format (LDIF) directory export tool (LDIFDE). The homeMTA "
    "attribute value should be in the following form:\r\nCN=Microsoft MTA,CN=<ServerName>,"
    "CN=Servers,CN=<Administrative Group>,CN=Administrative Groups,CN=<organization>,"
    "CN=Microsoft Exchange,CN=Services,CN=Configuration,DC=<domainName>,DC=com\r\nMailbox ";

void Warn(ScanEnvironment& env, const std::string& text) {
  env.log.LogEvent(EventType::kWarning, event_id::kGeneral, text);
}

// The configured server of the home server (12), with the data source that
// publishes it: the group's own, or else the server's.
struct ServerMatch {
  const ServerEntry* server = nullptr;
  std::string datasource;
};
ServerMatch MatchServer(const AgentSettings& s, size_t group, const HomeServer& home) {
  ServerMatch match;
  match.datasource = group < s.group_datasources.size() ? s.group_datasources[group] : "";
  for (const auto& server : s.servers) {
    if (!EqualsNoCase(server.name, home.server_name)) continue;
    if (match.datasource.empty()) {
      match.datasource = server.ds;
    } else if (!EqualsNoCase(server.ds, match.datasource)) {
      continue;
    }
    match.server = &server;
    break;
  }
  return match;
}

}  // namespace

OwnerRead ReadOwner(ScanEnvironment& env, const ENTRYID& owner_entry_id, const std::string& mailbox) {
  OwnerRead read;
  ULONG object_type = 0;
  std::shared_ptr<IUnknown> owner_object;
  read.hr =
      env.address_book.OpenEntry(owner_entry_id, nullptr, MAPI_BEST_ACCESS, &object_type, &owner_object);
  auto owner = mapi_cast<IMAPIProp>(owner_object);
  if (FAILED(read.hr) || !owner) {
    env.log.LogEvent(EventType::kError, event_id::kOwnerEntry, mailbox, "DoUser");
    if (!FAILED(read.hr)) read.hr = MAPI_E_NOT_FOUND;
    return read;
  }
  SPropTagArray owner_tags = OwnerPropertyTags(env.settings);
  std::vector<SPropValue> owner_values;
  read.hr = owner->GetProps(&owner_tags, 0, &owner_values);
  if (FAILED(read.hr)) {
    env.log.LogEvent(EventType::kError, event_id::kOwnerProps, mailbox);
    env.log.LogEvent(EventType::kWarning, event_id::kSqlTraceOrTiming,
                     "Return code = " + HResultHex(read.hr));
    return read;
  }
  read.props = ReadOwnerProperties(env.settings, owner_values);
  return read;
}

ScanValues OwnerValues(const ScanEnvironment& env, const std::string& mailbox, const OwnerProperties& o) {
  const AgentSettings& s = env.settings;
  const Dialect dialect = env.db.dialect();
  auto q50 = [&](const std::string& t) { return QuoteForSql(t, 50, dialect); };
  ScanValues v;
  v.dl = QuoteForSql(env.membership.Find(mailbox), 250, dialect);
  v.name = q50(mailbox);
  // The SMTP address goes into Title; the security-group attribute, written
  // as read, into Reserved3.
  const bool smtp = o.smtp_address && !o.smtp_address->empty();
  v.user = UserRowValues{
      .name = v.name,
      .title = smtp ? q50(*o.smtp_address) : std::string(),
      .dl = v.dl,
      .phone = q50(o.phone),
      .office = q50(o.office),
      .initials = q50(o.initials),
      .acl = {},  // the access lists and the data source follow once known
      .aclw = {},
      .datasource = {},
      .time_difference = 0,
      .alias = q50(o.alias),
      .department = q50(o.department),
      .reserved3 = s.mb_cust_attr_sec_group > 0 ? q50(o.sec_group_attribute.value_or("")) : std::string(),
      .prof_title = q50(o.prof_title),
      .off_fax = q50(o.off_fax),
      .home_phone = q50(o.home_phone),
      .mobile_phone = q50(o.mobile_phone),
      .adr_comment = QuoteForSql(o.adr_comment, 1024, dialect),
      .assoc_nt_acc = {},
  };
  if (s.mailbox_custom_attribute > 0) {
    bool is_one = AttributeIsOne(o.security_attribute);
    v.minimum_security = (s.reverse_security_logic == 0 ? is_one : !is_one) ? 1 : 0;
  }
  if (s.mb_cust_attr_book_meetings > 0) v.book_meetings = AttributeIsOne(o.book_meetings_attribute);
  if (s.free_busy != 0) v.minimum_security = 1;
  return v;
}

PublisherChoice ChoosePublisher(ScanEnvironment& env, size_t group, const std::string& mailbox,
                                const OwnerProperties& o, ScanValues& v) {
  const AgentSettings& s = env.settings;
  ScanCycleState& cycle = env.cycle;
  PublisherChoice choice;
  if (!o.home_mta) {
    Warn(env, "User '" + mailbox +
                  "' does not seem to have an associated mailbox or has no homeMTA "
                  "attribute defined in Active Directory." +
                  kHomeMtaHelp + mailbox + " will be skipped.");
    --cycle.handled;
    return choice;
  }
  choice.home = ParseHomeMta(*o.home_mta);
  ServerMatch match = MatchServer(s, group, choice.home);
  UserRowValues& u = v.user;
  u.time_difference = TimeDifferenceColumn(match.server);
  v.pdc = match.server ? match.server->pdc : std::string();

  // A mailbox whose server is not configured is not published.
  if (!match.server && s.no_server_check == 0) {
    if (choice.home.server_name.empty()) {
      Warn(env, "User " + mailbox + " has no homeMTA attribute defined in Active Directory." + kHomeMtaHelp +
                    mailbox + " will be skipped.");
    } else {
      env.log.LogEvent(EventType::kError, event_id::kHomeServer, choice.home.server_name, mailbox);
    }
    --cycle.handled;
    return choice;
  }

  // The associated Windows account, looked up where the server's accounts live.
  if (!o.assoc_nt_account.empty() && env.sid_lookup) {
    if (auto account = env.sid_lookup(v.pdc, o.assoc_nt_account)) {
      u.assoc_nt_acc = QuoteForSql(*account, 50, env.db.dialect());
    }
  }

  const bool local = s.no_server_check != 0 || (EqualsNoCase(match.datasource, s.db) &&
                                                group < s.local_flags.size() && s.local_flags[group]);
  u.datasource = QuoteForSql(local ? std::string("$local") : match.datasource, 50, env.db.dialect());
  if (!local) ++cycle.remote;
  WriteUserRow(env.db, UserRowForm::kFirst, env.fill_table, u, env.instance_name);
  // A pending booking for a mailbox another source publishes makes it scanned here after all.
  const bool forced =
      !local && env.bookings && env.bookings->HasBookings() && env.bookings->ForcesScan(mailbox, v.dl);
  choice.publisher = local || forced ? Publisher::kThisAgent : Publisher::kAnotherSource;
  return choice;
}

bool StopRequestedAfterPause(ScanEnvironment& env) {
  const AgentSettings& s = env.settings;
  const ScanCycleState& cycle = env.cycle;
  if (s.delay_after_num_mbx > 0 && (cycle.handled - cycle.remote) % s.delay_after_num_mbx == 0) {
    for (int waited = 0; waited < s.delay_secs; waited += 2) {
      if (env.sleep) env.sleep(std::chrono::milliseconds(2000));
      if (env.stop.CheckStopRequest()) return true;
    }
  }
  return env.stop.CheckStopRequest();
}

}  // namespace korvale::scan_phase
