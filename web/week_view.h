// The layout of a group page: the group's people and rooms down the side,
// days across, each appointment in the day it touches, ordered by start.
// Moving back and forth stays inside the published window (DaysPast before
// today to DaysAhead after it).
#pragma once

#include <string>
#include <vector>

#include "web/access.h"
#include "web/published.h"
#include "web/shown_appointment.h"

namespace korvale::web {

struct PublishedWindow {
  Day first, last;  // both inclusive
};
PublishedWindow WindowAround(Day today, int days_past, int days_ahead);

// The first day to show: the requested day when it lies in the window, else
// the Monday of today's week; either clamped into the window.
Day FirstShownDay(const std::string& requested, Day today, const PublishedWindow& window);

struct MemberWeek {
  MemberRow member;
  CalendarRights rights;
  std::vector<std::vector<ShownAppointment>> days;  // one list per shown day
};

struct WeekView {
  std::vector<Day> days;
  std::vector<MemberWeek> members;
  bool has_previous = false, has_next = false;
  Day previous, next;  // first days of the neighbouring pages
};

// `rows` are the appointment rows of all `members` for the shown days.
WeekView BuildWeek(Day first, int day_count, const PublishedWindow& window,
                   const std::vector<MemberRow>& members, const std::vector<PublishedRow>& rows,
                   const std::string& visitor, const PublishedState& state);

}  // namespace korvale::web
