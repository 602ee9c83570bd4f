#include "web/week_view.h"

#include <algorithm>
#include <map>

namespace korvale::web {

using std::chrono::days;

PublishedWindow WindowAround(Day today, int days_past, int days_ahead) {
  return {today - days{std::max(0, days_past)}, today + days{std::max(0, days_ahead)}};
}

Day FirstShownDay(const std::string& requested, Day today, const PublishedWindow& window) {
  Day first;
  auto asked = ParseDay(requested);
  if (asked && *asked >= window.first && *asked <= window.last) {
    first = *asked;
  } else {
    first = today - days{(std::chrono::weekday(today).iso_encoding() - 1)};
  }
  return std::clamp(first, window.first, window.last);
}

WeekView BuildWeek(Day first, int day_count, const PublishedWindow& window,
                   const std::vector<MemberRow>& members, const std::vector<PublishedRow>& rows,
                   const std::string& visitor, const PublishedState& state) {
  WeekView view;
  for (int i = 0; i < day_count; ++i) view.days.push_back(first + days{i});
  view.has_previous = first > window.first;
  view.previous = std::max(first - days{day_count}, window.first);
  view.has_next = first + days{day_count} <= window.last;
  view.next = first + days{day_count};

  std::map<std::string, std::vector<PublishedRow>> by_member;
  for (const PublishedRow& r : rows) by_member[r.name].push_back(r);
  for (const MemberRow& m : members) {
    MemberWeek week;
    week.member = m;
    week.rights = RightsFor(visitor, m.acl, m.aclw, state.booking_restricted, state.can_book);
    week.days.resize(view.days.size());
    for (ShownAppointment& a : ShowRows(by_member[m.name], week.rights.details)) {
      for (size_t d = 0; d < view.days.size(); ++d) {
        if (Overlaps(a.start, a.end, AtMinute(view.days[d], 0), AtMinute(view.days[d] + days{1}, 0)) ||
            (MinutesOf(a.start) == MinutesOf(a.end) && DayOf(a.start) == view.days[d])) {
          week.days[d].push_back(a);
        }
      }
    }
    view.members.push_back(std::move(week));
  }
  return view;
}

}  // namespace korvale::web
