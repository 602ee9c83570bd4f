// The iCalendar feed of one published calendar: a VCALENDAR with one VEVENT
// per published occurrence, under the same rules of who sees what as the
// pages. Times are written as the calendar tables hold them (local time of
// the installation, without a zone).
#pragma once

#include <string>
#include <vector>

#include "web/shown_appointment.h"

namespace korvale::web {

// `calendar_name` names the feed (X-WR-CALNAME); `stamp` is the DTSTAMP of
// every event. Busy blocks get the busy status as summary and CLASS:PRIVATE;
// free time is TRANSPARENT.
std::string BuildFeed(const std::string& calendar_name, const std::vector<ShownAppointment>& appointments,
                      const SqlTimestamp& stamp);

}  // namespace korvale::web
