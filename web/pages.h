// The bodies of the pages, as HTML built from already-decided values: the
// group list, a group's week with its booking form, and a booking's status.
// Every value is escaped here, nowhere earlier.
#pragma once

#include <string>
#include <vector>

#include "web/bookings.h"
#include "web/week_view.h"

namespace korvale::web {

std::string GroupListBody(const std::vector<std::string>& groups);
// `group_index` is the 1-based index in the menu.
std::string WeekBody(const WeekView& view, size_t group_index, const std::string& group);
// Organizers and attendees come from the group; `rooms` are the calendars of
// any group the visitor may book into (rooms often have a group of their
// own); `form_day` prefills the date.
std::string BookingFormBody(const WeekView& view, const std::string& group, Day form_day,
                            const std::vector<std::string>& rooms);
std::string BookingBody(const BookingInfo& booking, bool details, bool can_cancel);

}  // namespace korvale::web
