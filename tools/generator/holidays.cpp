#include "holidays.h"

#include <hdate.h>

namespace tallyscan::gen {
namespace {

// The library's month numbers.
constexpr int kTishrei = 1;
constexpr int kNisan = 7;
constexpr int kIyar = 8;
constexpr int kSivan = 9;

// The day of Iyar on which Independence Day falls, given the weekday (Sunday 0) of 5 Iyar:
// it never touches the Sabbath, and Memorial Day before it never ends on a Sunday.
int IndependenceDay(int weekday_of_fifth) {
  switch (weekday_of_fifth) {
    case 5:
      return 4;
    case 6:
      return 3;
    case 1:
      return 6;
    default:
      return 5;
  }
}

}  // namespace

bool IsIsraeliHoliday(int yyyymmdd) {
  hdate_struct h;
  hdate_set_gdate(&h, yyyymmdd % 100, yyyymmdd / 100 % 100, yyyymmdd / 10000);
  const int day = h.hd_day;
  switch (h.hd_mon) {
    case kTishrei:
      return day == 1 || day == 2 || day == 10 || day == 15 || day == 22;
    case kNisan:
      return day == 15 || day == 21;
    case kSivan:
      return day == 6;
    case kIyar: {
      if (day < 3 || day > 6) return false;
      const int weekday = h.hd_dw - 1;  // the library counts Sunday as 1
      const int weekday_of_fifth = ((weekday + 5 - day) % 7 + 7) % 7;
      return day == IndependenceDay(weekday_of_fifth);
    }
    default:
      return false;
  }
}

}  // namespace tallyscan::gen
