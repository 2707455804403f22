#include "engine/analytics/israeli_holidays.h"

#include <hdate.h>

#include <algorithm>

#include "engine/analytics/holidays.h"

namespace tallyscan {

bool IsIsraeliHoliday(int year, int month, int day) {
  const std::optional<analytics::DayNumber> number = analytics::DayOf(year, month, day);
  return number && analytics::HolidayOf(*number) != analytics::Holiday::kNone;
}

namespace analytics {

namespace {

// libhdate's months: 1 Tishrei .. 12 Elul, 13 and 14 Adar I and II of a leap year.
constexpr int kTishrei = 1;
constexpr int kNisan = 7;
constexpr int kIyar = 8;
constexpr int kSivan = 9;
// libhdate's weekdays: 1 Sunday .. 7 Saturday.
constexpr int kTuesday = 3;
constexpr int kThursday = 5;
constexpr int kFriday = 6;
constexpr int kSaturday = 7;
constexpr int kMonday = 2;

// Independence Day on the Hebrew day `day` of Iyar that falls on `weekday`: 5 Iyar unless it
// is moved, or the day it is moved to (a Thursday before a Friday or Saturday 5 Iyar, the
// Tuesday after a Monday 5 Iyar).
bool IsIndependenceDay(int day, int weekday) {
  switch (day) {
    case 3:
      return weekday == kThursday;  // 5 Iyar is a Saturday
    case 4:
      return weekday == kThursday;  // 5 Iyar is a Friday
    case 5:
      return weekday != kFriday && weekday != kSaturday && weekday != kMonday;
    case 6:
      return weekday == kTuesday;  // 5 Iyar is a Monday
    default:
      return false;
  }
}

}  // namespace

Holiday HolidayOf(DayNumber day) {
  const CivilDate date = DateOf(day);
  hdate_struct h{};
  hdate_set_gdate(&h, date.day, date.month, date.year);
  switch (h.hd_mon) {
    case kTishrei:
      switch (h.hd_day) {
        case 1:
        case 2:
          return Holiday::kRoshHashana;
        case 10:
          return Holiday::kYomKippur;
        case 15:
          return Holiday::kSukkot;
        case 22:
          return Holiday::kSheminiAtzeret;
        default:
          return Holiday::kNone;
      }
    case kNisan:
      return h.hd_day == 15 || h.hd_day == 21 ? Holiday::kPesach : Holiday::kNone;
    case kIyar:
      return IsIndependenceDay(h.hd_day, h.hd_dw) ? Holiday::kIndependenceDay : Holiday::kNone;
    case kSivan:
      return h.hd_day == 6 ? Holiday::kShavuot : Holiday::kNone;
    default:
      return Holiday::kNone;
  }
}

HolidayCalendar::HolidayCalendar(bool eves, const std::vector<DayNumber>& extra_days)
    : eves_(eves), extra_days_(extra_days), years_(kLastYear + 1) {
  std::sort(extra_days_.begin(), extra_days_.end());
}

HolidayCalendar::~HolidayCalendar() = default;

const HolidayCalendar::YearDays& HolidayCalendar::Year(int year) {
  std::unique_ptr<YearDays>& days = years_[static_cast<std::size_t>(year)];
  if (days) return *days;
  days = std::make_unique<YearDays>();
  const DayNumber first = *DayOf(year, 1, 1);
  const DayNumber last = *DayOf(year, 12, 31);
  // The eve of 31 December is decided by 1 January of the next year.
  const bool next_exists = year < kLastYear;
  bool next_is_holiday = next_exists && HolidayOf(last + 1) != Holiday::kNone;
  for (DayNumber day = last; day >= first; --day) {
    const bool holiday = HolidayOf(day) != Holiday::kNone;
    if (holiday || (eves_ && next_is_holiday)) days->set(static_cast<std::size_t>(day - first));
    next_is_holiday = holiday;
  }
  return *days;
}

bool HolidayCalendar::IsHoliday(DayNumber day) {
  if (std::binary_search(extra_days_.begin(), extra_days_.end(), day)) return true;
  const CivilDate date = DateOf(day);
  return Year(date.year)[static_cast<std::size_t>(day - *DayOf(date.year, 1, 1))];
}

}  // namespace analytics
}  // namespace tallyscan
