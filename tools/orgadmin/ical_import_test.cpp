// import-ics: series written into a real organisation store must read back
// through the agent's pattern reader and expander as the same occurrences
// libical expands from the file; what the pattern cannot hold is refused.
#include <gtest/gtest.h>
#include <libical/ical.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "agent/scan/recurrence/expander.h"
#include "agent/scan/recurrence/pattern_reader.h"
#include "platform/mapi/calendar_named_props.h"
#include "platform/mapi/orgstore/org_store.h"
#include "platform/tz/tz.h"
#include "tests/support/temp_dir.h"
#include "tools/orgadmin/commands.h"
#include "tools/orgadmin/ical_import.h"

namespace korvale::orgadmin {
namespace {

using namespace mapi;

std::string SourceFile(const std::string& relative) {
  const char* src = std::getenv("KORVALE_SOURCE_DIR");
  std::ifstream in(std::string(src ? src : ".") + "/" + relative, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

std::string Format(int y, int mo, int d, int h, int mi) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", y, mo, d, h, mi);
  return text;
}
std::string Format(const SYSTEMTIME& t) { return Format(t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute); }
std::string Format(const icaltimetype& t) { return Format(t.year, t.month, t.day, t.hour, t.minute); }

// Window of the comparison: no bounded series of the samples crosses its edges.
constexpr int kFromYear = 2026, kToYear = 2029;
const std::string kWindowFrom = Format(kFromYear, 1, 1, 0, 0), kWindowTo = Format(kToYear, 12, 31, 0, 0);

// "start|subject|location" of every occurrence libical makes of each series, by subject of the series.
std::map<std::string, std::vector<std::string>> LibicalOccurrences(const std::string& text) {
  std::map<std::string, std::vector<std::string>> out;
  icalcomponent* root = icalparser_parse_string(text.c_str());
  std::map<std::string, std::vector<icalcomponent*>> overrides;
  for (icalcomponent* c = icalcomponent_get_first_component(root, ICAL_VEVENT_COMPONENT); c;
       c = icalcomponent_get_next_component(root, ICAL_VEVENT_COMPONENT))
    if (icalcomponent_get_first_property(c, ICAL_RECURRENCEID_PROPERTY))
      overrides[icalcomponent_get_uid(c)].push_back(c);
  for (icalcomponent* c = icalcomponent_get_first_component(root, ICAL_VEVENT_COMPONENT); c;
       c = icalcomponent_get_next_component(root, ICAL_VEVENT_COMPONENT)) {
    icalproperty* rrule = icalcomponent_get_first_property(c, ICAL_RRULE_PROPERTY);
    if (!rrule || icalcomponent_get_first_property(c, ICAL_RECURRENCEID_PROPERTY)) continue;
    const std::string subject = icalcomponent_get_summary(c);
    const std::string location = icalcomponent_get_location(c) ? icalcomponent_get_location(c) : "";
    std::set<std::string> skipped;
    for (icalproperty* p = icalcomponent_get_first_property(c, ICAL_EXDATE_PROPERTY); p;
         p = icalcomponent_get_next_property(c, ICAL_EXDATE_PROPERTY))
      skipped.insert(Format(icalproperty_get_exdate(p)));
    auto& rows = out[subject];
    for (icalcomponent* o : overrides[icalcomponent_get_uid(c)]) {
      skipped.insert(Format(icalcomponent_get_recurrenceid(o)));
      rows.push_back(Format(icalcomponent_get_dtstart(o)) + "|" + icalcomponent_get_summary(o) + "|" +
                     icalcomponent_get_location(o));
    }
    icalrecur_iterator* it =
        icalrecur_iterator_new(icalproperty_get_rrule(rrule), icalcomponent_get_dtstart(c));
    for (icaltimetype t = icalrecur_iterator_next(it); !icaltime_is_null_time(t);
         t = icalrecur_iterator_next(it)) {
      const std::string start = Format(t);
      if (start >= kWindowTo) break;
      if (start >= kWindowFrom && !skipped.count(start))
        rows.push_back(start + "|" + subject + "|" + location);
    }
    icalrecur_iterator_free(it);
    std::sort(rows.begin(), rows.end());
  }
  icalcomponent_free(root);
  return out;
}

struct StoredSeries {
  std::string subject, location, blob, zone;
  FILETIME start = 0, end = 0, clip_end = 0;
  int32_t type = 0;
  size_t attachments = 0;
};

std::vector<StoredSeries> ReadCalendar(const std::string& store, const std::string& mailbox) {
  std::shared_ptr<IMAPISession> session;
  EXPECT_EQ(orgstore::OpenOrgStoreSession(store, "", &session), S_OK);
  auto box = OpenMailbox(*session, mailbox);
  EXPECT_TRUE(box.ok());
  if (!box.ok()) return {};
  SPropTagArray ids;
  EXPECT_EQ(box->calendar->GetIDsFromNames(
                {MAPINAMEID::Id(PSETID_Appointment, kLidRecurrenceBlob),
                 MAPINAMEID::Id(PSETID_Appointment, kLidTimeZoneStruct),
                 MAPINAMEID::Id(PSETID_Appointment, kLidStart), MAPINAMEID::Id(PSETID_Appointment, kLidEnd),
                 MAPINAMEID::Id(PSETID_Appointment, kLidClipEnd),
                 MAPINAMEID::Id(PSETID_Appointment, kLidRecurrenceType),
                 MAPINAMEID::Id(PSETID_Appointment, kLidLocation)},
                MAPI_CREATE, &ids),
            S_OK);
  SPropTagArray cols{PR_SUBJECT,
                     CHANGE_PROP_TYPE(ids[0], PT_BINARY),
                     CHANGE_PROP_TYPE(ids[1], PT_BINARY),
                     CHANGE_PROP_TYPE(ids[2], PT_SYSTIME),
                     CHANGE_PROP_TYPE(ids[3], PT_SYSTIME),
                     CHANGE_PROP_TYPE(ids[4], PT_SYSTIME),
                     CHANGE_PROP_TYPE(ids[5], PT_LONG),
                     CHANGE_PROP_TYPE(ids[6], PT_STRING8)};
  std::shared_ptr<IMAPITable> table;
  EXPECT_EQ(box->calendar->GetContentsTable(0, &table), S_OK);
  SRowSet rows;
  const SPropTagArray entry_id{PR_ENTRYID};
  EXPECT_EQ(HrQueryAllRows(table.get(), &entry_id, nullptr, nullptr, 0, &rows), S_OK);
  std::vector<StoredSeries> out;
  for (const auto& row : rows.aRow) {
    ULONG type = 0;
    std::shared_ptr<IUnknown> unk;
    EXPECT_EQ(box->store->OpenEntry(*row[0].Binary(), nullptr, MAPI_BEST_ACCESS, &type, &unk), S_OK);
    auto msg = mapi_cast<IMessage>(unk);
    std::vector<SPropValue> v;
    msg->GetProps(&cols, 0, &v);
    StoredSeries s;
    if (v[0].String()) s.subject = *v[0].String();
    if (v[1].Binary()) s.blob.assign(v[1].Binary()->begin(), v[1].Binary()->end());
    if (v[2].Binary()) s.zone.assign(v[2].Binary()->begin(), v[2].Binary()->end());
    if (auto* t = v[3].FileTime()) s.start = t->ft;
    if (auto* t = v[4].FileTime()) s.end = t->ft;
    if (auto* t = v[5].FileTime()) s.clip_end = t->ft;
    if (v[6].Long()) s.type = *v[6].Long();
    if (v[7].String()) s.location = *v[7].String();
    std::shared_ptr<IMAPITable> attachments;
    SRowSet arows;
    const SPropTagArray number{PR_ATTACH_NUM};
    if (msg->GetAttachmentTable(0, &attachments) == S_OK &&
        HrQueryAllRows(attachments.get(), &number, nullptr, nullptr, 0, &arows) == S_OK)
      s.attachments = arows.aRow.size();
    out.push_back(s);
  }
  return out;
}

// The agent's view of a stored series: read with its pattern reader, expanded
// over the window in the series' own zone.
std::vector<std::string> AgentOccurrences(const StoredSeries& s) {
  auto zone = tz::TimeZoneStructFromBytes(s.zone);
  EXPECT_TRUE(zone) << s.subject;
  if (!zone) return {};
  recurrence::PatternInput in{s.blob,
                              tz::SystemTimeToTzSpecificLocalTime(*zone, tz::FileTimeToSystemTime(s.start)),
                              tz::SystemTimeToTzSpecificLocalTime(*zone, tz::FileTimeToSystemTime(s.end)),
                              tz::FileTimeToSystemTime(s.clip_end),
                              *zone,
                              false,
                              {}};
  auto type = recurrence::ChooseRecurrenceType(s.type, s.blob);
  EXPECT_TRUE(type) << s.subject;
  recurrence::RecurrenceState state;
  EXPECT_TRUE(type && recurrence::ReadPattern(*type, in, state)) << s.subject;
  if (!type) return {};
  SYSTEMTIME from, to;
  from.wYear = kFromYear;
  from.wMonth = from.wDay = 1;
  to.wYear = kToYear;
  to.wMonth = 12;
  to.wDay = 31;
  recurrence::ExpansionFrame frame{
      {*tz::SystemTimeToFileTime(from), *tz::SystemTimeToFileTime(to)}, *zone, *zone};
  std::vector<std::string> rows;
  recurrence::Expand(
      *type, state, {s.subject, s.location, 2, "", ""}, frame, [&](const recurrence::Occurrence& o) {
        rows.push_back(Format(o.start) + "|" + std::string(o.subject) + "|" + std::string(o.location));
      });
  std::sort(rows.begin(), rows.end());
  return rows;
}

class IcalImportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    korvale::testing::WriteFileBytes(dir_.path() / "org.json",
                                     SourceFile("tools/orgadmin/examples/small-org.json"));
    std::ostringstream out;
    ASSERT_TRUE(CreateOrganisation(store_, dir_.File("org.json"), out).ok());
  }
  korvale::testing::TempDir dir_;
  std::string store_ = dir_.File("org.db");
};

// Every series of the samples reads back through the agent as libical expands it:
// the pattern's days, counts, end dates, deleted and moved occurrences and zones agree.
TEST_F(IcalImportTest, SeriesReadBackAsLibicalExpandsThem) {
  const std::string text = SourceFile("tests/data/ical/series.ics");
  ASSERT_FALSE(text.empty());
  korvale::testing::WriteFileBytes(dir_.path() / "series.ics", text);
  std::ostringstream out;
  Status s = ImportIcs(store_, "alice", dir_.File("series.ics"), out);
  ASSERT_TRUE(s.ok()) << s.message();
  EXPECT_NE(out.str().find("16 event(s) imported into alice, 15 of them recurring"), std::string::npos)
      << out.str();
  EXPECT_NE(out.str().find("note: the series \"Late start\" begins on its first occurrence 2026-04-06 10:00"),
            std::string::npos)
      << out.str();
  const auto expected = LibicalOccurrences(text);
  const auto stored = ReadCalendar(store_, "alice");
  size_t compared = 0;
  for (const auto& series : stored) {
    auto want = expected.find(series.subject);
    if (series.blob.empty()) continue;
    ASSERT_NE(want, expected.end()) << series.subject;
    EXPECT_FALSE(want->second.empty()) << series.subject;
    EXPECT_EQ(AgentOccurrences(series), want->second) << series.subject;
    ++compared;
  }
  EXPECT_EQ(compared, expected.size());
}

// Changed occurrences are embedded items of their series, and a single event stays single.
TEST_F(IcalImportTest, ChangedOccurrencesBecomeEmbeddedItems) {
  korvale::testing::WriteFileBytes(dir_.path() / "series.ics", SourceFile("tests/data/ical/series.ics"));
  std::ostringstream out;
  ASSERT_TRUE(ImportIcs(store_, "alice", dir_.File("series.ics"), out).ok());
  std::map<std::string, StoredSeries> by_subject;
  for (const auto& s : ReadCalendar(store_, "alice")) by_subject[s.subject] = s;
  EXPECT_EQ(by_subject["Stand-up"].attachments, 2u);
  EXPECT_EQ(by_subject["Board"].attachments, 1u);
  EXPECT_EQ(by_subject["Gym"].attachments, 0u);
  EXPECT_TRUE(by_subject["Single"].blob.empty());
  EXPECT_EQ(by_subject["Single"].type, 0);
}

// Rules the pattern cannot express are refused naming the event, before anything is written.
TEST_F(IcalImportTest, InexpressibleRulesAreRefusedAndNothingIsWritten) {
  const auto before = ReadCalendar(store_, "alice").size();
  korvale::testing::WriteFileBytes(dir_.path() / "refused.ics", SourceFile("tests/data/ical/refused.ics"));
  std::ostringstream out;
  Status s = ImportIcs(store_, "alice", dir_.File("refused.ics"), out);
  ASSERT_FALSE(s.ok());
  EXPECT_NE(s.message().find("\"twice-a-day\""), std::string::npos) << s.message();
  EXPECT_NE(s.message().find("\"Twice a day\""), std::string::npos) << s.message();
  EXPECT_NE(s.message().find("BYHOUR"), std::string::npos) << s.message();
  EXPECT_EQ(ReadCalendar(store_, "alice").size(), before);

  for (const std::string rule :
       {"FREQ=HOURLY", "FREQ=MINUTELY", "FREQ=DAILY;BYMINUTE=5,10", "FREQ=MONTHLY;BYMONTHDAY=1,15",
        "FREQ=YEARLY;BYWEEKNO=20", "FREQ=YEARLY;BYYEARDAY=100", "FREQ=MONTHLY;BYDAY=TU",
        "FREQ=MONTHLY;BYMONTHDAY=-1", "FREQ=MONTHLY;BYDAY=MO;BYSETPOS=1,2"}) {
    const std::string ics =
        "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\nUID:u1\r\nSUMMARY:S1\r\n"
        "DTSTART:20260302T090000Z\r\nDTEND:20260302T100000Z\r\nRRULE:" +
        rule + "\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
    auto events = ReadIcsEvents(ics, "alice", "t.ics");
    ASSERT_FALSE(events.ok()) << rule;
    EXPECT_NE(events.status().message().find("UID \"u1\" SUMMARY \"S1\""), std::string::npos)
        << events.status().message();
  }
}

// Broken input is reported, not crashed on.
TEST_F(IcalImportTest, BrokenFilesAreReported) {
  EXPECT_FALSE(ReadIcsEvents("not a calendar", "alice", "x.ics").ok());
  EXPECT_FALSE(ReadIcsEvents("BEGIN:VCALENDAR\r\nEND:VCALENDAR\r\n", "alice", "x.ics").ok());
  auto unknown = ReadIcsEvents(
      "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nUID:z\r\nSUMMARY:Z\r\n"
      "DTSTART;TZID=Nowhere/Atlantis:20260302T090000\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n",
      "alice", "x.ics");
  ASSERT_FALSE(unknown.ok());
  EXPECT_NE(unknown.status().message().find("Nowhere/Atlantis"), std::string::npos)
      << unknown.status().message();
}

}  // namespace
}  // namespace korvale::orgadmin
