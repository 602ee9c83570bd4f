#include "web/feed.h"

#include <libical/ical.h>

#include <cstdlib>
#include <memory>

namespace korvale::web {

namespace {

struct ComponentFree {
  void operator()(icalcomponent* c) const { icalcomponent_free(c); }
};
using Component = std::unique_ptr<icalcomponent, ComponentFree>;

icaltimetype Local(const SqlTimestamp& t) {
  icaltimetype time = icaltime_null_time();
  time.year = t.year;
  time.month = t.month;
  time.day = t.day;
  time.hour = t.hour;
  time.minute = t.minute;
  time.second = t.second;
  time.is_date = 0;
  time.zone = nullptr;  // floating: the tables hold local times
  return time;
}

icalcomponent* Event(const ShownAppointment& a, const SqlTimestamp& stamp) {
  icalcomponent* event = icalcomponent_new(ICAL_VEVENT_COMPONENT);
  icalcomponent_add_property(event, icalproperty_new_uid(a.uid.c_str()));
  icaltimetype utc_stamp = Local(stamp);
  utc_stamp.zone = icaltimezone_get_utc_timezone();
  icalcomponent_add_property(event, icalproperty_new_dtstamp(utc_stamp));
  icalcomponent_add_property(event, icalproperty_new_dtstart(Local(a.start)));
  icalcomponent_add_property(event, icalproperty_new_dtend(Local(a.end)));
  if (a.details) {
    icalcomponent_add_property(event, icalproperty_new_summary(a.title.c_str()));
    if (!a.location.empty()) icalcomponent_add_property(event, icalproperty_new_location(a.location.c_str()));
    if (!a.category.empty())
      icalcomponent_add_property(event, icalproperty_new_categories(a.category.c_str()));
  } else {
    icalcomponent_add_property(event, icalproperty_new_summary(StatusText(a.status).c_str()));
    icalcomponent_add_property(event, icalproperty_new_class(ICAL_CLASS_PRIVATE));
  }
  icalcomponent_add_property(
      event, icalproperty_new_transp(a.status == 0 ? ICAL_TRANSP_TRANSPARENT : ICAL_TRANSP_OPAQUE));
  return event;
}

}  // namespace

std::string BuildFeed(const std::string& calendar_name, const std::vector<ShownAppointment>& appointments,
                      const SqlTimestamp& stamp) {
  Component calendar(icalcomponent_new(ICAL_VCALENDAR_COMPONENT));
  icalcomponent_add_property(calendar.get(), icalproperty_new_version("2.0"));
  icalcomponent_add_property(calendar.get(), icalproperty_new_prodid("-//Korvale//korvale-web//EN"));
  icalcomponent_add_property(calendar.get(), icalproperty_new_calscale("GREGORIAN"));
  std::string plain = calendar_name;  // an X- value is written as it stands: no line breaks in it
  for (char& c : plain) {
    if (static_cast<unsigned char>(c) < 0x20) c = ' ';
  }
  icalproperty* name = icalproperty_new_x(plain.c_str());
  icalproperty_set_x_name(name, "X-WR-CALNAME");
  icalcomponent_add_property(calendar.get(), name);
  for (const ShownAppointment& a : appointments) icalcomponent_add_component(calendar.get(), Event(a, stamp));
  char* text = icalcomponent_as_ical_string_r(calendar.get());
  std::string feed = text ? text : "";
  std::free(text);
  return feed;
}

}  // namespace korvale::web
