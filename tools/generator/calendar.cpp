#include "calendar.h"

#include "engine/analytics/analytics.h"

namespace tallyscan::gen {

namespace {
bool Leap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }
}  // namespace

int DaysInYear(int year) { return Leap(year) ? 366 : 365; }

int DateOfYear(int year, int day) {
  static constexpr int kMonthDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (day < 0) day = 0;
  if (day >= DaysInYear(year)) day = DaysInYear(year) - 1;
  int month = 0;
  for (;; ++month) {
    const int length = kMonthDays[month] + (month == 1 && Leap(year) ? 1 : 0);
    if (day < length) break;
    day -= length;
  }
  return year * 10000 + (month + 1) * 100 + day + 1;
}

// Days since 1 March of year 0 of the proleptic Gregorian calendar: with March first, the
// leap day ends the year and the months' lengths repeat every five months.
int DayNumber(int yyyymmdd) {
  int year = yyyymmdd / 10000;
  const int month = yyyymmdd / 100 % 100;
  const int day = yyyymmdd % 100;
  if (month <= 2) --year;
  const int era = year / 400;
  const int year_of_era = year - era * 400;
  const int day_of_year = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const int day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return era * 146097 + day_of_era;
}

int DateOfDayNumber(int day_number) {
  const int era = day_number / 146097;
  const int day_of_era = day_number - era * 146097;
  const int year_of_era =
      (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
  const int day_of_year = day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
  const int shifted_month = (5 * day_of_year + 2) / 153;
  const int day = day_of_year - (153 * shifted_month + 2) / 5 + 1;
  const int month = shifted_month < 10 ? shifted_month + 3 : shifted_month - 9;
  const int year = year_of_era + era * 400 + (month <= 2 ? 1 : 0);
  return year * 10000 + month * 100 + day;
}

int Weekday(int yyyymmdd) {
  // Day 0 of the count, 1 March of year 0, was a Wednesday.
  return (DayNumber(yyyymmdd) + 3) % 7;
}

bool IsIsraeliHoliday(int yyyymmdd) {
  return tallyscan::IsIsraeliHoliday(yyyymmdd / 10000, yyyymmdd / 100 % 100, yyyymmdd % 100);
}

}  // namespace tallyscan::gen
