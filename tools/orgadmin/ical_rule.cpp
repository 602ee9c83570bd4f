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

Status Refuse(const std::string& why) {
  return Status::Error("the rule cannot be stored as a series: " + why);
}

// The BY parts a series can hold, with BYDAY as a set of days and its one position.
struct RuleParts {
  std::vector<short> days, month_days, months, set_pos;
  uint32_t mask = 0;
  int position = 0;
};

// FREQ=MONTHLY or YEARLY: on a day of the month, or on the first..fourth or
// last of a set of days (a position on BYDAY or in BYSETPOS).
Status TranslateMonthlyOrYearly(bool yearly, RuleParts r, const icaltimetype& dtstart, SeriesPattern* p) {
  p->kind = yearly ? SeriesKind::kYearly : SeriesKind::kMonthly;
  if (!yearly && !r.months.empty()) return Refuse("BYMONTH with FREQ=MONTHLY");
  if (r.months.size() > 1) return Refuse("several BYMONTH values");
  if (r.month_days.size() > 1) return Refuse("several BYMONTHDAY values");
  if (r.set_pos.size() > 1) return Refuse("several BYSETPOS values");
  if (!r.month_days.empty() && !r.days.empty()) return Refuse("BYMONTHDAY together with BYDAY");
  if (!r.month_days.empty()) {
    if (r.month_days[0] < 1) return Refuse("a BYMONTHDAY counted from the end of the month");
    if (!r.set_pos.empty()) return Refuse("BYSETPOS with BYMONTHDAY");
    p->day_of_month = static_cast<uint32_t>(r.month_days[0]);
  } else if (!r.days.empty()) {
    if (!r.set_pos.empty()) {
      if (r.position != 0) return Refuse("BYSETPOS with a positioned BYDAY");
      r.position = r.set_pos[0];
    }
    if (r.position == 0) return Refuse("BYDAY without a position in a monthly or yearly rule");
    if (r.position == -1) r.position = 5;
    if (r.position < 1 || r.position > 5) return Refuse("a BYDAY position other than 1 to 4 or -1");
    p->day_mask = r.mask;
    p->week_number = static_cast<uint32_t>(r.position);
  } else {
    if (!r.set_pos.empty()) return Refuse("BYSETPOS without BYDAY");
    p->day_of_month = static_cast<uint32_t>(dtstart.day);
  }
  if (!r.months.empty() && r.months[0] != dtstart.month)
    return Refuse("a BYMONTH other than the month of DTSTART");
  return Status::Ok();
}

}  // namespace

Status TranslateRule(const icalrecurrencetype& rule, const icaltimetype& dtstart, SeriesPattern* p) {
  if (!Values(rule.by_second, ICAL_BY_SECOND_SIZE).empty()) return Refuse("BYSECOND");
  if (!Values(rule.by_minute, ICAL_BY_MINUTE_SIZE).empty()) return Refuse("BYMINUTE");
  if (!Values(rule.by_hour, ICAL_BY_HOUR_SIZE).empty()) return Refuse("BYHOUR");
  if (!Values(rule.by_year_day, ICAL_BY_YEARDAY_SIZE).empty()) return Refuse("BYYEARDAY");
  if (!Values(rule.by_week_no, ICAL_BY_WEEKNO_SIZE).empty()) return Refuse("BYWEEKNO");
  const auto days = Values(rule.by_day, ICAL_BY_DAY_SIZE);
  const auto month_days = Values(rule.by_month_day, ICAL_BY_MONTHDAY_SIZE);
  const auto months = Values(rule.by_month, ICAL_BY_MONTH_SIZE);
  const auto set_pos = Values(rule.by_set_pos, ICAL_BY_SETPOS_SIZE);
  if (rule.interval < 1) return Refuse("INTERVAL below 1");
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
      if (days.size() > 1) return Refuse("BYDAY with a position and several days");
      position = pos;
    }
    mask |= 1u << (static_cast<int>(icalrecurrencetype_day_day_of_week(d)) - 1);
  }

  switch (rule.freq) {
    case ICAL_DAILY_RECURRENCE:
      if (!month_days.empty() || !months.empty() || !set_pos.empty())
        return Refuse("BYMONTHDAY, BYMONTH or BYSETPOS with FREQ=DAILY");
      if (!days.empty()) {
        // Every day on some weekdays is a weekly series on those days.
        if (position != 0 || p->interval != 1) return Refuse("BYDAY with FREQ=DAILY and an INTERVAL");
        p->kind = SeriesKind::kWeekly;
        p->day_mask = mask;
        break;
      }
      p->kind = SeriesKind::kDaily;
      break;
    case ICAL_WEEKLY_RECURRENCE:
      if (!month_days.empty() || !months.empty() || !set_pos.empty())
        return Refuse("BYMONTHDAY, BYMONTH or BYSETPOS with FREQ=WEEKLY");
      if (position != 0) return Refuse("BYDAY with a position and FREQ=WEEKLY");
      p->kind = SeriesKind::kWeekly;
      p->day_mask = days.empty() ? 1u << start_weekday : mask;
      break;
    case ICAL_MONTHLY_RECURRENCE:
    case ICAL_YEARLY_RECURRENCE: {
      Status status =
          TranslateMonthlyOrYearly(rule.freq == ICAL_YEARLY_RECURRENCE,
                                   {days, month_days, months, set_pos, mask, position}, dtstart, p);
      if (!status.ok()) return status;
      break;
    }
    default: return Refuse("FREQ=" + std::string(icalrecur_freq_to_string(rule.freq)));
  }
  if (p->kind == SeriesKind::kWeekly && p->day_mask == 0) return Refuse("no day of the week");
  return Status::Ok();
}

}  // namespace korvale::orgadmin
