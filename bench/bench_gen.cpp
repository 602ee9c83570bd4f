// korvale-bench-gen: writes an organisation store with many mailboxes and
// full calendars, a Caldrun.ini that scans all of them and the profile file
// that maps the servers to the store, so that one agent cycle can be timed.
//
//   korvale-bench-gen --out DIR --dsn NAME [--mailboxes N] [--servers S]
//                     [--items M] [--seed X] [--shared] [--instance NAME]
//
// Everything is written in one process with one transaction per batch of
// mailboxes; the calendars are deterministic for a seed (dates relative to
// today, so that the agent's scan window always covers them).
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "bench/calendar_writer.h"
#include "bench/recurrence_blob.h"
#include "platform/mapi/calendar_named_props.h"
#include "platform/mapi/orgstore/org_store.h"
#include "tools/orgadmin/appointment.h"
#include "tools/orgadmin/commands.h"
#include "tools/orgadmin/org_file.h"

namespace korvale::bench {
namespace {

using namespace std::chrono;
namespace os = mapi::orgstore;

constexpr const char* kZone = "W. Europe Standard Time";
constexpr const char* kOrg = "Bench";
constexpr const char* kSite = "Site";

struct Options {
  std::string out, dsn, instance = "KorvaleBench";
  int mailboxes = 100, servers = 4, items = 100, batch = 50;
  uint32_t seed = 1;
  bool shared = false;
};

std::string Alias(int i) { return "user" + std::to_string(i); }
std::string DisplayName(int i) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "Bench User %05d", i);
  return buf;
}
std::string ServerName(int s) { return "SRV" + std::to_string(s + 1); }
std::string ListAlias(int s) { return "staff-" + std::to_string(s + 1); }
std::string ListDn(int s) {
  return std::string("/o=") + kOrg + "/ou=" + kSite + "/cn=Recipients/cn=" + ListAlias(s);
}

os::AccountSpec Account(const std::string& name) {
  os::AccountSpec a;
  a.domain = "BENCH";
  a.name = name;
  return a;
}

// Local time of the bench zone (UTC+1, summer time from the last Sunday of
// March to the last Sunday of October, switching at 01:00 UTC) as FILETIME;
// the zone table lookup of the administration tool is too slow per item.
mapi::FILETIME LocalToUtc(sys_days day, int minute) {
  auto last_sunday = [](int y, unsigned m) {
    sys_days end = sys_days{year{y} / month{m} / std::chrono::last};
    return end - (weekday{end} - Sunday);
  };
  int y = static_cast<int>(year_month_day{day}.year());
  sys_seconds local = sys_seconds{day} + minutes(minute);
  sys_seconds utc = local - hours(1);
  if (utc >= sys_seconds{last_sunday(y, 3)} + hours(1) && utc < sys_seconds{last_sunday(y, 10)} + hours(1))
    utc -= hours(1);
  return static_cast<mapi::FILETIME>(utc.time_since_epoch().count() + 11644473600LL) * 10000000ULL;
}

std::string LocalText(sys_days day, int minute) {
  year_month_day ymd{day};
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02u-%02u %02d:%02d", static_cast<int>(ymd.year()),
                static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()), minute / 60,
                minute % 60);
  return buf;
}

os::OrganisationSpec Directory(const Options& o) {
  os::OrganisationSpec spec;
  for (int s = 0; s < o.servers; ++s) spec.servers.push_back({ServerName(s), kOrg, kSite});
  spec.domains.push_back({"BENCH", "S-1-5-21-7100-7200-7300", {"\\\\DC1"}});
  spec.accounts.push_back(Account("svc-korvale"));
  os::RecipientSpec svc;
  svc.alias = "svc-korvale";
  svc.display_name = "Korvale Service";
  svc.server = ServerName(0);
  svc.nt_account = "BENCH\\svc-korvale";
  spec.recipients.push_back(svc);
  std::vector<os::RecipientSpec> lists(o.servers);
  for (int s = 0; s < o.servers; ++s) {
    lists[s].kind = os::RecipientKind::kDistList;
    lists[s].alias = ListAlias(s);
    lists[s].display_name = "Staff " + ServerName(s);
    lists[s].legacy_dn = ListDn(s);
  }
  for (int i = 0; i < o.mailboxes; ++i) {
    spec.accounts.push_back(Account(Alias(i)));
    os::RecipientSpec r;
    r.alias = Alias(i);
    r.display_name = DisplayName(i);
    r.server = ServerName(i % o.servers);
    r.smtp = Alias(i) + "@bench.example";
    r.nt_account = "BENCH\\" + Alias(i);
    r.props = {{mapi::PR_DEPARTMENT_NAME, std::string(i % 3 ? "Sales" : "Engineering")},
               {mapi::PR_TITLE, std::string("Staff")}};
    spec.recipients.push_back(r);
    lists[i % o.servers].members.push_back(r.alias);
    if (i % 2 == 0) spec.permissions.push_back({r.alias, "Calendar", "", 0x401});  // Reviewer
  }
  for (auto& l : lists) spec.recipients.push_back(l);
  return spec;
}

const char* const kSubjects[] = {"Team meeting", "Customer call", "Review",    "Planning", "One-to-one",
                                 "Workshop",     "Lunch",         "Interview", "Training", "Status update"};
const char* const kLocations[] = {"", "Room 1", "Room 2", "Office", "Online", "Customer site"};
const char* const kCategories[] = {"Customer", "Internal", "Travel", "Holiday", "Board"};

// One calendar item of mailbox `i`; kind is chosen from the mix.
Expected<orgadmin::AppointmentSpec> MakeItem(const Options& o, std::mt19937& rng, int i, sys_days today) {
  auto pick = [&](int n) { return static_cast<int>(rng() % n); };
  orgadmin::AppointmentSpec a;
  a.mailbox = DisplayName(i);
  a.subject = std::string(kSubjects[pick(10)]) + " " + std::to_string(pick(1000));
  a.location = kLocations[pick(6)];
  if (pick(100) < 10) a.is_private = true;
  if (pick(100) < 25) a.categories.push_back(kCategories[pick(5)]);
  if (pick(100) < 30) a.body = "Agenda: " + a.subject;
  int kind = pick(100);
  sys_days start_day = today, end_day = today;
  int start_minute = 0, end_minute = 0;
  if (kind < 70) {
    int day = pick(60), minute = 8 * 60 + 30 * pick(18), length = 30 * (1 + pick(4));
    start_day = end_day = today + days(day);
    start_minute = minute;
    end_minute = minute + length;
    if (pick(100) < 30 && o.mailboxes > 1) {  // a meeting with one to three colleagues
      for (int k = 0, n = 1 + pick(3); k < n; ++k) {
        int other = (i + 1 + pick(o.mailboxes - 1)) % o.mailboxes;
        a.required.push_back(DisplayName(other));
      }
      a.accepted = false;  // keeps every calendar at exactly M items
    }
  } else if (kind < 80) {
    int day = pick(56), length = 2 + pick(3);
    a.all_day = pick(2) == 0;
    start_day = today + days(day);
    end_day = today + days(day + length);
    start_minute = a.all_day ? 0 : 9 * 60;
    end_minute = a.all_day ? 0 : 17 * 60;
    a.busy = pick(2) ? 3 : 2;
  } else {
    WeeklySeries s;
    s.first_day = (today + days(pick(44) - 14) - sys_days{year{1601} / 1 / 1}).count();
    s.period_weeks = 1 + pick(2);
    s.occurrences = 4 + pick(12);
    s.start_minute = 8 * 60 + 30 * pick(18);
    s.duration_minutes = 30 * (1 + pick(3));
    sys_days first = sys_days{year{1601} / 1 / 1} + days(s.first_day);
    sys_days last = sys_days{year{1601} / 1 / 1} + days(LastDay(s));
    start_day = end_day = first;
    start_minute = s.start_minute;
    end_minute = s.start_minute + s.duration_minutes;
    mapi::FILETIME clip_end = LocalToUtc(last, end_minute);
    using mapi::MAPINAMEID;
    a.extra.push_back({MAPINAMEID::Id(mapi::PSETID_Appointment, mapi::kLidRecurrenceBlob), mapi::PT_BINARY,
                       mapi::SBinary(WeeklyRecurrenceBlob(s))});
    a.extra.push_back(
        {MAPINAMEID::Id(mapi::PSETID_Appointment, mapi::kLidRecurring), mapi::PT_BOOLEAN, true});
    a.extra.push_back(
        {MAPINAMEID::Id(mapi::PSETID_Appointment, mapi::kLidRecurrenceType), mapi::PT_LONG, int32_t{2}});
    a.extra.push_back({MAPINAMEID::Id(mapi::PSETID_Appointment, mapi::kLidClipEnd), mapi::PT_SYSTIME,
                       mapi::SysTime{clip_end}});
  }
  a.start = LocalToUtc(start_day, start_minute);
  a.end = LocalToUtc(end_day, end_minute);
  static const std::string zone_struct = [&] {
    std::string z;
    mapi::FILETIME ignored = 0;
    Status st = orgadmin::ParseTime(LocalText(today, 0), kZone, &ignored, &z);
    if (!st.ok()) std::cerr << "zone: " << st.message() << "\n";
    return z;
  }();
  a.zone_struct = zone_struct;
  if (!a.extra.empty())
    a.extra.push_back({mapi::MAPINAMEID::Id(mapi::PSETID_Appointment, mapi::kLidClipStart), mapi::PT_SYSTIME,
                       mapi::SysTime{a.start}});
  return a;
}

void WriteIni(const Options& o, const std::string& path) {
  std::ofstream ini(path);
  ini << "; Written by korvale-bench-gen: every bench mailbox, one scan group per server.\n"
      << "[Config]\nDB=" << o.dsn << "\nSQLite=1\nNewDB=" << (o.shared ? 1 : 0) << "\n"
      << "LogonServer=" << ServerName(0) << "\nLogonMailbox=Korvale Service\n"
      << "DaysPast=15\nDaysAhead=60\nSuccessLog=1\nRecreateMAPIProfile=1\nMSX2k=3\n";
  for (int s = 0; s < o.servers; ++s)
    ini << "Group" << s + 1 << "=Staff " << ServerName(s) << "\nDL" << s + 1 << "=Staff " << ServerName(s)
        << "\n";
  for (int s = 0; s < o.servers; ++s) ini << "Server" << s + 1 << "=" << ServerName(s) << "\n";
  for (int s = 0; s < o.servers; ++s) ini << "[Server" << s + 1 << "]\nTimeDiff=0\nDS=" << o.dsn << "\n";
  for (int s = 0; s < o.servers; ++s) ini << "[Group" << s + 1 << "]\nAddr1=" << ListDn(s) << "\n";
}

int Run(const Options& o) {
  namespace fs = std::filesystem;
  fs::create_directories(o.out);
  std::string store_path = o.out + "/organisation.db";
  fs::remove(store_path);
  auto org = os::OrgStore::Open(store_path, os::OpenMode::kCreate);
  if (!org.ok()) return std::cerr << org.status().message() << "\n", 1;
  auto t0 = steady_clock::now();
  Status s = (*org)->Apply(Directory(o));
  if (!s.ok()) return std::cerr << "directory: " << s.message() << "\n", 1;
  auto t1 = steady_clock::now();
  std::mt19937 rng(o.seed);
  sys_days today = floor<days>(system_clock::now());
  long written = 0;
  for (int first = 0; first < o.mailboxes; first += o.batch) {
    int last = std::min(o.mailboxes, first + o.batch);
    s = (*org)->Apply({}, [&](mapi::IMAPISession& session) -> Status {
      CalendarWriter writer(session);
      for (int i = first; i < last; ++i)
        for (int k = 0; k < o.items; ++k) {
          auto item = MakeItem(o, rng, i, today);
          if (!item.ok()) return item.status();
          Status w = writer.Write(*item);
          if (!w.ok()) return Status::Error(DisplayName(i) + ": " + w.message());
          ++written;
        }
      return Status::Ok();
    });
    if (!s.ok()) return std::cerr << "appointments: " << s.message() << "\n", 1;
  }
  auto t2 = steady_clock::now();
  s = orgadmin::RegisterServers(store_path, o.out + "/mapi-profiles.json", std::cerr);
  if (!s.ok()) return std::cerr << "profiles: " << s.message() << "\n", 1;
  WriteIni(o, o.out + "/Caldrun.ini");
  auto ms = [](auto d) { return duration_cast<milliseconds>(d).count(); };
  std::cout << "mailboxes " << o.mailboxes << " servers " << o.servers << " items " << written
            << " directory_ms " << ms(t1 - t0) << " items_ms " << ms(t2 - t1) << "\n";
  return 0;
}

}  // namespace
}  // namespace korvale::bench

int main(int argc, char** argv) {
  korvale::bench::Options o;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto next = [&]() -> std::string { return i + 1 < argc ? argv[++i] : ""; };
    if (a == "--out")
      o.out = next();
    else if (a == "--dsn")
      o.dsn = next();
    else if (a == "--instance")
      o.instance = next();
    else if (a == "--mailboxes")
      o.mailboxes = std::stoi(next());
    else if (a == "--servers")
      o.servers = std::stoi(next());
    else if (a == "--items")
      o.items = std::stoi(next());
    else if (a == "--seed")
      o.seed = static_cast<uint32_t>(std::stoul(next()));
    else if (a == "--batch")
      o.batch = std::stoi(next());
    else if (a == "--shared")
      o.shared = true;
    else {
      std::cerr << "usage: korvale-bench-gen --out DIR --dsn NAME [--mailboxes N] [--servers S] [--items M]"
                   " [--seed X] [--batch B] [--shared]\n";
      return 2;
    }
  }
  if (o.out.empty() || o.dsn.empty() || o.mailboxes < 1 || o.servers < 1 || o.items < 0 || o.batch < 1) {
    std::cerr << "korvale-bench-gen: --out and --dsn are required; counts must be positive\n";
    return 2;
  }
  return korvale::bench::Run(o);
}
