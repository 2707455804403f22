// The holiday calendar of 2000-2050 against pyluach's.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "engine/analytics/israeli_holidays.h"

namespace tallyscan::analytics {
namespace {

std::string_view NameOf(Holiday holiday) {
  switch (holiday) {
    case Holiday::kRoshHashana:
      return "rosh-hashana";
    case Holiday::kYomKippur:
      return "yom-kippur";
    case Holiday::kSukkot:
      return "sukkot";
    case Holiday::kSheminiAtzeret:
      return "shemini-atzeret";
    case Holiday::kPesach:
      return "pesach";
    case Holiday::kShavuot:
      return "shavuot";
    case Holiday::kIndependenceDay:
      return "independence-day";
    case Holiday::kNone:
      break;
  }
  return "";
}

TEST(IsraeliHolidays, EveryDayOf2000To2050IsAsPyluachHasIt) {
  std::string reference;
  FILE* pipe = ::popen(("/usr/bin/python3 " + std::string(TALLYSCAN_SOURCE_DIR) +
                        "/tests/engine/analytics/holiday_reference.py")
                           .c_str(),
                       "r");
  ASSERT_NE(nullptr, pipe);
  char buffer[1 << 16];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
    reference.append(buffer, n);
  }
  ::pclose(pipe);
  ASSERT_GT(reference.size(), 400u * 20u) << "the reference printed too little";

  std::string ours;
  for (DayNumber day = *DayOf(2000, 1, 1); day <= *DayOf(2050, 12, 31); ++day) {
    const Holiday holiday = HolidayOf(day);
    if (holiday != Holiday::kNone) ours += IsoDate(day) + " " + std::string(NameOf(holiday)) + "\n";
  }
  EXPECT_EQ(reference, ours);
}

TEST(IsraeliHolidays, EvesAreTheDaysBeforeAndTheUsersDaysAreAdded) {
  HolidayCalendar plain(false, {});
  HolidayCalendar eves(true, {*DayOf(2024, 1, 2)});
  const DayNumber pesach = *DayOf(2024, 4, 23);
  const DayNumber independence = *DayOf(2024, 5, 14);  // 6 Iyar, 5 Iyar being a Monday
  EXPECT_TRUE(plain.IsHoliday(pesach));
  EXPECT_FALSE(plain.IsHoliday(pesach - 1));
  EXPECT_TRUE(eves.IsHoliday(pesach - 1));
  EXPECT_TRUE(plain.IsHoliday(independence));
  EXPECT_FALSE(plain.IsHoliday(independence - 1));
  EXPECT_TRUE(eves.IsHoliday(independence - 1));  // Memorial Day
  EXPECT_FALSE(plain.IsHoliday(*DayOf(2024, 1, 2)));
  EXPECT_TRUE(eves.IsHoliday(*DayOf(2024, 1, 2)));
}

}  // namespace
}  // namespace tallyscan::analytics
