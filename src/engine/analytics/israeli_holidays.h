#pragma once

// Private to analytics/.
//
// The Israeli days of rest that fall on weekdays as a posting calendar sees them: Rosh
// Hashana (1 and 2 Tishrei), Yom Kippur (10 Tishrei), the first day of Sukkot (15 Tishrei),
// Shemini Atzeret (22 Tishrei), the first and seventh days of Pesach (15 and 21 Nisan),
// Shavuot (6 Sivan) and Independence Day (5 Iyar, brought forward to Thursday 4 or 3 Iyar
// when 5 Iyar falls on a Friday or a Saturday, put off to Tuesday 6 Iyar when it falls on a
// Monday). Hebrew dates come from libhdate. With eves, the day before each holiday counts
// too (the day before Independence Day is Memorial Day); the user's own dates are added as
// they are.
//
// A year's days are worked out the first time a day of it is asked for, so the calendar is
// cheap to ask millions of times.

#include <array>
#include <bitset>
#include <memory>
#include <vector>

#include "engine/analytics/calendar_day.h"

namespace tallyscan::analytics {

// The holiday, if any, of one day: what the table of a Gregorian year is made of.
enum class Holiday {
  kNone,
  kRoshHashana,
  kYomKippur,
  kSukkot,
  kSheminiAtzeret,
  kPesach,
  kShavuot,
  kIndependenceDay,
};
Holiday HolidayOf(DayNumber day);

class HolidayCalendar {
 public:
  HolidayCalendar(bool eves, const std::vector<DayNumber>& extra_days);
  HolidayCalendar(const HolidayCalendar&) = delete;
  HolidayCalendar& operator=(const HolidayCalendar&) = delete;
  ~HolidayCalendar();

  bool IsHoliday(DayNumber day);

 private:
  static constexpr int kFirstYear = 1;
  static constexpr int kLastYear = 9999;
  using YearDays = std::bitset<366>;

  const YearDays& Year(int year);

  bool eves_;
  std::vector<DayNumber> extra_days_;  // sorted
  std::vector<std::unique_ptr<YearDays>> years_;
};

}  // namespace tallyscan::analytics
