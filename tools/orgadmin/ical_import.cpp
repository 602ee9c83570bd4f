// iCalendar events to appointments. libical parses and expands the rules;
// the series' wall times stay in the event's own zone (the pattern stores
// local times), the item's start and end go in universal time.
#include "tools/orgadmin/ical_import.h"

#include <libical/ical.h>

#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>

#include "platform/mapi/calendar_named_props.h"
#include "platform/mapi/orgstore/org_store.h"
#include "platform/tz/tz.h"
#include "tools/orgadmin/ical_rule.h"
#include "tools/orgadmin/recurrence_writer.h"

namespace korvale::orgadmin {

using namespace mapi;

namespace {

constexpr uint32_t kMinutesPerDay = 1440;
// More occurrences than any calendar keeps; bounds the walk to the last one.
constexpr int kMaxOccurrences = 100000;
// The clip end of a series without end: 31 Aug 4500 23:59 (local), as the client writes it.
constexpr int kNeverClipYear = 4500;

struct ComponentFree {
  void operator()(icalcomponent* c) const { icalcomponent_free(c); }
};
struct IteratorFree {
  void operator()(icalrecur_iterator* i) const { icalrecur_iterator_free(i); }
};

std::string Text(const char* s) { return s ? s : ""; }

std::string Format(const icaltimetype& t) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", t.year, t.month, t.day, t.hour, t.minute);
  return text;
}

SYSTEMTIME ToSystemTime(const icaltimetype& t) {
  SYSTEMTIME st;
  st.wYear = static_cast<uint16_t>(t.year);
  st.wMonth = static_cast<uint16_t>(t.month);
  st.wDay = static_cast<uint16_t>(t.day);
  if (!t.is_date) {
    st.wHour = static_cast<uint16_t>(t.hour);
    st.wMinute = static_cast<uint16_t>(t.minute);
    st.wSecond = static_cast<uint16_t>(t.second);
  }
  st.wDayOfWeek = static_cast<uint16_t>(tz::DayOfWeek(t.year, t.month, t.day));
  return st;
}

uint32_t Minutes(const SYSTEMTIME& st) {
  return PatternMinutesOf(st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute);
}
FILETIME FileTime(const SYSTEMTIME& st) { return tz::SystemTimeToFileTime(st).value_or(0); }

// Zones by TZID: a Windows key, an IANA id (mapped through the table of
// Windows zones), or any zone ICU knows.
class Zones {
 public:
  std::optional<TIME_ZONE_INFORMATION> Find(const std::string& tzid, int year) {
    if (tzid.empty()) return TIME_ZONE_INFORMATION{};  // universal or floating
    if (!table_) table_ = tz::ReadTimeZoneTable().value_or(std::vector<tz::NamedZone>{});
    for (const auto& z : *table_)
      if (z.key == tzid || z.iana_id == tzid) return z.tzi;
    return tz::TimeZoneForYear(tzid, year);
  }

 private:
  std::optional<std::vector<tz::NamedZone>> table_;
};

// A time of a property as wall time of the series' zone.
struct TimeReader {
  Zones& zones;
  const TIME_ZONE_INFORMATION& series_zone;
  const std::string& series_tzid;

  Expected<SYSTEMTIME> Local(icalproperty* prop, const icaltimetype& t) {
    const SYSTEMTIME st = ToSystemTime(t);
    if (t.is_date) return st;
    if (icaltime_is_utc(t)) return tz::SystemTimeToTzSpecificLocalTime(series_zone, st);
    icalparameter* param = prop ? icalproperty_get_first_parameter(prop, ICAL_TZID_PARAMETER) : nullptr;
    const std::string tzid = param ? Text(icalparameter_get_tzid(param)) : series_tzid;
    if (tzid == series_tzid) return st;
    auto zone = zones.Find(tzid, t.year);
    if (!zone) return Status::Error("the time zone \"" + tzid + "\" is unknown");
    return tz::SystemTimeToTzSpecificLocalTime(series_zone, tz::LocalToUniversal(*zone, st));
  }
};

int BusyOf(icalcomponent* ev) {
  for (icalproperty* p = icalcomponent_get_first_property(ev, ICAL_X_PROPERTY); p;
       p = icalcomponent_get_next_property(ev, ICAL_X_PROPERTY)) {
    if (Text(icalproperty_get_x_name(p)) != "X-MICROSOFT-CDO-BUSYSTATUS") continue;
    const std::string v = Text(icalproperty_get_x(p));
    if (v == "FREE") return 0;
    if (v == "TENTATIVE") return 1;
    if (v == "OOF") return 3;
    return 2;
  }
  icalproperty* transp = icalcomponent_get_first_property(ev, ICAL_TRANSP_PROPERTY);
  if (transp && icalproperty_get_transp(transp) == ICAL_TRANSP_TRANSPARENT) return 0;
  return 2;
}

ExtraProp Named(uint32_t id, ULONG type, PropVariant value) {
  return ExtraProp{MAPINAMEID::Id(PSETID_Appointment, id), type, std::move(value)};
}

struct EventInput {
  icalcomponent* master = nullptr;
  std::vector<icalcomponent*> overrides;
};

// A changed occurrence (RECURRENCE-ID) as the series' exception and its item.
Status ReadOverride(icalcomponent* o, TimeReader& times, const TIME_ZONE_INFORMATION& zone,
                    AppointmentSpec& spec, SeriesPattern& pattern) {
  icalproperty* rid_prop = icalcomponent_get_first_property(o, ICAL_RECURRENCEID_PROPERTY);
  auto original = times.Local(rid_prop, icalproperty_get_recurrenceid(rid_prop));
  icalproperty* o_start_prop = icalcomponent_get_first_property(o, ICAL_DTSTART_PROPERTY);
  if (!o_start_prop) return Status::Error("a changed occurrence has no DTSTART");
  auto o_start = times.Local(o_start_prop, icalproperty_get_dtstart(o_start_prop));
  if (!original.ok()) return original.status();
  if (!o_start.ok()) return o_start.status();
  const int o_duration = icaldurationtype_as_int(icalcomponent_get_duration(o)) / 60;
  if (o_duration < 0) return Status::Error("a changed occurrence ends before it starts");
  if (o_start->wYear < 1601 || o_start->wYear > kNeverClipYear)
    return Status::Error("a changed occurrence starts outside the years 1601 to 4500");
  const SYSTEMTIME o_end = tz::AddMinutes(*o_start, o_duration).value_or(*o_start);
  SeriesException e;
  e.start = Minutes(*o_start);
  e.end = Minutes(o_end);
  e.original_start = Minutes(*original);
  ExceptionItem item;
  item.local_start = FileTime(*o_start);
  item.local_end = FileTime(o_end);
  item.start = FileTime(tz::LocalToUniversal(zone, *o_start));
  item.end = FileTime(tz::LocalToUniversal(zone, o_end));
  item.subject = Text(icalcomponent_get_summary(o));
  item.location = Text(icalcomponent_get_location(o));
  item.body = Text(icalcomponent_get_description(o));
  item.busy = BusyOf(o);
  if (item.subject != spec.subject) e.subject = item.subject;
  if (item.location != spec.location) e.location = item.location;
  if (item.busy != spec.busy) e.busy_status = item.busy;
  e.has_body = item.body != spec.body;
  pattern.exceptions.push_back(e);
  spec.exception_items.push_back(std::move(item));
  return Status::Ok();
}

// The series' named properties: the recurrence blob, the flag, its kind and
// the clip range from the first day's midnight to the last day (or the end
// of the calendar for a series without end).
void AddSeriesProperties(AppointmentSpec& spec, const SeriesPattern& pattern,
                         const TIME_ZONE_INFORMATION& zone, const SYSTEMTIME& first_start,
                         const SYSTEMTIME& last_day, bool bounded) {
  const std::string blob = WriteRecurrencePattern(pattern);
  SYSTEMTIME first_midnight = first_start;
  first_midnight.wHour = first_midnight.wMinute = first_midnight.wSecond = 0;
  SYSTEMTIME clip_end = last_day;
  if (!bounded) {
    clip_end.wYear = kNeverClipYear;
    clip_end.wMonth = 8;
    clip_end.wDay = 31;
    clip_end.wHour = 23;
    clip_end.wMinute = 59;
  }
  spec.extra.push_back(Named(kLidRecurrenceBlob, PT_BINARY, SBinary(blob.begin(), blob.end())));
  spec.extra.push_back(Named(kLidRecurring, PT_BOOLEAN, true));
  spec.extra.push_back(Named(kLidRecurrenceType, PT_LONG, static_cast<int32_t>(pattern.kind)));
  spec.extra.push_back(
      Named(kLidClipStart, PT_SYSTIME, SysTime{FileTime(tz::LocalToUniversal(zone, first_midnight))}));
  spec.extra.push_back(Named(kLidClipEnd, PT_SYSTIME,
                             SysTime{FileTime(bounded ? tz::LocalToUniversal(zone, clip_end) : clip_end)}));
}

// One VEVENT (with its overrides) as an appointment spec.
Expected<AppointmentSpec> ReadEvent(const EventInput& in, const std::string& mailbox, Zones& zones,
                                    std::vector<std::string>* notes) {
  icalcomponent* ev = in.master;
  AppointmentSpec spec;
  spec.mailbox = mailbox;
  spec.subject = Text(icalcomponent_get_summary(ev));
  spec.body = Text(icalcomponent_get_description(ev));
  spec.location = Text(icalcomponent_get_location(ev));
  spec.busy = BusyOf(ev);
  icalproperty* class_prop = icalcomponent_get_first_property(ev, ICAL_CLASS_PROPERTY);
  spec.is_private = class_prop && icalproperty_get_class(class_prop) != ICAL_CLASS_PUBLIC;

  icalproperty* start_prop = icalcomponent_get_first_property(ev, ICAL_DTSTART_PROPERTY);
  if (!start_prop) return Status::Error("it has no DTSTART");
  const icaltimetype dtstart = icalproperty_get_dtstart(start_prop);
  icalparameter* tzid_param = icalproperty_get_first_parameter(start_prop, ICAL_TZID_PARAMETER);
  const std::string tzid =
      tzid_param && !icaltime_is_utc(dtstart) ? Text(icalparameter_get_tzid(tzid_param)) : "";
  auto zone = zones.Find(tzid, dtstart.year);
  if (!zone) return Status::Error("the time zone \"" + tzid + "\" is unknown");
  TimeReader times{zones, *zone, tzid};
  auto start = times.Local(start_prop, dtstart);
  if (!start.ok()) return start.status();
  spec.all_day = dtstart.is_date;
  const int duration = icaldurationtype_as_int(icalcomponent_get_duration(ev)) / 60;
  if (duration < 0) return Status::Error("it ends before it starts");
  if (start->wYear < 1601 || start->wYear > kNeverClipYear)
    return Status::Error("it starts outside the years 1601 to 4500");
  const SYSTEMTIME end = tz::AddMinutes(*start, duration).value_or(*start);
  spec.start = FileTime(tz::LocalToUniversal(*zone, *start));
  spec.end = FileTime(tz::LocalToUniversal(*zone, end));
  spec.zone_struct = tz::TimeZoneStructToBytes(*zone);

  int rules = icalcomponent_count_properties(ev, ICAL_RRULE_PROPERTY);
  if (rules == 0) {
    if (!in.overrides.empty())
      return Status::Error("it has changed occurrences (RECURRENCE-ID) but no RRULE");
    return spec;
  }
  if (rules > 1) return Status::Error("it has several RRULEs");
  if (icalcomponent_get_first_property(ev, ICAL_RDATE_PROPERTY))
    return Status::Error("RDATE cannot be stored");
  if (icalcomponent_get_first_property(ev, ICAL_EXRULE_PROPERTY))
    return Status::Error("EXRULE cannot be stored");
  const icalrecurrencetype rule =
      icalproperty_get_rrule(icalcomponent_get_first_property(ev, ICAL_RRULE_PROPERTY));
  SeriesPattern pattern;
  Status s = TranslateRule(rule, dtstart, &pattern);
  if (!s.ok()) return s;

  // The first and last occurrences as libical walks the rule.
  std::unique_ptr<icalrecur_iterator, IteratorFree> it(icalrecur_iterator_new(rule, dtstart));
  if (!it) return Status::Error("the RRULE cannot be expanded");
  icaltimetype first = icalrecur_iterator_next(it.get());
  if (icaltime_is_null_time(first)) return Status::Error("the RRULE has no occurrence");
  if (icaltime_compare(first, dtstart) != 0) {
    // The client's series always begins on an occurrence; libical, like it,
    // starts at the first date the rule yields, so the two stay alike.
    if (notes)
      notes->push_back("the series \"" + spec.subject + "\" begins on its first occurrence " + Format(first) +
                       ", not on DTSTART " + Format(dtstart));
    SYSTEMTIME moved = ToSystemTime(first);
    start = moved;
    spec.start = FileTime(tz::LocalToUniversal(*zone, moved));
    spec.end = FileTime(tz::LocalToUniversal(*zone, tz::AddMinutes(moved, duration).value_or(moved)));
  }
  const bool bounded = rule.count > 0 || !icaltime_is_null_time(rule.until);
  icaltimetype last = first;
  int count = 1;
  if (bounded) {
    for (icaltimetype t = icalrecur_iterator_next(it.get()); !icaltime_is_null_time(t);
         t = icalrecur_iterator_next(it.get())) {
      last = t;
      if (++count > kMaxOccurrences) return Status::Error("the series has too many occurrences");
    }
  }
  pattern.end = rule.count > 0 ? SeriesEnd::kAfterCount : bounded ? SeriesEnd::kByDate : SeriesEnd::kNever;
  pattern.occurrence_count = bounded ? static_cast<uint32_t>(count) : 0;
  const uint32_t start_minutes = Minutes(*start);
  pattern.start_date = start_minutes - start_minutes % kMinutesPerDay;
  pattern.start_offset = start_minutes % kMinutesPerDay;
  pattern.end_offset = pattern.start_offset + static_cast<uint32_t>(duration);
  SYSTEMTIME last_day = ToSystemTime(last);
  last_day.wHour = last_day.wMinute = last_day.wSecond = 0;
  pattern.end_date = bounded ? Minutes(last_day) : kNeverEndsDate;

  for (icalproperty* p = icalcomponent_get_first_property(ev, ICAL_EXDATE_PROPERTY); p;
       p = icalcomponent_get_next_property(ev, ICAL_EXDATE_PROPERTY)) {
    auto date = times.Local(p, icalproperty_get_exdate(p));
    if (!date.ok()) return date.status();
    pattern.deleted_dates.push_back(Minutes(*date));
  }
  for (icalcomponent* o : in.overrides) {
    Status read = ReadOverride(o, times, *zone, spec, pattern);
    if (!read.ok()) return read;
  }
  for (size_t i = 0; i < pattern.exceptions.size(); ++i)
    for (size_t j = i + 1; j < pattern.exceptions.size(); ++j)
      if (pattern.exceptions[i].original_start / kMinutesPerDay ==
          pattern.exceptions[j].original_start / kMinutesPerDay)
        return Status::Error("two changed occurrences replace occurrences of the same day");

  AddSeriesProperties(spec, pattern, *zone, *start, last_day, bounded);
  return spec;
}

std::string Name(icalcomponent* ev) {
  return "the event UID \"" + Text(icalcomponent_get_uid(ev)) + "\" SUMMARY \"" +
         Text(icalcomponent_get_summary(ev)) + "\"";
}

}  // namespace

Expected<std::vector<AppointmentSpec>> ReadIcsEvents(const std::string& text, const std::string& mailbox,
                                                     const std::string& file,
                                                     std::vector<std::string>* notes) {
  icalerror_set_errors_are_fatal(0);
  std::unique_ptr<icalcomponent, ComponentFree> root(icalparser_parse_string(text.c_str()));
  if (!root) return Status::Error(file + ": not an iCalendar file");
  std::vector<icalcomponent*> events;
  if (icalcomponent_isa(root.get()) == ICAL_VEVENT_COMPONENT) {
    events.push_back(root.get());
  } else {
    for (icalcomponent* c = icalcomponent_get_first_component(root.get(), ICAL_VEVENT_COMPONENT); c;
         c = icalcomponent_get_next_component(root.get(), ICAL_VEVENT_COMPONENT))
      events.push_back(c);
  }
  if (events.empty()) return Status::Error(file + ": holds no VEVENT");
  // Series by UID in file order, changed occurrences attached to their series.
  std::vector<std::string> order;
  std::map<std::string, EventInput> by_uid;
  size_t anonymous = 0;
  for (icalcomponent* ev : events) {
    std::string uid = Text(icalcomponent_get_uid(ev));
    if (uid.empty()) uid = "\x01" + std::to_string(anonymous++);
    auto [entry, fresh] = by_uid.try_emplace(uid);
    if (fresh) order.push_back(uid);
    if (icalcomponent_get_first_property(ev, ICAL_RECURRENCEID_PROPERTY)) {
      entry->second.overrides.push_back(ev);
    } else {
      if (entry->second.master) return Status::Error(file + ": " + Name(ev) + " occurs twice");
      entry->second.master = ev;
    }
  }
  Zones zones;
  std::vector<AppointmentSpec> out;
  for (const std::string& uid : order) {
    const EventInput& in = by_uid[uid];
    if (!in.master)
      return Status::Error(file + ": " + Name(in.overrides[0]) +
                           " changes an occurrence of a series not in the file");
    auto spec = ReadEvent(in, mailbox, zones, notes);
    if (!spec.ok()) return Status::Error(file + ": " + Name(in.master) + ": " + spec.status().message());
    out.push_back(std::move(*spec));
  }
  return out;
}

Status ImportIcs(const std::string& store, const std::string& mailbox, const std::string& path,
                 std::ostream& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return Status::Error(path + ": cannot be read");
  std::stringstream text;
  text << in.rdbuf();
  std::vector<std::string> notes;
  auto events = ReadIcsEvents(text.str(), mailbox, path, &notes);
  if (!events.ok()) return events.status();
  auto org = orgstore::OrgStore::Open(store, orgstore::OpenMode::kExisting);
  if (!org.ok()) return org.status();
  size_t series = 0;
  Status s = (*org)->Apply(orgstore::OrganisationSpec{}, [&](IMAPISession& session) -> Status {
    for (const auto& spec : *events) {
      auto id = WriteAppointment(session, spec);
      if (!id.ok()) return Status::Error(path + ": \"" + spec.subject + "\": " + id.status().message());
      if (!spec.extra.empty()) ++series;
    }
    return Status::Ok();
  });
  if (!s.ok()) return s;
  for (const auto& note : notes) out << path << ": note: " << note << "\n";
  out << store << ": " << events->size() << " event(s) imported into " << mailbox << ", " << series
      << " of them recurring\n";
  return Status::Ok();
}

}  // namespace korvale::orgadmin
