// An iCalendar RRULE translated into the recurrence pattern the mail client
// stores, or refused when the pattern cannot express it.
#pragma once

#include <libical/ical.h>

#include "common/status.h"
#include "tools/orgadmin/recurrence_writer.h"

namespace korvale::orgadmin {

// Fills kind, interval, day mask, day of month, week number and first day of
// week of `pattern` from the rule; `dtstart` is the series' first start
// (wall time), which must itself be an occurrence of the rule. The error
// says which part of the rule cannot be stored.
Status TranslateRule(const icalrecurrencetype& rule, const icaltimetype& dtstart, SeriesPattern* pattern);

}  // namespace korvale::orgadmin
