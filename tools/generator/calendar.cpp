#include "calendar.h"

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

}  // namespace tallyscan::gen
