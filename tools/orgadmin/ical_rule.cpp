// RRULE to recurrence pattern. The pattern knows one shape per frequency:
// every N days; every N weeks on a set of days; every N months (or years, in
// one month) on a day of the month or on the first..fourth or last of a set
// of days. Everything else is refused rather than approximated, since an
// approximation would publish occurrences the calendar owner never made.
#include "tools/orgadmin/ical_rule.h"

#include <string>
#include <vector>

namespace korvale::orgadmin {
namespace {

std::vector<short> Values(const short* array, int size) {
  std::vector<short> out;
  for (int i = 0; i < size && array[i] != ICAL_RECURRENCE_ARRAY_MAX; ++i) out.push_back(array[i]);
  return out;
}

}  // namespace

Status TranslateRule(const icalrecurrencetype& rule, const icaltimetype& dtstart, SeriesPattern* p) {
  auto refuse = [](const std::string& why) {
    return Status::Error("the rule cannot be stored as a series: " + why);
  };
  if (!Values(rule.by_second, ICAL_BY_SECOND_SIZE).empty()) return refuse("BYSECOND");
  if (!Values(rule.by_minute, ICAL_BY_MINUTE_SIZE).empty()) return refuse("BYMINUTE");
  if (!Values(rule.by_hour, ICAL_BY_HOUR_SIZE).empty()) return refuse("BYHOUR");
  if (!Values(rule.by_year_day, ICAL_BY_YEARDAY_SIZE).empty()) return refuse("BYYEARDAY");
  if (!Values(rule.by_week_no, ICAL_BY_WEEKNO_SIZE).empty()) return refuse("BYWEEKNO");
  const auto days = Values(rule.by_day, ICAL_BY_DAY_SIZE);
  const auto month_days = Values(rule.by_month_day, ICAL_BY_MONTHDAY_SIZE);
  const auto months = Values(rule.by_month, ICAL_BY_MONTH_SIZE);
  const auto set_pos = Values(rule.by_set_pos, ICAL_BY_SETPOS_SIZE);
  if (rule.interval < 1) return refuse("INTERVAL below 1");
  p->interval = static_cast<uint32_t>(rule.interval);
  p->first_day_of_week = rule.week_start >= ICAL_SUNDAY_WEEKDAY && rule.week_start <= ICAL_SATURDAY_WEEKDAY
                             ? static_cast<uint32_t>(rule.week_start - ICAL_SUNDAY_WEEKDAY)
                             : 1;
  const int start_weekday = icaltime_day_of_week(dtstart) - 1;  // 0 Sunday

  // The set of days of BYDAY (without positions) and the one position, if any.
  uint32_t mask = 0;
  int position = 0;
  for (short d : days) {
    const int pos = icalrecurrencetype_day_position(d);
    if (pos != 0) {
      if (days.size() > 1) return refuse("BYDAY with a position and several days");
      position = pos;
    }
    mask |= 1u << (static_cast<int>(icalrecurrencetype_day_day_of_week(d)) - 1);
  }

  switch (rule.freq) {
    case ICAL_DAILY_RECURRENCE:
      if (!month_days.empty() || !months.empty() || !set_pos.empty())
        return refuse("BYMONTHDAY, BYMONTH or BYSETPOS with FREQ=DAILY");
      if (!days.empty()) {
        // Every day on some weekdays is a weekly series on those days.
        if (position != 0 || p->interval != 1) return refuse("BYDAY with FREQ=DAILY and an INTERVAL");
        p->kind = SeriesKind::kWeekly;
        p->day_mask = mask;
        break;
      }
      p->kind = SeriesKind::kDaily;
      break;
    case ICAL_WEEKLY_RECURRENCE:
      if (!month_days.empty() || !months.empty() || !set_pos.empty())
        return refuse("BYMONTHDAY, BYMONTH or BYSETPOS with FREQ=WEEKLY");
      if (position != 0) return refuse("BYDAY with a position and FREQ=WEEKLY");
      p->kind = SeriesKind::kWeekly;
      p->day_mask = days.empty() ? 1u << start_weekday : mask;
      break;
    case ICAL_MONTHLY_RECURRENCE:
    case ICAL_YEARLY_RECURRENCE: {
      const bool yearly = rule.freq == ICAL_YEARLY_RECURRENCE;
      p->kind = yearly ? SeriesKind::kYearly : SeriesKind::kMonthly;
      if (!yearly && !months.empty()) return refuse("BYMONTH with FREQ=MONTHLY");
      if (months.size() > 1) return refuse("several BYMONTH values");
      if (month_days.size() > 1) return refuse("several BYMONTHDAY values");
      if (set_pos.size() > 1) return refuse("several BYSETPOS values");
      if (!month_days.empty() && !days.empty()) return refuse("BYMONTHDAY together with BYDAY");
      if (!month_days.empty()) {
        if (month_days[0] < 1) return refuse("a BYMONTHDAY counted from the end of the month");
        if (!set_pos.empty()) return refuse("BYSETPOS with BYMONTHDAY");
        p->day_of_month = static_cast<uint32_t>(month_days[0]);
      } else if (!days.empty()) {
        if (!set_pos.empty()) {
          if (position != 0) return refuse("BYSETPOS with a positioned BYDAY");
          position = set_pos[0];
        }
        if (position == 0) return refuse("BYDAY without a position in a monthly or yearly rule");
        if (position == -1) position = 5;
        if (position < 1 || position > 5) return refuse("a BYDAY position other than 1 to 4 or -1");
        p->day_mask = mask;
        p->week_number = static_cast<uint32_t>(position);
      } else {
        if (!set_pos.empty()) return refuse("BYSETPOS without BYDAY");
        p->day_of_month = static_cast<uint32_t>(dtstart.day);
      }
      if (!months.empty() && months[0] != dtstart.month)
        return refuse("a BYMONTH other than the month of DTSTART");
      break;
    }
    default: return refuse("FREQ=" + std::string(icalrecur_freq_to_string(rule.freq)));
  }
  if (p->kind == SeriesKind::kWeekly && p->day_mask == 0) return refuse("no day of the week");
  return Status::Ok();
}

}  // namespace korvale::orgadmin
